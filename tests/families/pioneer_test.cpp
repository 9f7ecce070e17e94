// Pioneer: encoder and decoder, the held style of two codes and the tap
// style, kept apart from NEC; real recordings of the corpus.
#include <gtest/gtest.h>

#include "family_rig.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

// A key of two codes as the remotes send it: A, B, A, B, ... 26.5 ms apart.
Signal TwoCodes(uint32_t a_address, uint32_t a_command, uint32_t b_address, uint32_t b_command,
                int frames) {
  const Signal a = *EncodeProtocol("Pioneer", a_address, a_command, 0);
  const Signal b = *EncodeProtocol("Pioneer", b_address, b_command, 0);
  Signal s = a;
  s.frames.clear();
  for (int i = 0; i < frames; ++i) s.frames.push_back((i % 2 == 0 ? a : b).frames[0]);
  return s;
}

TEST(Pioneer, EncodedPressesDecodeToTheirValues) {
  const struct {
    uint32_t address, command;
  } cases[] = {{0xA5, 0x1C}, {0x00, 0xFF}, {0xAF, 0x29}, {0x12AB, 0x40}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    const Signal s = *EncodeProtocol("Pioneer", c.address, c.command, 300);
    EXPECT_EQ(Said(s), Values("Pioneer", c.address, c.command));
    EXPECT_EQ(Said(DistortSignal(s, 4)), Values("Pioneer", c.address, c.command));
    EXPECT_EQ(Said(FirstFrame(DistortSignal(s, 5))), Values("Pioneer", c.address, c.command));
  }
  EXPECT_FALSE(EncodeProtocol("Pioneer", 0x10000, 0));
  EXPECT_FALSE(EncodeProtocol("Pioneer", 0, 0x100));
}

TEST(Pioneer, KeysOfTwoCodesComeBackWithBoth) {
  for (int frames : {2, 4, 5}) {
    SCOPED_TRACE(frames);
    const Signal press = DistortSignal(TwoCodes(0xA5, 0x5A, 0xAF, 0x29, frames), frames);
    const Signal back = ExpectRecognised(press, "Pioneer");
    EXPECT_EQ(Said(back), Values("Pioneer", 0xA5, 0x5A) + ", " + Values("Pioneer", 0xAF, 0x29));
    // Sent on Pioneer's unit: zero spaces below 547 us, where NEC-like
    // decoders of Pioneer stop.
    ASSERT_FALSE(back.frames.empty());
    for (size_t i = 3; i + 1 < back.frames[0].durations.size(); i += 2) {
      const uint32_t space = back.frames[0].durations[i];
      EXPECT_TRUE(space < 547 || (space > 1500 && space < 1650)) << i << ": " << space;
    }
  }
}

TEST(Pioneer, RecordedRemotesAreReadAndComeBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const std::string receivers = "Audio_and_Video_Receivers/Pioneer/";
  for (const Signal& s : CorpusSignals(receivers + "Pioneer_RC-974R.ir", "Preset_2")) {
    EXPECT_EQ(Said(s), Values("Pioneer", 0xA5, 0x5A) + ", " + Values("Pioneer", 0xAF, 0x29));
    ExpectRecognised(s, "Pioneer");
    // Its tap keeps the first code (a single frame has no second).
    ExpectRecognised(FirstFrame(s), "Pioneer tap", 300);
  }
  for (const Signal& s : CorpusSignals(receivers + "Pioneer SX-Q180.ir", "2")) {
    EXPECT_EQ(Said(s), Values("Pioneer", 0xA6, 0x01));
    ExpectRecognised(s, "Pioneer tap", 300);
  }
}

TEST(Pioneer, OtherShapesAreRefused) {
  const Signal good = DistortSignal(*EncodeProtocol("Pioneer", 0xA5, 0x1C, 300), 1);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 40); })},
      {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 40); })},
      {"half leader", EveryFrame(good, [](auto& d) { d[0] /= 2; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Pioneer"));
    EXPECT_NE(FamilyOfName(RecogniseSignal(c.signal).style), "Pioneer");
    EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(c.signal)).style), "Pioneer");
  }
  // Held, the period tells Pioneer from NEC whatever the leader; a single
  // frame with NEC's leader is NEC.
  Signal nec_leader = FirstFrame(EveryFrame(good, [](auto& d) { d[0] = 9100, d[1] = 4450; }));
  nec_leader.frames[0].gap = 0;  // no next frame
  EXPECT_EQ(Said(nec_leader), Values("NEC", 0xA5, 0x1C));
  EXPECT_EQ(FamilyOfName(RecogniseSignal(nec_leader).style), "NEC");
}

}  // namespace
}  // namespace tvq31
