// RC5 and RC5X: encoder and decoder, the held and tap styles, real
// recordings of the corpus.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using familytest::CorpusSignals;
using familytest::FirstFrame;
using familytest::PlayBack;
using familytest::RecogniseSignal;
using familytest::Said;
using familytest::Values;

// Every duration scaled: the corpus's RC5 remotes run about 5 % fast.
Signal Scaled(Signal s, double factor) {
  for (SignalFrame& f : s.frames) {
    for (uint32_t& d : f.durations) d = static_cast<uint32_t>(d * factor + 0.5);
    f.gap = static_cast<uint32_t>(f.gap * factor + 0.5);
  }
  return s;
}

TEST(Rc5, EncodedPressesDecodeToTheirValues) {
  struct Case {
    const char* protocol;
    uint32_t address, command;
    const char* decoded;  // RC5X with the 7th command bit clear is RC5
  };
  const Case cases[] = {
      {"RC5", 0x00, 0x00, "RC5"},  {"RC5", 0x1F, 0x3F, "RC5"},   {"RC5", 0x05, 0x2A, "RC5"},
      {"RC5X", 0x05, 0x4A, "RC5X"}, {"RC5X", 0x1F, 0x7F, "RC5X"}, {"RC5X", 0x03, 0x15, "RC5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address) + "/" +
                 std::to_string(c.command));
    std::optional<Signal> s = EncodeProtocol(c.protocol, c.address, c.command);
    ASSERT_TRUE(s);
    const std::string want = Values(c.decoded, c.address, c.command);
    EXPECT_EQ(Said(*s), want);
    // As a receiver measures it, and from a remote 5 % fast.
    EXPECT_EQ(Said(DistortSignal(*s, 3)), want);
    EXPECT_EQ(Said(Scaled(*s, 0.95)), want);
    // Every frame of the held press is read, with nothing left over.
    for (const DecodedFrame& f : DecodeSignal(*s)) EXPECT_EQ(f.protocol, c.decoded);
  }
}

TEST(Rc5, OutOfRangeValuesAreRefused) {
  EXPECT_FALSE(EncodeProtocol("RC5", 0x20, 0));
  EXPECT_FALSE(EncodeProtocol("RC5", 0, 0x40));
  EXPECT_FALSE(EncodeProtocol("RC5X", 0, 0x80));
}

// One bi-phase bit (two half bits) more or less, or a frame that starts
// with a leader: no RC5 decode, no RC5 style.
TEST(Rc5, FramesOfAnotherLengthOrShapeAreRefused) {
  const Signal good = *EncodeProtocol("RC5", 0x05, 0x2A, 300);
  auto changed = [&](auto change) {
    Signal s = good;
    for (SignalFrame& f : s.frames) change(f.durations);
    return s;
  };
  struct Case {
    const char* name;
    Signal signal;
  };
  const Case cases[] = {
      // 0x2A ends ...1010: the frame ends with a mark then its space.
      {"a bit more", changed([](std::vector<uint32_t>& d) { d.insert(d.end(), {889, 889}); })},
      {"a bit less", changed([](std::vector<uint32_t>& d) { d.resize(d.size() - 2); })},
      {"leader", changed([](std::vector<uint32_t>& d) { d.insert(d.begin(), {2666, 889}); })},
      {"halves of 500 us", Scaled(good, 0.56)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const DecodedFrame& f : DecodeSignal(c.signal)) EXPECT_NE(f.protocol.substr(0, 3), "RC5");
    for (Signal s : {c.signal, FirstFrame(c.signal)}) {
      EXPECT_NE(FamilyOfName(RecogniseSignal(s).style), "RC5");
    }
  }
}

// Durations of any size (a capture is untrusted) are read as no RC5 or RC6
// frame, without overflow.
TEST(Rc5, HugeDurationsAreNoFrame) {
  const std::vector<uint32_t> frames[] = {
      {UINT32_MAX},
      {889, UINT32_MAX, 889},
      {889, 889, UINT32_MAX - 100, 889},
      {2666, 889, UINT32_MAX, 444},
  };
  for (const std::vector<uint32_t>& d : frames) {
    Signal s;
    s.carrier_hz = 36000;
    s.frames = {SignalFrame{d, 100000}};
    for (const DecodedFrame& f : DecodeSignal(s)) EXPECT_TRUE(f.protocol.empty()) << f.protocol;
  }
}

// Real remotes through a real receiver: the held press is recognised by
// the held style, its first frame alone (a tap) by the tap style, and the
// record of either plays back what the remote said.
TEST(Rc5, CorpusPressesAndTapsPlayBackAsTheRemote) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  struct Case {
    const char* file;
    const char* name;
    const char* protocol;
    uint64_t address, command;
    const char* held_style;  // the 38 kHz remotes' shorter half bits leave the 889 us style
    const char* tap_style;
  };
  const Case cases[] = {
      {"TVs/Grundig/GRUNDIG_UNKNOWN.ir", "Power", "RC5", 0, 12, "RC5", "RC5 tap"},
      {"TVs/Hisense/Hisense_ER22601A.ir", "Menu", "RC5", 0, 46, "RC5", "RC5 tap"},
      {"TVs/Grundig/Grundig_2.ir", "Up", "RC5", 0, 22, "RC5 38k", "RC5 38k tap"},
      {"TVs/Grundig/Grundig_AndroidTV.ir", "Blue", "RC5", 0, 52, "", "RC5 38k tap"},
      {"Audio_and_Video_Receivers/Marantz/Marantz_SR_7009_(RC026SR).ir", "UP", "RC5X", 16, 80, "",
       "RC5 tap"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.name);
    for (const Signal& held : CorpusSignals(c.file, c.name)) {
      const std::string want = Values(c.protocol, c.address, c.command);
      ASSERT_EQ(Said(held), want);
      if (held.frames.size() >= 2) {
        const RecognitionResult r = RecogniseSignal(held);
        EXPECT_EQ(r.style, c.held_style);
        EXPECT_EQ(Said(PlayBack(r.record)), want);
      }
      const Signal tap = FirstFrame(held);
      const RecognitionResult t = RecogniseSignal(tap);
      EXPECT_EQ(t.style, c.tap_style);
      // A short press sends the one frame; a held key the frame every
      // period.
      const Signal once = PlayBack(t.record, 20);
      EXPECT_EQ(once.frames.size(), 1u);
      EXPECT_EQ(Said(once), want);
      const Signal long_press = PlayBack(t.record, 1000);
      ASSERT_GE(long_press.frames.size(), 8u);
      EXPECT_EQ(Said(long_press), want);
      const SignalFrame& first = long_press.frames[0];
      uint64_t length = 0;
      for (uint32_t d : first.durations) length += d;
      const double period = std::string(c.tap_style) == "RC5 tap" ? 113778 : 107790;
      EXPECT_NEAR(length + first.gap, period, 1500);
    }
  }
}

}  // namespace
}  // namespace tvq31
