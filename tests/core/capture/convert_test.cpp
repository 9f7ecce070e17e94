#include "capture/convert.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tvq31 {
namespace {

std::string Repeat(std::string_view token, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += token;
  return out;
}

const std::string kEnd = Repeat("7FFF", 20);
const std::string kTrailer37 = "4F4F4F00";  // A = B = C = 0x4F, t = 237: 37 kHz
const std::string kPad(64, '\0');

TEST(ConvertCapture, WorkedExample) {
  const std::string capture = "E97834BC8690" + kEnd + kTrailer37;
  const std::string expected = "1251222EE11CE01F6FEFE0014EDED";
  // Padded as the remote delivers it, and cut right after the trailer.
  EXPECT_EQ(ConvertCapture(capture + std::string(10240 - capture.size(), '\0')), expected);
  EXPECT_EQ(ConvertCapture(capture), expected);
  const ConvertedCapture full = ConvertCaptureFull(capture);
  EXPECT_EQ(full.frame_count, 1);
  EXPECT_EQ(full.frames_start, 5u);
}

struct Case {
  const char* name;
  std::string capture;
  std::string expected;
};

TEST(ConvertCapture, Rules) {
  const std::vector<Case> cases = {
      {"19 run tokens then a space is a frame gap",
       "8300" + Repeat("7FFF", 19) + "0000" + "8300" + kEnd + kTrailer37,
       "22512"
       "00C6FEFE00CFEDED"
       "00C6EDED"},
      {"20 run tokens then any token end the signal",
       "8300" + Repeat("7FFF", 20) + "8300" + "4F00" + kPad, "1" "2A12" "00C6FEFE0014EDED"},
      {"40 ms gap", "8300" + Repeat("7FFF", 3) + "54C3" + "8300" + kEnd + kTrailer37,
       "2" "2512" "00C6FEFE0028EDED" "00C6EDED"},
      {"mark under 174 counts is negative", "8090" + kEnd + kTrailer37,
       "1" "2512" "FFFFFFF6FEFE0014EDED"},
      {"zero carrier samples", "8300" + kEnd + "00000000", "1" "0000" "00C6FEFE0014EDED"},
      {"run token merged into the next mark", "8300" "1000" "7FFF" "8090" + kEnd + kTrailer37,
       "1" "2512" "00C6" "058F" "2AA0" "FEFE0014EDED"},
      {"lone run token in mark position", "8300" "1000" "7FFF" "1000" "8300" + kEnd + kTrailer37,
       "1" "2512" "00C6" "058F" "2A70" "058F" "00C6" "FEFE0014EDED"},
      {"capture that begins with a run", "7FFF" "1000" "8300" + kEnd + kTrailer37,
       "1" "2512" "2A70" "058F" "00C6" "FEFE0014EDED"},
      // A silence of exactly two run tokens ends in a mark: nothing is
      // written and the two tokens count towards the next run, so 18 more
      // end the signal.
      {"run ending in a mark keeps its tokens", "8300" "7FFF7FFF" "8300" + Repeat("7FFF", 18) +
                                                    "8300" "4F00" + kPad,
       "1" "2A12" "00C6" "00C6" "FEFE0014EDED"},
      {"lower-case run token is a plain space", "8300" "7fff" "8300" + kEnd + kTrailer37,
       "1" "2512" "00C6" "2AE4" "00C6" "FEFE0014EDED"},
      {"small sample sum takes more carrier digits", "8300" + kEnd + "03030300",
       "1" "3E812" "00C6FEFE0014EDED"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConvertCapture(c.capture), c.expected) << c.name;
  }
}

TEST(ConvertCapture, Failures) {
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"no end run", "8300" "1000" "8300" + std::string(10228, '\0'), ""},
      {"end run one token short", "8300" + Repeat("7FFF", 19) + kTrailer37 + kPad, ""},
      {"text ends in trailer mode", "8300" + kEnd + "4F4F", ""},
      {"second trailer token is a run token", "8300" + kEnd + "4F4F" "7FFF" + kPad, ""},
      {"non-hex duration", "83G0" + kEnd + kTrailer37, ""},
      {"zero characters inside the data", "8300" + std::string(4, '\0') + kEnd + kTrailer37, ""},
      {"non-hex first trailer token", "8300" + kEnd + "4F4Z" "4F00" + kPad, ""},
      {"non-hex sample in the second trailer token", "8300" + kEnd + "4F4F" "Z400" + kPad, ""},
      {"non-hex token after a run token in mark position", "7FFF" "ZZZZ" + kEnd + kTrailer37, ""},
      {"only the last four characters after the run", "8300" + kEnd + "4F4", ""},
  };
  for (const Case& c : cases) {
    const ConvertedCapture full = ConvertCaptureFull(c.capture);
    EXPECT_EQ(full.text, c.expected) << c.name;
    EXPECT_EQ(full.frame_count, 0) << c.name;
    EXPECT_EQ(full.frames_start, 0u) << c.name;
  }
  // The second trailer token is read only for its first two characters.
  EXPECT_EQ(ConvertCapture("8300" + kEnd + "4F4F" "4F"), "1" "2512" "00C6FEFE0014EDED");
}

TEST(ConvertCapture, TenFramesOrMore) {
  std::string capture;
  for (int f = 0; f < 12; ++f) capture += "8300" + Repeat("7FFF", 3) + "54C3";
  capture += "8300" + kEnd + kTrailer37;
  const ConvertedCapture full = ConvertCaptureFull(capture);
  ASSERT_EQ(full.frame_count, 13);
  EXPECT_EQ(full.text.substr(0, 6), "132512");
  EXPECT_EQ(full.frames_start, 6u);
  EXPECT_EQ(full.text.substr(full.frames_start, 16), "00C6FEFE0028EDED");
  EXPECT_EQ(LearnedCodeFramesStart(full.text), full.frames_start);
}

TEST(CarrierFigure, EverySampleSum) {
  const std::set<int> one_less = {5,   10,  15,  20,  30,  40,  60, 75,
                                  120, 125, 150, 250, 300, 500, 600};
  for (int t = 1; t <= 765; ++t) {
    const int expected = 9000 / t - (one_less.count(t) ? 1 : 0);
    EXPECT_EQ(CarrierFigure(t), expected) << "t = " << t;
  }
  EXPECT_EQ(CarrierFigure(250), 35);
  EXPECT_EQ(CarrierFigure(225), 40);
}

TEST(LearnedCodeFramesStart, Prefixes) {
  const struct {
    std::string text;
    std::optional<size_t> expected;
  } cases[] = {
      {"1251222EE11CE01F6FEFE0014EDED", 5},
      {"10000000C6EDED", 6},    // count 10, zero carrier: "1" + "0000" also fits
      {"1000000C6EDED", 5},     // count 1, zero carrier
      {"1000000000C6EDED", 8},  // count 1000, zero carrier
      {"20251200C6EDED", 6},
      {"112112" "00C6EDED", 6},
      {"1", std::nullopt},
      {"", std::nullopt},
      {"2512", std::nullopt},  // no count
      {"1X2512", std::nullopt},
      {"12513", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(LearnedCodeFramesStart(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace tvq31
