// RC6 modes 0 and 6A (20, 24, 32 bits, the MCE form): encoder and decoder,
// held and tap styles, real recordings.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using familytest::ExpectRecognised;
using familytest::FirstFrame;
using familytest::PlayBack;
using familytest::RecogniseSignal;
using familytest::Said;
using familytest::Values;

// An RC6-shaped frame from its parts, to build frames no encoder makes:
// the leader, start bit 1, `mode`, the double trailer bit, `bits`.
Signal Rc6Frame(int mode, const std::vector<int>& bits, bool leader = true) {
  std::vector<int> halves;  // in 444 us units, 1 = carrier
  auto bit = [&](int b, int n) {
    for (int i = 0; i < n; ++i) halves.push_back(b ? 1 : 0);
    for (int i = 0; i < n; ++i) halves.push_back(b ? 0 : 1);
  };
  bit(1, 1);
  for (int i = 2; i >= 0; --i) bit((mode >> i) & 1, 1);
  bit(0, 2);
  for (int b : bits) bit(b, 1);
  SignalFrame f;
  if (leader) f.durations = {2666, 889};
  for (size_t i = 0; i < halves.size();) {
    size_t j = i;
    while (j < halves.size() && halves[j] == halves[i]) ++j;
    const uint32_t d = static_cast<uint32_t>((j - i) * 444);
    if (f.durations.empty() && halves[i] == 0) {
      // a frame starts with a mark
    } else if (!f.durations.empty() && (f.durations.size() % 2 == 1) == (halves[i] == 1)) {
      f.durations.back() += d;
    } else {
      f.durations.push_back(d);
    }
    i = j;
  }
  if (f.durations.size() % 2 == 0) f.durations.pop_back();
  f.gap = 80000;
  Signal s;
  s.carrier_hz = 36000;
  s.frames = {f, f, f};
  return s;
}

std::vector<int> Bits(uint64_t value, int count) {
  std::vector<int> out;
  for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<int>((value >> i) & 1));
  return out;
}

struct Form {
  const char* protocol;
  uint32_t address, command;
  const char* held_style;
  const char* tap_style;
};

// Each form is read back by the decoder (also as a receiver measures it),
// recognised held by its style and as a tap by its tap style, and the
// records play back what was sent.
TEST(Rc6, EveryFormRoundTripsThroughDecoderAndStyles) {
  const Form forms[] = {
      {"RC6", 0x00, 0x0C, "RC6", "RC6 tap"},
      {"RC6", 0xA5, 0xFF, "RC6", "RC6 tap"},
      {"RC6-6-20", 0xABC, 0x12, "RC6-6-20", "RC6-6-20 tap"},
      {"RC6-6-24", 0xA5C3, 0x81, "RC6-6-24", "RC6-6-24 tap"},
      {"RC6-6-32", 0x123456, 0x78, "RC6-6-32", "RC6-6-32 tap"},
      {"MCE", 0x0F04, 0x0D, "RC6-6-32", "RC6-6-32 tap"},
  };
  for (const Form& f : forms) {
    SCOPED_TRACE(std::string(f.protocol) + " " + std::to_string(f.address) + "/" +
                 std::to_string(f.command));
    std::optional<Signal> s = EncodeProtocol(f.protocol, f.address, f.command);
    ASSERT_TRUE(s);
    const std::string want = Values(f.protocol, f.address, f.command);
    EXPECT_EQ(Said(*s), want);
    for (uint64_t seed : {1u, 2u, 3u}) {
      const Signal received = DistortSignal(*s, seed);
      EXPECT_EQ(Said(received), want);
      ExpectRecognised(received, f.held_style);
    }
    const Signal tap = FirstFrame(DistortSignal(*s, 4));
    const RecognitionResult t = RecogniseSignal(tap);
    EXPECT_EQ(t.style, f.tap_style);
    EXPECT_EQ(PlayBack(t.record, 20).frames.size(), 1u);
    EXPECT_EQ(Said(PlayBack(t.record, 1000)), want);
  }
}

TEST(Rc6, ValuesThatDoNotFitAreRefused) {
  EXPECT_FALSE(EncodeProtocol("RC6", 0x100, 0));
  EXPECT_FALSE(EncodeProtocol("RC6-6-20", 0x1000, 0));
  EXPECT_FALSE(EncodeProtocol("RC6-6-24", 0, 0x100));
  EXPECT_FALSE(EncodeProtocol("MCE", 0x0080, 0));  // bit 7 is the toggle
}

TEST(Rc6, FramesOfAnotherLengthModeOrLeaderAreRefused) {
  struct Case {
    const char* name;
    Signal signal;
    bool style_refuses;  // the template counts symbols; it cannot read the mode bits
  };
  const Case cases[] = {
      {"mode 0, 15 bits", Rc6Frame(0, Bits(0x1234, 15)), true},
      {"mode 0, 17 bits", Rc6Frame(0, Bits(0x1234, 17)), true},
      {"mode 6, 19 bits", Rc6Frame(6, Bits(0x12345, 19)), true},
      {"mode 6, 21 bits", Rc6Frame(6, Bits(0x12345, 21)), true},
      {"mode 6, 16 bits", Rc6Frame(6, Bits(0x1234, 16)), false},
      {"mode 3, 16 bits", Rc6Frame(3, Bits(0x1234, 16)), false},
      {"no leader", Rc6Frame(0, Bits(0x1234, 16), false), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const DecodedFrame& f : DecodeSignal(c.signal)) {
      EXPECT_TRUE(f.protocol.empty()) << f.protocol;
    }
    if (c.style_refuses) {
      EXPECT_NE(FamilyOfName(RecogniseSignal(c.signal).style), "RC6");
      EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(c.signal)).style), "RC6");
    }
  }
  // The builder itself makes frames the decoder reads.
  EXPECT_EQ(Said(Rc6Frame(0, Bits(0x1234, 16))), "RC6 18/52");
}

TEST(Rc6, CorpusPressesAndTapsPlayBackAsTheRemote) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  for (const char* name : {"Stop", "Record", "Play", "Info"}) {
    SCOPED_TRACE(name);
    for (const Signal& held :
         familytest::CorpusSignals("TVs/Philips/Philips_TV_Universal.ir", name)) {
      const std::string said = Said(held);
      ASSERT_EQ(said.substr(0, 6), "RC6 0/");
      ExpectRecognised(held, "RC6");
      const RecognitionResult t = RecogniseSignal(FirstFrame(held));
      EXPECT_EQ(t.style, "RC6 tap");
      EXPECT_EQ(Said(PlayBack(t.record, 20)), said);
    }
  }
}

}  // namespace
}  // namespace tvq31
