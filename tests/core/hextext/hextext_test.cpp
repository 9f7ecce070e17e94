#include "hextext/hextext.h"

#include <gtest/gtest.h>

namespace tvq31 {
namespace {

TEST(ReadHexNumber, ReadsLikeDollarPrefixedSigned32) {
  struct Case {
    const char* text;
    std::optional<int32_t> want;
  } cases[] = {
      {"00", 0},          {"1A", 26},          {"ff", 255},
      {"7FFF", 32767},    {"FEFE", 0xFEFE},    {"7FFFFFFF", 0x7FFFFFFF},
      {"FFFFFFFF", -1},   {"FFFFFFF6", -10},   {"000000001", 1},
      {"", std::nullopt}, {"1G", std::nullopt}, {"100000000", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadHexNumber(c.text), c.want) << "text '" << c.text << "'";
  }
  EXPECT_EQ(ReadHexNumber(std::string_view("0\0", 2)), std::nullopt);
}

TEST(WriteHex, PadsWidensAndWritesNegativesAsEightDigits) {
  struct Case {
    int64_t value;
    int width;
    const char* want;
  } cases[] = {
      {0, 4, "0000"},      {0x22EE, 4, "22EE"},   {0x12345, 4, "12345"},
      {-10, 4, "FFFFFFF6"}, {-1, 2, "FFFFFFFF"}, {37, 2, "25"},
      {5, 1, "5"},         {255, 2, "FF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WriteHex(c.value, c.width), c.want) << c.value;
  }
}

TEST(ByteHex, TwoUpperCaseDigitsOfTheLowByte) {
  EXPECT_EQ(ByteHex(0), "00");
  EXPECT_EQ(ByteHex(0xCF), "CF");
  EXPECT_EQ(ByteHex(0x1AB), "AB");
}

}  // namespace
}  // namespace tvq31

#include "hextext/jsontext.h"

namespace tvq31 {
namespace {

TEST(JsonString, EscapesQuotesBackslashesAndNonPrintableBytes) {
  EXPECT_EQ(JsonString("NEC"), "\"NEC\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString(std::string_view("\0\n\xB0", 3)), "\"\\u0000\\u000A\\u00B0\"");
}

}  // namespace
}  // namespace tvq31
