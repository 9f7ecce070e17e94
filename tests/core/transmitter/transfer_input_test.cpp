// The transfer input: built by the receive step, read by the transfer
// library.
#include <gtest/gtest.h>

#include "transmitter/learnedcode.h"
#include "transmitter/rawrecord.h"
#include "transmitter/transferinput.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

// `count` frames of one 500 us mark each, 40 ms apart, after an optional
// first frame that is a lone mark of `first` (hexadecimal digits).
std::string Text(int count, const std::string& first) {
  std::string t = std::to_string(count) + "2612";
  int frames = count;
  if (!first.empty()) {
    t += first + (count == 1 ? "FEFE0014EDED" : "FEFE0028EDED");
    --frames;
  }
  for (int i = 0; i < frames; ++i) t += i + 1 < frames ? "01F4FEFE0028EDED" : "01F4EDED";
  return t;
}

TEST(TransferInput, ShortFirstFrameIsDroppedAndTheCountLowered) {
  struct Case {
    int count;
    std::string first;
    std::string want;
  };
  const std::vector<Case> cases = {
      {1, "0010", "02612"},
      {9, "001D", Text(8, "")},
      {10, "0005", Text(9, "")},
      {19, "0000", Text(18, "")},
      {10, "FFFFFFF6", Text(9, "")},  // a negative mark is shorter still
      {10, "001E", Text(10, "001E")},  // 30 us is kept
      {19, "01F4", Text(19, "01F4")},
      {1, "", Text(1, "")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AdjustLearnedCodeForTransfer(Text(c.count, c.first)), c.want) << c.count << " " << c.first;
  }
  // A first frame that is more than one mark stays.
  const std::string two_marks = "22612000A0100000AFEFE0028EDED01F4EDED";
  EXPECT_EQ(AdjustLearnedCodeForTransfer(two_marks), two_marks);
  // Text that is no learned code is handed on unchanged.
  for (const char* other : {"", "garbage", "1251"}) EXPECT_EQ(AdjustLearnedCodeForTransfer(other), other);
}

TEST(TransferInput, TwoLinesWithTheCaptionInGbk) {
  const std::string input = BuildTransferInput(0x1A, Text(10, "0005"));
  EXPECT_EQ(input, "#99|011A\r\n0:\xB0\xB4\xC5\xA5" "0:{X=310,Y=120}|" + Text(9, "") + "\r\n");
  const auto parsed = ParseTransferInput(input);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->key_code, 0x1A);
  EXPECT_EQ(parsed->learned_code, Text(9, ""));
}

TEST(TransferInput, LenientLineEndsStrictShape) {
  const std::string line2 = std::string("0:") + kGbkButton + "0:{X=310,Y=120}|" + Text(2, "");
  for (const std::string& ok : {"#99|0105\r\n" + line2 + "\r\n", "#99|0105\n" + line2, "#99|0105\r\n" + line2 + "\n\n"}) {
    const auto parsed = ParseTransferInput(ok);
    ASSERT_TRUE(parsed) << ok;
    EXPECT_EQ(parsed->key_code, 5);
  }
  const std::vector<std::string> bad = {
      "",
      "#99|0105",
      "#99|0105\r\n",
      "#98|0105\r\n" + line2,
      "#99|0205\r\n" + line2,
      "#99|01G5\r\n" + line2,
      "#99|01055\r\n" + line2,
      "#99|0105\r\n1:" + line2.substr(2),
      "#99|0105\r\n0:no bar",
      "#99|0105\r\n" + line2 + "\r\nthird line",
  };
  for (const std::string& b : bad) {
    std::string error;
    EXPECT_FALSE(ParseTransferInput(b, &error)) << b;
    EXPECT_EQ(TransferKeyRecord(b), "") << b;
  }
}

TEST(TransferInput, AnswerIsTheRawRecordOfTheKey) {
  std::string error;
  const std::string record = TransferKeyRecord(BuildTransferInput(0x42, Text(3, "")), &error);
  ASSERT_FALSE(record.empty()) << error;
  const auto parts = ParseKeyRecordParts(record);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->key_code, 0x42);
  EXPECT_TRUE(IsRawKeyRecord(*parts));
  EXPECT_GT(parts->head.size(), 0u);
  EXPECT_GT(parts->data.size(), 0u);
  const auto played = TransmitKeyRecord(record, 0);
  ASSERT_TRUE(played);
  EXPECT_EQ(played->carrier_hz, 38000u);
  // A frame count that became 0 leaves nothing to store.
  EXPECT_EQ(TransferKeyRecord(BuildTransferInput(0x42, Text(1, "0001"))), "");
}

}  // namespace
}  // namespace tvq31
