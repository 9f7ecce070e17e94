#include "MrcDataUnit/timing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tvq31 {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

CodeStyleNode Carrier(int32_t freq, uint8_t no_carrier = 0) {
  CodeStyleNode n;
  n.CarrierFreq = freq;
  n.NoCarrier = no_carrier;
  n.UnitDivisor = 1;
  return n;
}

// The NEC style: 9 ms + 4.5 ms leader, 32 pulse-distance bits, stop mark,
// 108 ms frame period.
CodeStyleNode Nec() {
  CodeStyleNode n = Carrier(38000);
  n.Name = "NEC";
  n.GroupCount = 2;
  n.Groups[0].Count = 2;
  n.Groups[0].Elements = {MakeElement(4, 56000), MakeElement(0, 56000)};
  n.Groups[1].Count = 2;
  n.Groups[1].Elements = {MakeElement(4, 56000), MakeElement(0, 169000)};
  n.FrameCount = 1;
  n.Frames[0].Count = 7;
  n.Frames[0].Elements = {MakeElement(4, 900000), MakeElement(0, 450000), MakeElement(8, 0x08),
                          MakeElement(8, 0x18),   MakeElement(8, 0x28),   MakeElement(8, 0x38),
                          MakeElement(4, 56000)};
  n.SequenceCount = 1;
  n.Sequence[0] = MakeElement(0x19, 10800);
  n.RepeatCount = 1;
  return n;
}

TEST(Timing, RoundHalfEven) {
  const std::pair<double, int64_t> cases[] = {
      {0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},  {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
      {2.49, 2}, {2.51, 3},  {-2.51, -3}, {0.0, 0}, {1e300, std::numeric_limits<int64_t>::max()},
      {-1e300, std::numeric_limits<int64_t>::min()}, {std::nan(""), 0},
  };
  for (auto [x, want] : cases) EXPECT_EQ(RoundHalfEven(x), want) << x;
}

TEST(Timing, ElementValueAndDuration) {
  struct Case {
    uint32_t tag, v;
    CodeStyleNode style;
    int32_t value, duration;
  };
  const CodeStyleNode c38 = Carrier(38000);
  const Case cases[] = {
      {0x06, 38, c38, 1000, 1000},                // carrier cycles: round(38 × 26.31…)
      {0x06, 38, Carrier(38000, 1), 0, 0},        // no carrier: cycles count nothing
      {0x06, 38, Carrier(0), 0, 0},
      {0x06, 38, Carrier(-38000), 0, 0},
      {0x02, 38, c38, -1000, -1000},
      {0x06, 1, Carrier(400000), 2, 2},           // 2.5 rounds to even
      {0x06, 7, Carrier(2000000), 4, 4},          // 3.5 rounds to even
      {0x02, 1, Carrier(400000), -2, -2},
      {0x05, 2, c38, 2000, 2000},
      {0x01, 2, c38, -2000, -2000},
      {0x00, 560, c38, -560, -560},
      {0x04, 560, c38, 560, 560},
      {0x03, 560, c38, 0, 0},
      {0x07, 560, c38, 0, 0},
      {0x08, 0x28, c38, 0x28, 0},
      {0x09, 0x22, c38, 0x22, 0},
      {0x0A, 0x22, c38, 0x22, 0},
      {0x0B, 0x123, c38, 0, 0},                   // free symbol: meaningful, but no value
      {0x0C, 0x18, c38, 0x18, 0},
      {0x0D, 0x11, c38, 0x11, 0},
      {0x0E, 0x11, c38, 0x11, 0},
      {0x0F, 0x41302, c38, 0x41302, 0},
      {0x10, 0x104E20, c38, 0x104E20, 0x104E20},
      {0x11, 5, c38, 0, 0},
      {0x18, 5, c38, 0, 0},
      {0x19, 10800, c38, 10800, 10800},
      {0x1A, 5, c38, 0, 0},
      {0x1D, 77, c38, 77, 0},
      {0x1E, 5, c38, 0, 0},
      {0x80, 5, c38, 0, 0},
      {0xFF, 0xFFFFFF, c38, 0, 0},
      // Values that do not fit 32 bits saturate, never reaching INT32_MIN.
      {0x05, 0xFFFFFF, c38, kMax, kMax},
      {0x01, 0xFFFFFF, c38, -kMax, -kMax},
      {0x06, 0xFFFFFF, Carrier(1), kMax, kMax},
      {0x02, 0xFFFFFF, Carrier(1), -kMax, -kMax},
      {0x05, 2147483, c38, 2147483000, 2147483000},
  };
  for (const Case& c : cases) {
    const uint32_t e = MakeElement(c.tag, c.v);
    EXPECT_EQ(ElementValue(e, c.style), c.value) << std::hex << "tag " << c.tag << " V " << c.v;
    EXPECT_EQ(ElementDuration(e, c.style), c.duration) << std::hex << "tag " << c.tag << " V " << c.v;
  }
}

TEST(Timing, PredicatesDependOnTheTagAlone) {
  using Pred = bool (*)(uint32_t);
  struct Case {
    const char* name;
    Pred pred;
    std::vector<uint32_t> tags;
  };
  const Case cases[] = {
      {"duration", IsDurationElement, {0x00, 0x01, 0x02, 0x04, 0x05, 0x06}},
      {"free symbol", IsFreeSymbolElement, {0x0B}},
      {"first-table field", IsFirstTableField, {0x08, 0x09, 0x0A}},
      {"first-table definition", IsFirstTableDefinition, {0x08}},
      {"second-table definition", IsSecondTableDefinition, {0x0C}},
      {"constant", IsConstantField, {0x0F}},
      {"period", IsPeriodEntry, {0x19}},
  };
  for (const Case& c : cases) {
    for (uint32_t tag = 0; tag < 256; ++tag) {
      const bool want = std::find(c.tags.begin(), c.tags.end(), tag) != c.tags.end();
      for (uint32_t v : {0u, 0x123456u, 0xFFFFFFu}) {
        EXPECT_EQ(c.pred(MakeElement(tag, v)), want) << c.name << " tag " << tag;
      }
    }
  }
}

TEST(Timing, Gcd) {
  struct Case {
    int32_t a, b, want;
  };
  const Case cases[] = {
      {0, 5, 0},      {5, 0, 0},        {12, 18, 6},    {18, 12, 6},    {-12, 18, 6},
      {12, -18, -6},  {56000, 169000, 1000},            {7, 7, 7},      {kMin, -1, -1},
      {-1, kMin, -1}, {kMin, kMin, kMin}, {kMax, 1, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(Gcd(c.a, c.b), c.want) << c.a << ", " << c.b;
}

TEST(Timing, NearestDivisor) {
  struct Case {
    int32_t a, limit;
    double tolerance;
    int32_t want;
  };
  const Case cases[] = {
      {600, 300, 0.02, 300},   // exact divisor at once
      {50, 100, 0.02, 50},     // limit not below the value
      {-50, 100, 0.02, 50},
      {100, 0, 0.02, 100},     // limit not positive
      {100, -4, 0.02, 100},
      {601, 300, 0.02, 300},   // remainder 1 within round(12.02)
      {7, 3, 0.0, 1},          // nothing but 1 divides 7 exactly
      {1000, 500, 0.02, 500},
      {2633, 1316, 0.02, 1316},
      {1013, 400, 0.0, 1},     // a prime with no tolerance
      {1000, 999, 5.0, 999},   // tolerance capped at 1
      {kMin, 0, 0.02, kMax},   // magnitude saturates
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NearestDivisor(c.a, c.limit, c.tolerance), c.want) << c.a << " limit " << c.limit;
  }
}

TEST(Timing, CommonDivisorAndMultiplier) {
  struct Case {
    std::vector<int32_t> values;
    int32_t limit;
    int32_t want;
  };
  const Case cases[] = {
      {{560, 1690, 9000}, 255, 190},
      {{-560, 1690, -9000}, 255, 190},
      {{560, 0, 1690}, 255, 1},  // a zero leaves no candidate
      {{}, 255, 1},
      {{100, 200, 300}, 255, 100},
      {{100, 200, 300}, 0, 100},  // no limit: the first magnitude
      {{21, -21, 21, -64, 342, -171, 21}, 255, 21},
      {{kMin, kMin}, 255, 255},
  };
  for (const Case& c : cases) EXPECT_EQ(CommonDivisor(c.values, c.limit, 0.02), c.want);
  EXPECT_EQ(FindMultiplier({560, 0, 1690}), 2);
  EXPECT_EQ(FindMultiplier({}), 2);
  EXPECT_EQ(FindMultiplier({560, 1690, 9000}), 190);
}

TEST(Timing, DeviceUnitIsAtLeastOneTick) {
  const std::pair<int32_t, int32_t> cases[] = {
      {0, 1}, {-500, 1}, {1, 1}, {25, 2}, {75, 4}, {2500, 150}, {2633, 158}, {kMax, 128849019},
  };
  for (auto [unit, want] : cases) EXPECT_EQ(DeviceUnit(unit), want) << unit;
}

TEST(Timing, CollectDurations) {
  CodeStyleNode n = Nec();
  n.Groups[1].Count = 3;  // a zero group element is kept
  n.Frames[0].Elements[7] = MakeElement(0x0B, 0);
  n.Frames[0].Count = 8;  // a free symbol in a pattern is left out
  const std::vector<int32_t> want = {56000, -56000, 56000, -169000, 0, 900000, -450000, 56000};
  EXPECT_EQ(CollectDurations(n), want);

  // Counts beyond the slots are cut to the slots.
  CodeStyleNode big;
  big.GroupCount = 255;
  big.FrameCount = 255;
  for (auto& g : big.Groups) g.Count = 255;
  for (auto& f : big.Frames) {
    f.Count = 255;
    f.Elements.fill(MakeElement(4, 1));
  }
  EXPECT_EQ(CollectDurations(big).size(), size_t{kMaxGroups * kMaxGroupElements + kMaxFrames * kMaxFrameElements});
}

TEST(Timing, NecUnitAndMultiplier) {
  const CodeStyleNode nec = Nec();
  std::vector<int32_t> values = CollectDurations(nec);
  const auto unit = FindTimeUnit(values, nec, kTickRate);
  ASSERT_TRUE(unit.has_value());
  EXPECT_EQ(*unit, 2633);  // 1/38 kHz rounded to whole ticks
  EXPECT_EQ(values, (std::vector<int32_t>{21, -21, 21, -64, 342, -171, 21}));
  EXPECT_EQ(DeviceUnit(*unit), 158);
  EXPECT_EQ(FindMultiplier(values), 21);
}

TEST(Timing, FindTimeUnitCarrierBranchLowersTheDivisor) {
  CodeStyleNode n = Carrier(36000);
  n.UnitDivisor = 3;  // period 2778, unit 933, modulus 2799 at n = 3
  struct Case {
    std::vector<int32_t> values;
    std::vector<int32_t> want;
  };
  const Case cases[] = {
      {{27990, -27990}, {30, -30}},  // passes at n = 3
      {{9330}, {10}},                // fails at 3, exact at 2 (modulus 1866)
      {{933 * 7 + 400}, {7}},        // passes only at 1
  };
  for (const Case& c : cases) {
    std::vector<int32_t> values = c.values;
    ASSERT_EQ(FindTimeUnit(values, n, kTickRate), 933);
    EXPECT_EQ(values, c.want);
  }
}

TEST(Timing, FindTimeUnitWithoutCarrier) {
  CodeStyleNode n = Carrier(0, 1);
  std::vector<int32_t> values = {56000, -56000, 56000, -169000};
  ASSERT_EQ(FindTimeUnit(values, n, kTickRate), 500);
  EXPECT_EQ(values, (std::vector<int32_t>{112, -112, 112, -338}));

  std::vector<int32_t> none;
  EXPECT_EQ(FindTimeUnit(none, n, kTickRate), 100);

  // A first value that is a space keeps its sign through Gcd; the unit
  // search then starts from its magnitude.
  std::vector<int32_t> space_first = {-90000, 90000};
  EXPECT_EQ(FindTimeUnit(space_first, n, kTickRate), 4233);
}

TEST(Timing, MalformedStylesHaveNoUnit) {
  struct Case {
    const char* what;
    CodeStyleNode style;
    std::vector<int32_t> values;
  };
  CodeStyleNode no_divisor = Carrier(38000);
  no_divisor.UnitDivisor = 0;
  const Case cases[] = {
      {"carrier 0", Carrier(0), {56000}},
      {"negative carrier", Carrier(-38000), {56000}},
      {"divisor 0", no_divisor, {56000}},
      {"carrier so fast the unit is 0", Carrier(100000000), {56000}},
      {"zero duration without carrier", Carrier(0, 1), {0, 56000}},
      {"zero first without carrier", Carrier(0, 1), {0}},
      {"INT32_MIN value", Carrier(38000), {kMin}},
      {"INT32_MIN without carrier", Carrier(0, 1), {56000, kMin}},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> values = c.values;
    EXPECT_FALSE(FindTimeUnit(values, c.style, kTickRate).has_value()) << c.what;
  }
}

TEST(Timing, FindTimeUnitSurvivesExtremes) {
  // Saturated values and the slowest carrier must not overflow anywhere.
  for (int32_t freq : {1, 2, 37, 38000, 5000000}) {
    for (uint8_t divisor : {uint8_t{1}, uint8_t{2}, uint8_t{255}}) {
      CodeStyleNode n = Carrier(freq);
      n.UnitDivisor = divisor;
      std::vector<int32_t> values = {kMax, -kMax, 1, -1, 0};
      (void)FindTimeUnit(values, n, kTickRate);
    }
  }
  for (int32_t rate : {kMin, 0, 6000, kMax}) {
    std::vector<int32_t> values = {kMax, -kMax, 1};
    EXPECT_TRUE(FindTimeUnit(values, Carrier(0, 1), rate).has_value());
  }
}

}  // namespace
}  // namespace tvq31
