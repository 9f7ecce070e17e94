// Playback of protocol key records written by hand, byte by byte.
#include <gtest/gtest.h>

#include <random>

#include "testutil.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

using testing::HexBytes;
using testing::Record;

// An NEC-like key: 38 kHz (base unit 158 ticks, divisor 1), multiplier 21
// (553 us), a full frame then a repeat frame every 108 ms while held.
const std::vector<int> kNecHead = {
    14, 22, 157, 0x01, 20, 20, 0x00, 0x00, 0x22, 0x10,
    0x05, 0x10, 0x80, 0x01,                          // "h" 4101 units -> pattern 1
    0x02, 0x05, 0x02, 0xC0, 0x80, 0x02, 0xC0, 0x82,  // u: 1,1  v: 1,3
};
const std::vector<int> kNecData = {
    0x02, 0x0E,                                                                   // offsets
    0x07, 0xCF, 0x87, 0x47, 0x81, 0x47, 0x7E, 0x47, 0x00, 0x47, 0xFF, 0xC0,       // full frame
    0x03, 0xCF, 0x83, 0xC0,                                                       // repeat frame
};

std::vector<uint32_t> NecFrame(const std::string& bits) {
  std::vector<uint32_t> d = {8848, 4424};
  for (char b : bits) {
    d.push_back(553);
    d.push_back(b == '1' ? 1659 : 553);
  }
  d.push_back(553);
  return d;
}

uint64_t FrameLength(const SignalFrame& f) {
  uint64_t total = 0;
  for (uint32_t d : f.durations) total += d;
  return total;
}

TEST(ProtocolRecord, NecHeldTwoSecondsRepeatsEvery108Ms) {
  std::string error;
  const auto signal = TransmitKeyRecord(Record(0x1A, kNecHead, kNecData), 2000, &error);
  ASSERT_TRUE(signal) << error;
  EXPECT_EQ(signal->carrier_hz, 37975u);
  // Frames start at 0, 108, ..., 1944 ms: 19 of them.
  ASSERT_EQ(signal->frames.size(), 19u);
  EXPECT_EQ(signal->frames[0].durations,
            NecFrame("10000001" "01111110" "00000000" "11111111"));
  for (size_t i = 1; i < signal->frames.size(); ++i) {
    EXPECT_EQ(signal->frames[i].durations, (std::vector<uint32_t>{8848, 2212, 553})) << i;
  }
  for (size_t i = 0; i + 1 < signal->frames.size(); ++i) {
    const uint64_t period = FrameLength(signal->frames[i]) + signal->frames[i].gap;
    EXPECT_NEAR(static_cast<double>(period), 107993.0, 1.0) << i;
  }
}

TEST(ProtocolRecord, HoldDecidesHowOftenTheRepeatPartIsSent) {
  const std::string record = Record(0x1A, kNecHead, kNecData);
  struct Case {
    uint32_t hold_ms;
    size_t frames;
  };
  // The sequence (both frames) always goes out; a further cycle starts only
  // before the key is released.
  for (const Case c : {Case{0, 2}, Case{100, 2}, Case{215, 2}, Case{216, 3}, Case{500, 5}}) {
    const auto signal = TransmitKeyRecord(record, c.hold_ms);
    ASSERT_TRUE(signal);
    EXPECT_EQ(signal->frames.size(), c.frames) << c.hold_ms;
  }
}

// A pair that repeats as a whole, as Sharp and Denon send it: frame A
// ("u"), 45 ms of silence, frame B ("v"), 45 ms, A again, and so on. No
// carrier, 10 us base unit, multiplier 10 (100 us).
const std::vector<int> kPairHead = {
    14, 22, 59, 0x80, 9, 9, 0x00, 0x00, 0x22, 0x20,
    0x94, 0x11, 0xC0, 0x01,                    // "t" 4500 units -> pattern 1
    0x02, 0x05, 0x02, 0xC0, 0x80, 0x02, 0xC0, 0x82,  // u: 1,1  v: 1,3
};
const std::vector<int> kPairData = {
    0x02, 0x06,
    0x02, 0x40, 0x00, 0xC0,  // A: u, mark
    0x02, 0x40, 0x80, 0xC0,  // B: v, mark
};

TEST(ProtocolRecord, RepeatPartStopsAtTheEntryDueAfterRelease) {
  const std::string record = Record(0x1A, kPairHead, kPairData);
  const std::vector<uint32_t> a = {100, 100, 100};
  const std::vector<uint32_t> b = {100, 300, 100};
  struct Case {
    uint32_t hold_ms;
    size_t frames;
  };
  // A starts at 0, B at 45.3 ms, A at 90.8 ms, B at 136.1 ms. A key
  // released between an A and its B sends the A alone, as the remotes do.
  for (const Case c : {Case{0, 2}, Case{90, 2}, Case{91, 3}, Case{136, 3}, Case{137, 4}, Case{182, 5}}) {
    std::string error;
    const auto signal = TransmitKeyRecord(record, c.hold_ms, &error);
    ASSERT_TRUE(signal) << error;
    ASSERT_EQ(signal->frames.size(), c.frames) << c.hold_ms;
    for (size_t i = 0; i < signal->frames.size(); ++i) {
      EXPECT_EQ(signal->frames[i].durations, i % 2 == 0 ? a : b) << c.hold_ms << " frame " << i;
      EXPECT_EQ(signal->frames[i].gap, 45000u) << c.hold_ms << " frame " << i;
    }
  }
}

// Four symbol groups, no carrier, 10 us base unit, multiplier 6 (60 us).
// The frame uses every byte kind; a trailer entry sends the closing block
// 30 ms after the frame.
const std::vector<int> kQuadHead = {
    14, 30, 59, 0x80, 5, 5, 0x00, 0x00, 0x21, 0x01,
    0xB8, 0x0B, 0xC0, 0x01,                    // "t" 3000 units -> pattern 1
    0x04, 0x07, 0x0A, 0x0D,                    // group offsets
    0x02, 0xC0, 0x80, 0x02, 0xC0, 0x81,        // u, v
    0x02, 0xC0, 0x82, 0x02, 0xC0, 0x83,        // w, x
};
const std::vector<int> kQuadData = {
    0x02, 0x0D,
    // mark 64+36 units; space 64+1 units; v x u w; free symbol v; u; mark
    0x08, 0xFF, 0xE3, 0xBF, 0x80, 0x53, 0x72, 0x74, 0x40, 0x70, 0xC0,
    // closing block: mark 5 units, one packed u, mark
    0x03, 0xC4, 0x50, 0x00, 0xC0,
};

TEST(ProtocolRecord, EveryFrameByteKindAndTheClosingBlock) {
  std::string error;
  const auto signal = TransmitKeyRecord(Record(0x05, kQuadHead, kQuadData), 2000, &error);
  ASSERT_TRUE(signal) << error;
  EXPECT_EQ(signal->carrier_hz, 0u);
  ASSERT_EQ(signal->frames.size(), 2u);
  EXPECT_EQ(signal->frames[0].durations,
            (std::vector<uint32_t>{6000, 3900, 60, 120, 60, 240, 60, 60, 60, 180, 60, 120, 60, 60, 60}));
  EXPECT_EQ(signal->frames[0].gap, 30000u);
  // The packed u's mark joins the closing block's first mark.
  EXPECT_EQ(signal->frames[1].durations, (std::vector<uint32_t>{360, 60, 60}));
}

TEST(ProtocolRecord, CarrierFromBaseUnitAndDivisor) {
  struct Case {
    int base_minus_1;
    int carrier_byte;
    uint32_t hz;
  };
  for (const Case c : {Case{157, 0x01, 37975}, Case{78, 0x02, 37975}, Case{78, 0x09, 37975},
                       Case{165, 0x01, 36145}, Case{22, 0x07, 37267}, Case{157, 0x80, 0}}) {
    std::vector<int> head = kNecHead;
    head[2] = c.base_minus_1;
    head[3] = c.carrier_byte;
    const auto signal = TransmitKeyRecord(Record(0x1A, head, kNecData), 0);
    ASSERT_TRUE(signal) << c.carrier_byte;
    EXPECT_EQ(signal->carrier_hz, c.hz) << c.carrier_byte;
  }
}

TEST(ProtocolRecord, MalformedRecordsAreRefused) {
  const std::string good = Record(0x1A, kNecHead, kNecData);
  auto with_head = [](int at, int value) {
    std::vector<int> h = kNecHead;
    h[at] = value;
    return Record(0x1A, h, kNecData);
  };
  auto with_data = [](int at, int value) {
    std::vector<int> d = kNecData;
    d[at] = value;
    return Record(0x1A, kNecHead, d);
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty", ""},
      {"odd length", good.substr(1)},
      {"not hex", "0001ZZC70A0016200012" + good.substr(20)},
      {"shorter than its lengths", good.substr(0, good.size() - 2)},
      {"longer than its lengths", good + "00"},
      {"deletion record", "00011A00000000000000"},
      {"group table before the entries", with_head(0, 9)},
      {"group table past the head", with_head(0, 40)},
      {"length byte differs", with_head(1, 21)},
      {"carrier byte 0", with_head(3, 0)},
      {"no sequence", with_head(8, 0x20)},
      {"entry count does not fill the list", with_head(8, 0x23)},
      {"entry without kind bit", with_head(12, 0x00)},
      {"entry names a missing pattern", with_head(13, 0x02)},
      {"group offset outside", with_head(15, 0x20)},
      {"group element no duration", with_head(17, 0x10)},
      {"block offset outside", with_data(1, 0x40)},
      {"block offset inside the offsets", with_data(0, 0x01)},
      {"unknown frame byte", with_data(3, 0x30)},
      {"symbol of a missing group", with_data(3, 0x53)},
      {"packed byte missing", Record(0x1A, kNecHead, {0x02, 0x03, 0x01, 0x47})},
  };
  for (const auto& [name, record] : cases) {
    std::string error;
    EXPECT_FALSE(TransmitKeyRecord(record, 2000, &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
}

// Any byte changed anywhere either plays or is refused; never a crash or an
// endless transmission (run this under AddressSanitizer).
TEST(ProtocolRecord, MutatedRecordsNeverBreakTheModel) {
  std::mt19937 rng(31);
  for (const std::string& base :
       {Record(0x1A, kNecHead, kNecData), Record(0x05, kQuadHead, kQuadData)}) {
    for (int i = 0; i < 3000; ++i) {
      std::string r = base;
      const int changes = 1 + static_cast<int>(rng() % 3);
      for (int c = 0; c < changes; ++c) {
        const size_t at = 20 + 2 * (rng() % ((r.size() - 20) / 2));
        const std::string b = HexBytes({static_cast<int>(rng() % 256)});
        r.replace(at, 2, b);
      }
      const auto signal = TransmitKeyRecord(r, 2000);
      if (signal) {
        EXPECT_LE(signal->frames.size(), kMaxTransmitFrames);
      }
    }
  }
}

}  // namespace
}  // namespace tvq31
