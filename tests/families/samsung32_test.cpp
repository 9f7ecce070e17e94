// Samsung32 (with its short repeat code) and Samsung36: encoder and
// decoder, held and tap styles, real recordings of the corpus.
#include <gtest/gtest.h>

#include "family_rig.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Samsung, EncodedPressesDecodeToTheirValues) {
  const struct {
    const char* protocol;
    uint32_t address, command;
  } cases[] = {
      {"Samsung32", 0x07, 0x02},   {"Samsung32", 0x12E0, 0x40}, {"Samsung32", 0x00, 0xFF},
      {"Samsung36", 0x0020, 0x700}, {"Samsung36", 0xFFFF, 0xFFF}, {"Samsung36", 0x1234, 0x0AB},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address));
    const Signal s = *EncodeProtocol(c.protocol, c.address, c.command, 300);
    EXPECT_EQ(Said(s), Values(c.protocol, c.address, c.command));
    EXPECT_EQ(Said(DistortSignal(s, 6)), Values(c.protocol, c.address, c.command));
  }
  EXPECT_FALSE(EncodeProtocol("Samsung36", 0x10000, 0));
  EXPECT_FALSE(EncodeProtocol("Samsung36", 0, 0x1000));
}

TEST(Samsung, HeldAndTappedPressesComeBack) {
  const struct {
    const char* protocol;
    uint32_t address, command;
    uint32_t gap_us;  // between the frames the tap's record sends
  } cases[] = {{"Samsung32", 0x07, 0x02, 47000}, {"Samsung36", 0x0020, 0x700, 59000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol);
    const Signal s = DistortSignal(*EncodeProtocol(c.protocol, c.address, c.command, 500), 2);
    ExpectRecognised(s, c.protocol);
    const Signal back = ExpectRecognised(FirstFrame(s), std::string(c.protocol) + " tap", 500);
    EXPECT_GE(back.frames.size(), 4u);
    ExpectGaps(back, c.gap_us);
  }
}

TEST(Samsung, ShortRepeatCodesAreKept) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  for (const Signal& s : CorpusSignals("CD_Players/LG/LG.ir", "Sound Effect")) {
    const std::vector<DecodedFrame> frames = DecodeSignal(s);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[1].repeat);
    EXPECT_TRUE(frames[2].repeat);
    const Signal back = ExpectRecognised(s, "Samsung32 short");
    EXPECT_EQ(Said(back), Values("Samsung32", 0x10, 0x40));
    for (size_t f = 1; f < back.frames.size(); ++f) {
      EXPECT_EQ(back.frames[f].durations.size(), 5u);
    }
  }
}

TEST(Samsung, RecordedRemotesAreReadAndComeBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  for (const Signal& s : CorpusSignals("Blu-Ray/Samsung/Samsung_AK59_00149A.ir", "POWER")) {
    EXPECT_EQ(Said(s), Values("Samsung36", 0x20, 0x700));
    ExpectRecognised(s, "Samsung36");
    ExpectRecognised(FirstFrame(s), "Samsung36 tap", 300);
  }
  for (const Signal& s : CorpusSignals("Blu-Ray/Samsung/Samsung_BD-D5300.ir", "Power")) {
    ExpectRecognised(s, "Samsung36 tap", 300);
  }
  for (const Signal& s : CorpusSignals("CD_Players/LG/LG.ir", "Repeat")) {
    EXPECT_EQ(Said(s), Values("Samsung32", 0x10, 0x4E));
    ExpectRecognised(s, "Samsung32 tap", 300);
  }
}

TEST(Samsung, OtherShapesAreRefused) {
  const Signal s32 = DistortSignal(*EncodeProtocol("Samsung32", 0x07, 0x02, 300), 1);
  const Signal s36 = DistortSignal(*EncodeProtocol("Samsung36", 0x20, 0x700, 300), 1);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"Samsung32 a bit short", EveryFrame(s32, [](auto& d) { DropBit(d, 20); })},
      {"Samsung32 a bit long", EveryFrame(s32, [](auto& d) { RepeatBit(d, 20); })},
      {"Samsung36 address a bit short", EveryFrame(s36, [](auto& d) { DropBit(d, 10); })},
      {"Samsung36 command a bit long", EveryFrame(s36, [](auto& d) { RepeatBit(d, 50); })},
      {"Samsung36 no middle space", EveryFrame(s36, [](auto& d) { d[35] = 500; })},
      {"NEC leader", EveryFrame(s32, [](auto& d) { d[0] = 9000; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Samsung32"));
    EXPECT_FALSE(ReadAs(c.signal, "Samsung36"));
    EXPECT_NE(FamilyOfName(RecogniseSignal(c.signal).style), "Samsung32");
    EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(c.signal)).style), "Samsung32");
  }
}

}  // namespace
}  // namespace tvq31
