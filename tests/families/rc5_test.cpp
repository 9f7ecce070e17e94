// RC5, RC5X and RC5-20: encoder and decoder, the held and tap styles, real
// recordings of the corpus.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using familytest::CorpusSignals;
using familytest::EveryFrame;
using familytest::ExpectRecognised;
using familytest::FirstFrame;
using familytest::PlayBack;
using familytest::ReadAs;
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
  // A bit more is the 15-bit RC5-7F frame (Rc5SevenBit tests it): none of
  // these is read as RC5 or RC5X, nor taken by a 14-bit style.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const DecodedFrame& f : DecodeSignal(c.signal)) {
      EXPECT_NE(f.protocol, "RC5");
      EXPECT_NE(f.protocol, "RC5X");
    }
    for (Signal s : {c.signal, FirstFrame(c.signal)}) {
      const std::string style = RecogniseSignal(s).style;
      if (FamilyOfName(style) == "RC5") {
        EXPECT_EQ(style.rfind("RC5-7F", 0), 0u) << style;
      }
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


// RC5-7F: the 15-bit frame with a 6-bit device and a 7-bit function.
TEST(Rc5SevenBit, EncodedPressesDecodeAndPlayBack) {
  struct Case {
    uint32_t address, command;
  };
  // Device bit 6 set and clear (its inverted copy is the second bit), the
  // function's high bit set and clear, all zero, all one.
  const Case cases[] = {{0x00, 0x00}, {0x3F, 0x7F}, {0x20, 0x01}, {0x1F, 0x40}, {0x2A, 0x55}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.address) + "/" + std::to_string(c.command));
    const Signal held = *EncodeProtocol("RC5-7F", c.address, c.command, 500);
    const std::string want = Values("RC5-7F", c.address, c.command);
    ASSERT_EQ(Said(held), want);
    EXPECT_EQ(Said(Scaled(held, 0.95)), want);
    for (const DecodedFrame& f : DecodeSignal(held)) EXPECT_EQ(f.protocol, "RC5-7F");
    uint64_t length = 0;
    for (uint32_t d : held.frames[0].durations) length += d;
    EXPECT_NEAR(length + held.frames[0].gap, 114000, 10);
    for (const Signal& s : {held, DistortSignal(held, 7)}) {
      EXPECT_EQ(Said(s), want);
      const Signal back = ExpectRecognised(s, "RC5-7F");
      ASSERT_GE(back.frames.size(), 2u);
      const RecognitionResult t = RecogniseSignal(FirstFrame(s));
      EXPECT_EQ(t.style, "RC5-7F tap");
      EXPECT_EQ(PlayBack(t.record, 20).frames.size(), 1u);
      const Signal long_press = PlayBack(t.record, 1000);
      ASSERT_GE(long_press.frames.size(), 8u);
      EXPECT_EQ(Said(long_press), want);
      for (size_t f = 0; f + 1 < long_press.frames.size(); ++f) {
        uint64_t frame = 0;
        for (uint32_t d : long_press.frames[f].durations) frame += d;
        EXPECT_NEAR(frame + long_press.frames[f].gap, 114000, 1500) << "frame " << f;
      }
    }
  }
  EXPECT_FALSE(EncodeProtocol("RC5-7F", 0x40, 0));
  EXPECT_FALSE(EncodeProtocol("RC5-7F", 0, 0x80));
}

// Bi-phase frames of `bits` bits on RC5's timing, a frame every 114 ms.
Signal BiPhaseFrames(uint32_t data, int bits) {
  Signal s;
  s.carrier_hz = 36000;
  std::vector<uint32_t> d;
  auto add = [&](bool mark) {
    const bool last_is_mark = (d.size() % 2) == 1;
    if (d.empty() && !mark) return;  // the silent first half is not seen
    if (!d.empty() && last_is_mark == mark) {
      d.back() += 889;
    } else {
      d.push_back(889);
    }
  };
  for (int bit = bits - 1; bit >= 0; --bit) {
    const bool one = ((data >> bit) & 1U) != 0;
    add(!one);
    add(one);
  }
  if (d.size() % 2 == 0) d.pop_back();  // a closing space is the gap
  uint64_t length = 0;
  for (uint32_t x : d) length += x;
  for (int f = 0; f < 3; ++f) s.frames.push_back({d, static_cast<uint32_t>(114000 - length)});
  return s;
}

// One bit less (RC5's 14) or one more: no RC5-7F, by decoder or style.
TEST(Rc5SevenBit, FramesOfFourteenOrSixteenBitsAreNotRc5_7F) {
  struct Case {
    const char* name;
    Signal signal;
  };
  const Case cases[] = {
      {"14 bits", BiPhaseFrames(0x3555, 14)},
      {"14 bits, RC5", *EncodeProtocol("RC5", 0x15, 0x2A, 300)},
      {"16 bits", BiPhaseFrames(0xD555, 16)},
      {"16 bits of ones", BiPhaseFrames(0xFFFF, 16)},
      {"15 bits as control", BiPhaseFrames(0x6AAA, 15)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool control = std::string(c.name) == "15 bits as control";
    EXPECT_EQ(ReadAs(c.signal, "RC5-7F"), control);
    for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
      const std::string style = RecogniseSignal(s).style;
      EXPECT_EQ(style.rfind("RC5-7F", 0) == 0, control) << style;
    }
  }
}

// RC5-20 values for each way the pause meets its neighbours: the last bit
// before it (the device's low bit) ends with silence for a zero, the first
// bit after it (bit 5 of S, the command's bit 11) starts with silence for
// a one; the pause is then one space of 4, 5 or 6 half bits.
struct PauseCase {
  const char* name;
  uint32_t address, command;
};
constexpr PauseCase kPauseCases[] = {
    {"pause alone", 0x07, 0x300},          // D ...1, S ...0.....
    {"zero before", 0x10, 0x3C8},          // D ...0
    {"one after", 0x1B, 0x801},            // S 1.....
    {"zero before, one after", 0x18, 0xFCB},
    {"all zero", 0x00, 0x0000},
    {"all one", 0x1F, 0x1FFF},
};

// The space the pause makes, in half bits: the longest space of the frame.
uint32_t PauseHalves(const Signal& s) {
  uint32_t longest = 0;
  const std::vector<uint32_t>& d = s.frames.front().durations;
  for (size_t i = 1; i < d.size(); i += 2) longest = std::max(longest, d[i]);
  return (longest + 444) / 889;
}

TEST(Rc5Paused, EncodedPressesDecodeToTheirValues) {
  const uint32_t expected_pause[] = {4, 5, 5, 6, 5, 5};
  for (size_t k = 0; k < std::size(kPauseCases); ++k) {
    const PauseCase& c = kPauseCases[k];
    SCOPED_TRACE(c.name);
    std::optional<Signal> s = EncodeProtocol("RC5-20", c.address, c.command);
    ASSERT_TRUE(s);
    EXPECT_EQ(PauseHalves(*s), expected_pause[k]);
    // 114 ms from frame to frame.
    uint64_t length = 0;
    for (uint32_t d : s->frames[0].durations) length += d;
    EXPECT_NEAR(length + s->frames[0].gap, 114000, 10);
    const std::string want = Values("RC5-20", c.address, c.command);
    EXPECT_EQ(Said(*s), want);
    EXPECT_EQ(Said(DistortSignal(*s, 5)), want);
    EXPECT_EQ(Said(Scaled(*s, 0.95)), want);
    for (const DecodedFrame& f : DecodeSignal(*s)) EXPECT_EQ(f.protocol, "RC5-20");
  }
  EXPECT_FALSE(EncodeProtocol("RC5-20", 0x20, 0));
  EXPECT_FALSE(EncodeProtocol("RC5-20", 0, 0x2000));
}

// Held and tapped, clean and through the receiver: the half-bit styles
// take every merge case, and the record sends the frame the remote sent.
TEST(Rc5Paused, EveryPauseCaseIsRecognisedAndPlaysBack) {
  for (const PauseCase& c : kPauseCases) {
    SCOPED_TRACE(c.name);
    const Signal held = *EncodeProtocol("RC5-20", c.address, c.command, 500);
    for (const Signal& s : {held, DistortSignal(held, 11)}) {
      const Signal back = ExpectRecognised(s, "RC5-20");
      ASSERT_GE(back.frames.size(), 2u);
      uint64_t length = 0;
      for (uint32_t d : back.frames[0].durations) length += d;
      EXPECT_NEAR(length + back.frames[0].gap, 114000, 1500);
      const RecognitionResult t = RecogniseSignal(FirstFrame(s));
      EXPECT_EQ(t.style, "RC5-20 tap");
      EXPECT_EQ(PlayBack(t.record, 20).frames.size(), 1u);
      const Signal long_press = PlayBack(t.record, 1000);
      ASSERT_GE(long_press.frames.size(), 8u);
      EXPECT_EQ(Said(long_press), Values("RC5-20", c.address, c.command));
      for (size_t f = 0; f + 1 < long_press.frames.size(); ++f) {
        uint64_t frame = 0;
        for (uint32_t d : long_press.frames[f].durations) frame += d;
        EXPECT_NEAR(frame + long_press.frames[f].gap, 114000, 1500) << "frame " << f;
      }
    }
  }
}

// A bit more or less, a pause of 3 or 5 half bits, an RC5 frame: none is
// read as RC5-20 (nor RC5), and what a style of ours takes of them plays
// back as no RC5-20 key. The styles count half bits, so a frame one half
// bit off may still be learned; its record then sends it as it came.
TEST(Rc5Paused, FramesOfAnotherShapeAreNotRc5_20) {
  const Signal good = *EncodeProtocol("RC5-20", 0x07, 0x300, 300);  // pause alone: 3556 us
  auto pause_at = [](const std::vector<uint32_t>& d) {
    return static_cast<size_t>(std::max_element(d.begin(), d.end()) - d.begin());
  };
  struct Case {
    const char* name;
    Signal signal;
  };
  const Case cases[] = {
      // 0x300 ends ...000000: the frame ends with a mark (its space in the gap).
      {"a bit more",
       EveryFrame(good, [](std::vector<uint32_t>& d) { d.insert(d.end(), {889, 889}); })},
      {"a bit less", EveryFrame(good, [](std::vector<uint32_t>& d) { d.resize(d.size() - 2); })},
      {"pause of 3", EveryFrame(good, [&](std::vector<uint32_t>& d) { d[pause_at(d)] = 3 * 889; })},
      {"pause of 5", EveryFrame(good, [&](std::vector<uint32_t>& d) { d[pause_at(d)] = 5 * 889; })},
      {"pause of 8", EveryFrame(good, [&](std::vector<uint32_t>& d) { d[pause_at(d)] = 8 * 889; })},
      {"RC5", *EncodeProtocol("RC5", 0x07, 0x0C, 300)},
      {"RC5X", *EncodeProtocol("RC5X", 0x1F, 0x7F, 300)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const DecodedFrame& f : DecodeSignal(c.signal)) EXPECT_NE(f.protocol, "RC5-20");
    for (Signal s : {c.signal, FirstFrame(c.signal)}) {
      const RecognitionResult r = RecogniseSignal(s);
      if (r.record.empty()) continue;
      // The decoders read no RC5-20 in it, so neither in what is sent.
      EXPECT_EQ(Said(PlayBack(r.record, 20)), Said(s)) << r.style;
    }
  }
}

// Marantz remotes recorded through a real receiver, one key for each way
// the pause meets its neighbours.
TEST(Rc5Paused, CorpusPressesAndTapsPlayBackAsTheRemote) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  struct Case {
    const char* file;
    const char* name;
    uint64_t address, command;
    uint32_t pause_halves;
  };
  const Case cases[] = {
      {"Blu-Ray/Marantz/Marantz_UD7007_(RC006UD).ir", "Power", 7, 768, 4},
      {"Blu-Ray/Marantz/Marantz_BD8002.ir", "Power", 7, 770, 4},
      {"Audio_and_Video_Receivers/Marantz/Marantz_RC042SR.ir", "Info", 16, 968, 5},
      {"Audio_and_Video_Receivers/Marantz/Marantz_RC042SR.ir", "Ch_next", 27, 2068, 5},
      {"Audio_and_Video_Receivers/Marantz/Marantz_RC042SR.ir", "Tune+", 27, 2049, 5},
      {"Audio_and_Video_Receivers/Marantz/Marantz_RC042SR.ir", "USB", 24, 4043, 6},
      {"CD_Players/Marantz/Marantz_RC2100DR/Marantz_RC2100DR_CDR.ir", "Door", 26, 2880, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.name);
    for (const Signal& press : CorpusSignals(c.file, c.name)) {
      const std::string want = Values("RC5-20", c.address, c.command);
      ASSERT_EQ(Said(press), want);
      EXPECT_EQ(PauseHalves(press), c.pause_halves);
      if (press.frames.size() >= 2) ExpectRecognised(press, "RC5-20");
      const RecognitionResult t = RecogniseSignal(FirstFrame(press));
      EXPECT_EQ(t.style, "RC5-20 tap");
      EXPECT_EQ(Said(PlayBack(t.record, 20)), want);
      EXPECT_EQ(Said(PlayBack(t.record, 1000)), want);
    }
  }
}

}  // namespace
}  // namespace tvq31
