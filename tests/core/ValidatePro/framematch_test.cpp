#include "ValidatePro/framematch.h"

#include <gtest/gtest.h>

#include "test_styles.h"

namespace tvq31 {
namespace {

using namespace testing_styles;

// A context with the given groups, as the driver sets it for a style.
RecognitionContext ContextFor(std::initializer_list<std::initializer_list<int>> groups) {
  RecognitionContext c;
  int g = 0;
  for (const auto& group : groups) {
    int i = 0;
    for (int v : group) c.GroupValues[g][i++] = std::to_string(v);
    c.ElementCount = i;
    ++g;
  }
  c.ActiveGroups = g;
  return c;
}

RecognitionContext NecContext() { return ContextFor({{560, -560}, {560, -1690}}); }

TEST(FindItem, FindsOnlyWholeItems) {
  struct Case {
    const char* text;
    const char* item;
    size_t want;
  } cases[] = {
      {"0230EDED", "EDED", 4},
      {"02EDEDED", "EDED", 4},          // 0x02ED followed by the frame end
      {"01FEFEFE0028EDED", "FEFE", 4},  // 0x01FE followed by a gap mark
      {"00EDEDED", "EDED", 4},
      {"0EDED", "EDED", std::string_view::npos},
      {"023", "EDED", std::string_view::npos},
      {"", "EDED", std::string_view::npos},
  };
  for (const Case& c : cases) EXPECT_EQ(FindItem(c.text, c.item), c.want) << c.text;
}

TEST(CheckFrameTiming, ComparesGapOrPeriodWithinTenPercentStrict) {
  const std::string nec = NecFrame(kNecLetters);  // 108 ms with its gap, give or take 1 ms
  struct Case {
    std::string mark, frame;
    bool want;
  } cases[] = {
      {"t0028", "0230FEFE0028EDED", true},
      {"t0014", "0230FEFE0028EDED", false},
      {"t0028", "023001FEFEFE0028EDED", true},  // the gap is read after the whole item
      {"t0064", "0230FEFE005AEDED", false},     // 90 is not above 0.9 * 100
      {"t0064", "0230FEFE005BEDED", true},
      {"t0064", "0230FEFE006EEDED", false},     // 110 is not below 1.1 * 100
      {"h006C", nec, true},
      {"h0078", nec, false},
      {"h0064", "0000FEFE005AEDED", false},     // 90000 is 0.9 * 100000 exactly
      {"h0064", "0001FEFE005AEDED", true},
      {"h0064", "2710FEFE0064EDED", false},     // 110000 is 1.1 * 100000 exactly
      {"h0064", "270FFEFE0064EDED", true},
      {"x0028", "0230FEFE0028EDED", false},
      {"t0028", "0230EDED", false},
      {"t0028", "0230FEFEZZZZEDED", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckFrameTiming(c.mark, c.frame), c.want) << c.mark << " " << c.frame;
  }
}

TEST(StripHeader, RemovesHeaderKeepsSurplusOfLastItemOnly) {
  struct Case {
    const char* f;
    const char* hd;
    const char* want;
  } cases[] = {
      {"23281194023006900230EDED", "23281194", "023006900230EDED"},
      {"22EE11CE0230EDED", "23281194", "0230EDED"},        // 8942 and 4558 within 20 %
      {"2AF80230EDED", "2328", "07D00230EDED"},            // 11000 over 9000: 2000 stays
      {"2AF811940230EDED", "23281194", ""},                // the same on an earlier item
      {"23282AF80230EDED", "23281194", "1964" "0230EDED"}, // 11000 - 4500 = 6500
      {"1C200230EDED", "2328", ""},                         // 7200 is not above 0.8 * 9000
      {"0230EDED", "", "0230EDED"},
      {"2328EDED", "23281194", "DC59"},                     // 60909 - 4500 as the last item
      {"2328", "23281194", ""},
      {"", "2328", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StripHeader(c.f, c.hd), c.want) << c.f << " / " << c.hd;
}

TEST(MatchPattern, MergesTemplateDurationsWithCaptureLetters) {
  struct Case {
    const char* pattern;
    const char* candidate;
    const char* want;
  } cases[] = {
      {"u", "x", "x"},
      {"0230", "0300", ""},                        // 768 is not below 1.3 * 560
      {"0230", "02D7", "0230"},                    // 727 is
      {"0230", "0188", ""},                        // 392 is not above 0.7 * 560
      {"23281194uu0230h006C", "22EE11CEvu0230h002A", "23281194vu0230h006C"},
      {"uu0230h006C", "vx", "vx"},                 // the candidate runs out first
      {"uu", "vxu0230", "vx"},                     // the pattern runs out first
      {"u0230", "0230", ""},                       // placeholder against a duration
      {"0230u", "0230h0028", ""},                  // letter against a mark
      {"h006C", "0230", ""},                       // mark against a duration
      {"0230", "ZZZZ", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchPattern(c.pattern, c.candidate), c.want) << c.pattern << " / " << c.candidate;
  }
}

// One mark group: whether `x` falls in the window of `a` shows as a letter.
TEST(Decoders, WindowBoundsAreStrict) {
  struct Case {
    int a, x;
    bool in_a, in_b;
  } cases[] = {
      {560, 364, false, true},  {560, 365, true, true},   {560, 755, true, true},
      {560, 756, false, true},  {560, 336, false, false}, {560, 337, false, true},
      {560, 783, false, true},  {560, 784, false, false},
      {599, 359, false, false}, {599, 360, false, true},  {599, 838, false, true},
      {599, 839, false, false},
      {600, 400, false, false}, {600, 401, true, true},   {600, 799, true, true},
      {600, 800, false, false},
  };
  for (const Case& c : cases) {
    const RecognitionContext ctx = ContextFor({{c.a}});
    const std::string f = Item(c.x) + "EDED";
    EXPECT_EQ(*DecodeSymbolsA(f, ctx) == "u", c.in_a) << c.a << " " << c.x;
    // D starts at a mark position as A does, with the wider window.
    EXPECT_EQ(*DecodeSymbolsD(f, ctx) == "u", c.in_b) << c.a << " " << c.x;
  }
}

TEST(Decoders, VariantTable) {
  const std::string merged = "0230" "9C40" "EDED";  // last space runs into a 40 ms gap
  struct Case {
    RecognitionContext ctx;
    std::string f;
    const char* a;
    const char* b;
    const char* c;
    const char* d;
  } cases[] = {
      // Plain NEC data: only A reads it as meant. B and C start on a space
      // position and are off by one; D takes every long space as a "u"
      // with a surplus, and writes a letter for the stop mark.
      {NecContext(), "0230023002300690" "0230FEFE0028EDED", "uv0230h0028",
       "0230u06900230h0028", "0230u06900230h0028", "uu0460uh0028"},
      // One group 560/1690: C and D take the over-long last space and leave
      // the surplus (40000 - 1690 = 0x95A6) as the next item.
      {ContextFor({{560, -1690}}), merged, "02309C40", "02309C40", "02309C40", "u95A6"},
      // Data beginning with a space: B and C are in step, A and D are not;
      // C takes the merged last space (40000 - 560 = 0x9A10 stays).
      {NecContext(), "0690" "02300230" "02309C40" "EDED", "06900230u9C40", "0690u02309C40",
       "0690uu9A10", "06900230u9C40"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(*DecodeSymbolsA(c.f, c.ctx), c.a) << c.f;
    EXPECT_EQ(*DecodeSymbolsB(c.f, c.ctx), c.b) << c.f;
    EXPECT_EQ(*DecodeSymbolsC(c.f, c.ctx), c.c) << c.f;
    EXPECT_EQ(*DecodeSymbolsD(c.f, c.ctx), c.d) << c.f;
  }
}

TEST(Decoders, EndWithoutGroupsOrElements) {
  // No groups: nothing could consume the data, the decoder stops.
  RecognitionContext none;
  EXPECT_EQ(*DecodeSymbolsA("02300230EDED", none), "");
  EXPECT_EQ(*DecodeSymbolsC("FEFE0028EDED", none), "h0028");
  // A group of no elements never matches; the items pass through.
  RecognitionContext empty = NecContext();
  empty.ElementCount = 0;
  EXPECT_EQ(*DecodeSymbolsA("02300230EDED", empty), "02300230");
  EXPECT_EQ(*DecodeSymbolsD("02300230EDED", empty), "02300230");
}

TEST(Decoders, UnsetGroupValueIsReported) {
  RecognitionContext ctx = ContextFor({{560}});
  ctx.ElementCount = 2;  // element 1 of group 0 was never set
  EXPECT_EQ(DecodeSymbolsA("02300230EDED", ctx), std::nullopt);
  // Not reached when element 0 already fails.
  EXPECT_EQ(DecodeSymbolsA("2328EDED", ctx), std::optional<std::string>("2328"));
}

}  // namespace
}  // namespace tvq31
