// TDC-38 and TDC-56: encoder and decoder, the TDC-38 held and tap styles,
// real recordings of the corpus.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

// Device and subdevice as the encoder's address (the ten bits as sent).
constexpr uint32_t Address(uint32_t device, uint32_t subdevice) { return device * 32 + subdevice; }

Signal Scaled(Signal s, double factor) {
  for (SignalFrame& f : s.frames) {
    for (uint32_t& d : f.durations) d = static_cast<uint32_t>(d * factor + 0.5);
  }
  return s;
}

TEST(Tdc, EncodedPressesDecodeToTheirValues) {
  struct Case {
    const char* protocol;
    uint32_t address, command;
  };
  const Case cases[] = {
      {"TDC-38", 0, 0},     {"TDC-38", Address(31, 31), 127}, {"TDC-38", Address(6, 10), 22},
      {"TDC-38", 0x2AA, 0x55}, {"TDC-56", 0, 0},                {"TDC-56", Address(31, 31), 127},
      {"TDC-56", Address(14, 10), 0x2A}, {"TDC-56", 0x155, 0x2B},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address) + "/" +
                 std::to_string(c.command));
    const std::optional<Signal> s = EncodeProtocol(c.protocol, c.address, c.command, 500);
    ASSERT_TRUE(s);
    ASSERT_GE(s->frames.size(), 2u);
    const std::string want = Values(c.protocol, c.address, c.command);
    EXPECT_EQ(Said(*s), want);
    // Every frame is read, by this family's decoder, with nothing left over.
    for (const DecodedFrame& f : DecodeSignal(*s)) EXPECT_EQ(f.protocol, c.protocol);
    // 89 ms of silence after the frame's last mark, 89.3 or 89.2 where the
    // last half bit is silence too.
    const uint32_t gap = s->frames[0].gap;
    EXPECT_TRUE(gap == 89000 || gap == 89315 || gap == 89213) << gap;
    // A remote 5 % slow or fast, and (the longer half bit) a receiver's
    // lengthened marks and shortened spaces.
    EXPECT_EQ(Said(Scaled(*s, 0.95)), want);
    EXPECT_EQ(Said(Scaled(*s, 1.05)), want);
    // Through a receiver: every TDC-38 frame; TDC-56's 213 µs half bit,
    // which the receiver's 100 µs nearly halve or double, nearly every one.
    size_t frames = 0, read = 0;
    for (uint64_t seed = 1; seed <= 20; ++seed) {
      for (const DecodedFrame& f : DecodeSignal(DistortSignal(*s, seed))) {
        ++frames;
        read += f.protocol == c.protocol && f.address == c.address && f.command == c.command;
      }
    }
    EXPECT_GE(read * 100, frames * (std::string(c.protocol) == "TDC-38" ? 100 : 95));
  }
}

TEST(Tdc, OutOfRangeValuesAreRefused) {
  EXPECT_FALSE(EncodeProtocol("TDC-38", 1024, 0));
  EXPECT_FALSE(EncodeProtocol("TDC-38", 0, 128));
  EXPECT_FALSE(EncodeProtocol("TDC-56", 1024, 0));
  EXPECT_FALSE(EncodeProtocol("TDC-56", 0, 128));
}

// Held presses and taps, clean and through a receiver: recognised by the
// TDC-38 styles, played back as the remote said, 89 ms between frames.
TEST(Tdc, PressesAndTapsComeBack) {
  const std::pair<uint32_t, uint32_t> values[] = {
      {Address(6, 10), 22}, {0, 0}, {Address(31, 31), 127}, {0x155, 0x2A}, {0x2AA, 0x55}, {1, 64}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("TDC-38", address, command, 600);
    ASSERT_TRUE(press);
    ExpectGaps(ExpectRecognised(*press, "TDC-38"), 89000);
    const Signal tap = ExpectRecognised(FirstFrame(*press), "TDC-38 tap", 600);
    EXPECT_GE(tap.frames.size(), 5u);
    ExpectGaps(tap, 89000);
    // A short press sends the frame once.
    const RecognitionResult once = RecogniseSignal(FirstFrame(*press));
    EXPECT_EQ(PlayBack(once.record, 20).frames.size(), 1u);
    for (uint64_t seed = 1; seed <= 6; ++seed) {
      const Signal received = DistortSignal(*press, seed * 7919 + command);
      ExpectRecognised(received, "TDC-38");
      ExpectRecognised(FirstFrame(received), "TDC-38 tap");
    }
  }
}

// Frames one half bit or one bit off, a start bit of 0, RC5's and TDC-56's
// half bits: no TDC-38 decode and no TDC-38 style.
TEST(Tdc, FramesOfAnotherLengthOrShapeAreRefused) {
  // 0x155 / 0x2A: bits 1 0101010101 0101010; the frame ends on a mark.
  const Signal good = *EncodeProtocol("TDC-38", 0x155, 0x2A, 300);
  ASSERT_EQ(good.frames[0].durations.back(), 315u);
  struct Case {
    const char* name;
    Signal signal;
  };
  const Case cases[] = {
      {"a bit more", EveryFrame(good, [](auto& d) { d.insert(d.end(), {315, 315}); })},
      {"a bit less", EveryFrame(good, [](auto& d) { d.resize(d.size() - 2); })},
      {"a half bit more", EveryFrame(good, [](auto& d) { d.back() += 315; })},
      // The start bit's mark lost: the frame starts at the next mark.
      {"no start bit", EveryFrame(good, [](auto& d) { d.erase(d.begin(), d.begin() + 2); })},
      {"a double half bit read as one", EveryFrame(good, [](auto& d) { d[5] = 450; })},
      {"RC5 half bits", Scaled(good, 889.0 / 315)},
      {"TDC-56 half bits", Scaled(good, 213.0 / 315)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const DecodedFrame& f : DecodeSignal(c.signal)) EXPECT_NE(f.protocol, "TDC-38");
    for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
      const std::string style = RecogniseSignal(s).style;
      EXPECT_TRUE(style.rfind("TDC-38", 0) != 0) << style;
    }
  }
}

// Durations of any size (a capture is untrusted): no frame, no overflow.
TEST(Tdc, HugeDurationsAreNoFrame) {
  std::vector<uint32_t> long_frame(40, 315);
  long_frame[17] = UINT32_MAX;
  const std::vector<uint32_t> frames[] = {
      {UINT32_MAX}, {315, UINT32_MAX, 315}, {315, 630, UINT32_MAX - 100, 315}, long_frame, {}};
  for (const std::vector<uint32_t>& d : frames) {
    EXPECT_FALSE(ir::DecodeTdc(d, 89000, 38000));
    Signal s;
    s.carrier_hz = 38000;
    s.frames = {SignalFrame{d, 89000}};
    for (const DecodedFrame& f : DecodeSignal(s)) EXPECT_NE(f.protocol.substr(0, 3), "TDC");
  }
}

// The corpus's IPTV remote (device 6, subdevice 10) through a real receiver:
// its presses of two frames are recognised by the held style, its first
// frame (and its one-frame recordings) by the tap style, and the records
// play back as what the remote said.
TEST(Tdc, CorpusPressesAndTapsPlayBackAsTheRemote) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  struct Case {
    const char* name;
    uint32_t command;
    size_t frames;
  };
  const Case cases[] = {
      {"Power", 22, 1},  {"Num1", 2, 2},    {"Teletext", 85, 2}, {"Search", 111, 1},
      {"Fast_fwd", 70, 2}, {"Record", 57, 2}, {"Num0", 21, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Signal& recorded : CorpusSignals("TVs/Telekom/Telekom_Entertain.ir", c.name)) {
      const std::string want = Values("TDC-38", Address(6, 10), c.command);
      ASSERT_EQ(Said(recorded), want);
      ASSERT_EQ(recorded.frames.size(), c.frames);
      if (c.frames >= 2) {
        const RecognitionResult r = RecogniseSignal(recorded);
        EXPECT_EQ(r.style, "TDC-38");
        EXPECT_EQ(Said(PlayBack(r.record)), want);
      }
      const Signal tap = FirstFrame(recorded);
      const RecognitionResult t = RecogniseSignal(tap);
      EXPECT_EQ(t.style, "TDC-38 tap");
      EXPECT_EQ(PlayBack(t.record, 20).frames.size(), 1u);
      const Signal held = PlayBack(t.record, 1000);
      EXPECT_GE(held.frames.size(), 9u);
      EXPECT_EQ(Said(held), want);
      ExpectGaps(held, 89000);
    }
  }
}

}  // namespace
}  // namespace tvq31
