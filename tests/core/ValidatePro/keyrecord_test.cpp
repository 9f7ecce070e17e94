#include "ValidatePro/keyrecord.h"

#include <gtest/gtest.h>

#include "test_styles.h"

namespace tvq31 {
namespace {

using namespace testing_styles;

TEST(PackSymbols, PacksFirstLetterInTopBits) {
  struct Case {
    const char* letters;
    bool quad;
    const char* want;
  } cases[] = {
      {"vxuw", true, "5372"},      {"u", true, "5000"},  {"x", true, "50C0"},
      {"vxuwx", true, "5472"},     // a fifth letter has no bits left
      {"vuuuuuuv", false, "4781"}, {"v", false, "4080"}, {"", false, "3F00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.quad ? PackSymbolsQuad(c.letters) : PackSymbolsBinary(c.letters), c.want)
        << c.letters;
  }
}

// A two-group style of one pattern holding `elements`, sent once.
CodeStyleNode OnePattern(std::initializer_list<uint32_t> elements) {
  CodeStyleNode s;
  s.GroupCount = 2;
  s.FrameCount = 1;
  s.Frames[0] = Pattern(elements);
  s.SequenceCount = 1;
  s.Sequence[0] = Period(0, 0);
  return s;
}

TEST(EncodeData, LongDurationsTakeWhole64UnitPieces) {
  RecognitionContext ctx;
  ctx.BaseUnit = 1;
  ctx.MarkMultiplier = ctx.SpaceMultiplier = 6;  // one unit is one microsecond
  struct Case {
    uint32_t element;
    const char* want;
  } cases[] = {
      {Mark(100), "0102FFE3"},      // 64 units, then 36
      {Mark(130), "0103FFFFC1"},    // 64, 64, then 2
      {Mark(65), "0102FFC0"},       // 64, then 1 (not the out-of-range C0 + 64)
      {Mark(129), "0103FFFFC0"},
      {Mark(64), "0101FF"},
      {Mark(1), "0101C0"},
      {Space(100), "0102BFA3"},
      {Space(65), "0102BF80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeDataBinary(OnePattern({c.element}), "0000h0000", ctx), c.want)
        << std::hex << c.element;
  }
}

TEST(EncodeData, OffsetsAreTruePositionsInTheDataPart) {
  RecognitionContext ctx;
  ctx.BaseUnit = 1;
  ctx.MarkMultiplier = ctx.SpaceMultiplier = 60;  // ten microseconds a unit
  CodeStyleNode s;
  s.GroupCount = 2;
  s.FrameCount = 2;
  s.Frames[0] = Pattern({Mark(100)});
  s.Frames[1] = Pattern({Mark(200), Space(300)});
  s.SequenceCount = 2;
  s.Sequence[0] = Period(0, 10000);
  s.Sequence[1] = Gap(1, 4000);
  s.TrailerCount = 1;
  s.Trailer[0] = Gap(1, 4000);
  const std::string recognised = "0064h0064" "00C8012Ct0028";
  // Three blocks behind a three-byte table: 3, 3 + 2, 3 + 2 + 3.
  EXPECT_EQ(EncodeDataBinary(s, recognised, ctx), "030508" "01C9" "02D39D" "02D39D");
  EXPECT_EQ(EncodeDataQuad(s, recognised, ctx), "030508" "01C9" "02D39D" "02D39D");
  // Binary with one group writes only the closing block, at 1.
  s.GroupCount = 1;
  EXPECT_EQ(EncodeDataBinary(s, recognised, ctx), "01" "02D39D");
  s.TrailerCount = 0;
  EXPECT_EQ(EncodeDataBinary(s, recognised, ctx), "");
}

TEST(EncodeData, BlocksTakeLettersFromTheRecognisedText) {
  RecognitionContext ctx;
  ctx.BaseUnit = 1;
  ctx.MarkMultiplier = ctx.SpaceMultiplier = 60;
  ctx.FieldLengthsA = {4, 2, 0, 0};
  ctx.FieldLengthsB = {0, 3, 0, 0};
  CodeStyleNode s;
  s.GroupCount = 3;
  s.FreeSymbolMode = 1;
  s.FreeSymbolHigh = 3;
  s.FreeSymbolLow = 2;
  s.FrameCount = 1;
  // The encoder looks every field up by V div 16: ReferA(0x12) is field 1.
  s.Frames[0] = Pattern({Mark(100), DefineA(0, 4), ReferA(0x12), FreeSymbol(), ReferB(0x10),
                         Constant(2, 0x13)});
  s.SequenceCount = 2;
  s.Sequence[0] = Period(0, 10000);
  s.Sequence[1] = Period(0, 10000);  // the same pattern again: no second block
  const std::string recognised = "0064" "vxuw" "xv" "u" "wwx" "vx" "h0064" "0064vxuwxvuwwxvxh0064";
  EXPECT_EQ(EncodeDataQuad(s, recognised, ctx),
            "01" "06" "C9" "5372" "51D0" "74E0" "52AC" "5170");
  // Two-symbol packing of the same letters: w and x weigh 2 and 3 at their
  // bit, and only the low byte of the sum is kept.
  s.GroupCount = 2;
  EXPECT_EQ(EncodeDataBinary(s, recognised, ctx),
            "01" "06" "C9" "4360" "41C0" "70" "42E0" "4140");
}

TEST(EncodeData, ClosingBlockIsWrittenFromThePatternAlone) {
  RecognitionContext ctx;
  ctx.BaseUnit = 1;
  ctx.MarkMultiplier = ctx.SpaceMultiplier = 60;
  CodeStyleNode s;
  s.FreeSymbolMode = 1;
  s.FrameCount = 1;
  // The constant's digits 1, 2, 3 are the letters v, w, x; the two-symbol
  // encoder keeps only v. Durations are one byte each, without pieces.
  s.Frames[0] = Pattern({Mark(200), Constant(3, 0x123), FreeSymbol(), Space(300), DefineA(0, 4)});
  s.TrailerCount = 1;
  s.GroupCount = 3;
  EXPECT_EQ(EncodeDataQuad(s, "", ctx), "01" "05" "D3" "526C" "7400" "9D");
  s.GroupCount = 1;
  EXPECT_EQ(EncodeDataBinary(s, "", ctx), "01" "05" "D3" "4080" "70" "9D");
}

TEST(EncodeEntries, MarkTimeInBaseUnits) {
  RecognitionContext ctx;
  ctx.BaseUnit = 158;
  CodeStyleNode s;
  s.SequenceCount = 3;
  s.Sequence[0] = Period(0, 10800);  // the first entry is not written
  s.Sequence[1] = Period(0, 10800);  // 648000 / 158 = 4101 = 0x1005
  s.Sequence[2] = Gap(1, 4000);      // 240000 / 158 = 1518 = 0x05EE
  s.TrailerCount = 1;
  s.Trailer[0] = Gap(2, 4000);
  EXPECT_EQ(EncodeEntries(s, ctx), "05108000" "EE05C001" "EE05C002");
}

TEST(EncodeKeyRecord, CarrierByte) {
  RecognitionContext ctx;
  // As recognition leaves them: the group table is written from them.
  ctx.GroupValues[0] = {"560", "-560"};
  ctx.GroupValues[1] = {"560", "-1690"};
  CodeStyleNode s = NecStyle();
  s.CarrierSel = 5;
  s.UnitDivisor = 3;
  std::optional<std::string> record = EncodeKeyRecord(s, "", 1, ctx);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->substr(26, 2), "26");  // 5 * 7 + 3
  s.NoCarrier = 1;
  record = EncodeKeyRecord(s, "", 1, ctx);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->substr(26, 2), "80");
}

TEST(EncodeKeyRecord, NoTimeUnitNoRecord) {
  RecognitionContext ctx;
  ctx.BaseUnit = 7;
  CodeStyleNode s = NecStyle();
  s.CarrierFreq = 0;
  EXPECT_EQ(EncodeKeyRecord(s, "", 1, ctx), std::nullopt);
  s = NecStyle();
  s.UnitDivisor = 0;
  EXPECT_EQ(EncodeKeyRecord(s, "", 1, ctx), std::nullopt);
  EXPECT_EQ(ctx.BaseUnit, 7);
}

}  // namespace
}  // namespace tvq31
