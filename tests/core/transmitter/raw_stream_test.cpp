// Long presses in the raw key record: a held key whose every repeat came
// back from the receiver with its own jitter, or whose repeats the capture
// merged into one long frame, still gives one record that plays back what
// was received.
#include <gtest/gtest.h>

#include <random>

#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "irtoolkit/irtoolkit.h"
#include "testutil.h"
#include "transmitter/learnedcode.h"
#include "transmitter/rawrecord.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

// The signal as one list, mark first: frame gaps are silences like any
// other, so where the frames are split does not matter. `gap` marks the
// silences that were frame gaps in the signal.
struct Flat {
  std::vector<uint64_t> us;
  std::vector<bool> gap;
};

Flat Flatten(const Signal& s) {
  Flat f;
  auto push = [&](bool mark, uint64_t us, bool gap) {
    if (us == 0 && !gap) return;
    if (f.us.empty() && !mark) return;
    if (!f.us.empty() && (f.us.size() % 2 == 1) == mark) {
      f.us.back() += us;
      f.gap.back() = f.gap.back() || gap;
      return;
    }
    f.us.push_back(us);
    f.gap.push_back(gap);
  };
  for (const SignalFrame& frame : s.frames) {
    for (size_t j = 0; j < frame.durations.size(); ++j) push(j % 2 == 0, frame.durations[j], false);
    push(false, frame.gap, true);
  }
  if (!f.us.empty() && f.us.size() % 2 == 0) {
    f.us.pop_back();
    f.gap.pop_back();
  }
  return f;
}

// Empty when `got` plays `want` back: marks and spaces within max(5 %,
// 60 us), gaps within 10 %, the silence after the end not compared.
std::string Unfaithful(const Signal& want, const Signal& got) {
  const Flat a = Flatten(want), b = Flatten(got);
  if (a.us.size() != b.us.size()) {
    return std::to_string(b.us.size()) + " durations sent for " + std::to_string(a.us.size());
  }
  for (size_t i = 0; i < a.us.size(); ++i) {
    const double ref = static_cast<double>(a.us[i]);
    const double tol = a.gap[i] ? 0.1 * ref : std::max(0.05 * ref, 60.0);
    if (std::abs(ref - static_cast<double>(b.us[i])) > tol) {
      return "element " + std::to_string(i) + ": " + std::to_string(b.us[i]) + " us sent for " +
             std::to_string(a.us[i]);
    }
  }
  return {};
}

uint32_t HoldUntilLastMark(const Signal& s) {
  uint64_t us = 0;
  for (uint64_t d : Flatten(s).us) us += d;
  return static_cast<uint32_t>((us + 999) / 1000);
}

struct Press {
  std::string learned;  // what the capture conversion made of it
  Signal received;      // what the receiver measured
  bool whole = false;   // the capture held every mark
};

Press Receive(const char* protocol, uint32_t address, uint32_t command, uint32_t hold_ms, uint64_t seed) {
  Press p;
  const auto sent = EncodeProtocol(protocol, address, command, hold_ms);
  if (!sent) return p;
  p.received = DistortSignal(*sent, seed);
  p.learned = ConvertCapture(WriteCapture(p.received));
  const auto code = ParseLearnedCode(p.learned);
  size_t got = 0, want = 0;
  if (code) {
    for (const SignalFrame& f : code->signal.frames) got += (f.durations.size() + 1) / 2;
  }
  for (const SignalFrame& f : p.received.frames) want += (f.durations.size() + 1) / 2;
  p.whole = code && got == want;
  return p;
}

TEST(RawStream, HeldPressesThroughTheReceiverPlayBackFaithfully) {
  struct Case {
    const char* protocol;
    uint32_t address, command, hold_ms;
  };
  // RCA's 8 ms repeat silence is one frame to the receiver; SIRC20's gaps
  // straddle the receiver's frame split, so some repeats merge and some do
  // not; NEC and RC6 for frames that repeat cleanly.
  const std::vector<Case> cases = {
      {"RCA", 0x5, 0x3A, 2000},  {"RCA", 0xF, 0xFF, 2000},  {"RCA", 0x0, 0x00, 2000},
      {"SIRC20", 0x73A, 0x7C, 2000}, {"SIRC20", 0x1F, 0x12, 2000}, {"SIRC20", 0x1FFF, 0x7F, 2000},
      {"SIRC", 0x01, 0x15, 2000}, {"NEC", 0x04, 0x08, 5000}, {"RC6", 0x00, 0x0C, 2000},
      {"Kaseikyo", 0x2002B0, 0x3D, 2000},
  };
  int stream_records = 0;
  for (const Case& c : cases) {
    for (uint64_t seed = 1; seed <= 6; ++seed) {
      SCOPED_TRACE(std::string(c.protocol) + " seed " + std::to_string(seed));
      const Press press = Receive(c.protocol, c.address, c.command, c.hold_ms, seed);
      ASSERT_FALSE(press.learned.empty());
      if (!press.whole) continue;  // the buffer could not hold it: not this record's doing
      std::string error;
      const std::string record = RawKeyRecordFromLearnedCode(press.learned, 0x11, &error);
      ASSERT_FALSE(record.empty()) << error;
      const auto parts = ParseKeyRecordParts(record);
      ASSERT_TRUE(parts);
      ASSERT_TRUE(IsRawKeyRecord(*parts));
      ASSERT_FALSE(parts->head.empty());
      ASSERT_FALSE(parts->data.empty());
      stream_records += parts->head[2] == kRawStreamLayoutVersion;
      const auto played = TransmitKeyRecord(record, HoldUntilLastMark(press.received), &error);
      ASSERT_TRUE(played) << error;
      EXPECT_EQ(Unfaithful(press.received, *played), "");
    }
  }
  EXPECT_GE(stream_records, 36);  // at least every RCA and SIRC20 press
}

// A held stream record goes on with its period while the key stays down,
// and a short hold still sends everything that was captured.
TEST(RawStream, HoldingLongerRepeatsThePeriod) {
  const Press press = Receive("RCA", 0x5, 0x3A, 1000, 3);
  ASSERT_TRUE(press.whole);
  const std::string record = RawKeyRecordFromLearnedCode(press.learned, 1);
  ASSERT_FALSE(record.empty());
  ASSERT_EQ(ParseKeyRecordParts(record)->head[2], kRawStreamLayoutVersion);
  auto length_ms = [](const Signal& s) {
    uint64_t us = 0;
    for (uint64_t d : Flatten(s).us) us += d;
    return us / 1000;
  };
  const auto brief = TransmitKeyRecord(record, 0);
  const auto held = TransmitKeyRecord(record, 4000);
  ASSERT_TRUE(brief && held);
  EXPECT_EQ(Unfaithful(press.received, *brief), "");
  EXPECT_NEAR(static_cast<double>(length_ms(*brief)), static_cast<double>(length_ms(press.received)), 70);
  EXPECT_GE(length_ms(*held), 3900u);
  EXPECT_LE(length_ms(*held), 4100u);
}

// Jittery repeated frames of random alphabets: every record made plays
// back faithfully; those that cannot be made are refused whole.
TEST(RawStream, RandomJitteryHeldPressesPlayBackFaithfully) {
  std::mt19937 rng(21);
  int made = 0;
  const int runs = 150;
  for (int run = 0; run < runs; ++run) {
    std::vector<uint32_t> alphabet(2 + rng() % 5);
    for (uint32_t& a : alphabet) a = 250 + rng() % 5000;
    std::vector<uint32_t> frame(1 + 2 * (rng() % 30));
    for (uint32_t& d : frame) d = alphabet[rng() % alphabet.size()];
    Signal clean;
    clean.carrier_hz = 38000;
    const uint32_t gap = 11000 + rng() % 60000;
    const size_t copies = 5 + rng() % 60;
    for (size_t i = 0; i < copies; ++i) clean.frames.push_back({frame, gap});
    const Signal received = DistortSignal(clean, run);
    std::string error;
    const std::string record = RawKeyRecordFromLearnedCode(WriteLearnedCode(received), 2, &error);
    if (record.empty()) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    ++made;
    const auto played = TransmitKeyRecord(record, HoldUntilLastMark(received), &error);
    ASSERT_TRUE(played) << error;
    EXPECT_EQ(Unfaithful(received, *played), "") << "run " << run;
  }
  EXPECT_GT(made, runs * 8 / 10);
}

TEST(RawStream, DamagedStreamRecordsAreRefusedOrPlayed) {
  const Press press = Receive("SIRC20", 0x73A, 0x7C, 2000, 5);
  const std::string record = RawKeyRecordFromLearnedCode(press.learned, 3);
  ASSERT_FALSE(record.empty());
  auto parts = ParseKeyRecordParts(record);
  ASSERT_TRUE(parts);
  ASSERT_EQ(parts->head[2], kRawStreamLayoutVersion);
  auto rebuild = [](const KeyRecordParts& p) {
    std::vector<int> head(p.head.begin(), p.head.end()), data(p.data.begin(), p.data.end());
    return testing::Record(p.key_code, head, data);
  };
  ASSERT_TRUE(TransmitKeyRecord(rebuild(*parts)));

  // Cut short, lengthened, or with the stream header out of range.
  std::vector<std::pair<std::string, KeyRecordParts>> cases;
  auto add = [&](std::string name, auto change) {
    KeyRecordParts p = *parts;
    change(p);
    cases.push_back({std::move(name), std::move(p)});
  };
  add("data cut by one byte", [](KeyRecordParts& p) { p.data.pop_back(); });
  add("byte after the stream", [](KeyRecordParts& p) { p.data.push_back(0); });
  add("table count zero", [](KeyRecordParts& p) { p.head[5] = 0; });
  add("table count above 64", [](KeyRecordParts& p) { p.head[5] = 65; });
  add("only the table", [](KeyRecordParts& p) { p.head.resize(6); });
  for (const auto& [name, p] : cases) {
    EXPECT_FALSE(TransmitKeyRecord(rebuild(p))) << name;
  }
  // Any single byte changed: refused or played, never more than the limits.
  std::mt19937 rng(4);
  for (int i = 0; i < 3000; ++i) {
    KeyRecordParts p = *parts;
    std::vector<uint8_t>& part = (rng() % 2) ? p.data : p.head;
    const size_t at = 3 + rng() % (part.size() - 3);
    part[at] = static_cast<uint8_t>(rng());
    const auto played = TransmitKeyRecord(rebuild(p), rng() % 70000);
    if (played) {
      EXPECT_LE(played->frames.size(), kMaxTransmitFrames);
    }
  }
}

}  // namespace
}  // namespace tvq31
