// Zenith: the decoder (no encoder, no code style), on frames built here
// from the protocol's description and on real recordings.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

constexpr uint32_t kUnit = 520;

// A frame of symbols (true for B): A is a mark and 10 units of silence, B
// a mark, a unit of silence, a mark and 8 units. The last silence is the
// gap; the frame comes twice.
Signal Frame(const std::vector<bool>& symbols) {
  std::vector<uint32_t> d;
  for (bool b : symbols) {
    d.push_back(kUnit);
    if (b) {
      d.insert(d.end(), {kUnit, kUnit, 8 * kUnit});
    } else {
      d.push_back(10 * kUnit);
    }
  }
  const uint32_t last = d.back();
  d.pop_back();
  Signal s;
  s.carrier_hz = 40000;
  s.frames.push_back(SignalFrame{d, 90000 + last});
  s.frames.push_back(s.frames.front());
  return s;
}

// The start bit, then `bits` bits of `function`, high first, each as the
// pair A B (0) or B A (1).
std::vector<bool> Symbols(uint32_t start, uint32_t function, int bits) {
  std::vector<bool> out{start != 0};
  for (int b = bits - 1; b >= 0; --b) {
    const bool one = (function >> b) & 1u;
    out.push_back(one);
    out.push_back(!one);
  }
  return out;
}

Signal ZenithFrame(uint32_t start, uint32_t function, int bits) {
  return Frame(Symbols(start, function, bits));
}

TEST(Zenith, FramesOfEveryLengthDecode) {
  const struct {
    uint32_t start, function;
    int bits;
  } frames[] = {{0, 0x00, 5}, {1, 0x1F, 5}, {1, 0x0E, 5}, {0, 0x2A, 6},
                {1, 0x55, 7}, {0, 0xFF, 8}, {1, 0x80, 8}, {0, 0x01, 8}};
  for (const auto& f : frames) {
    const Signal s = ZenithFrame(f.start, f.function, f.bits);
    const std::string want =
        Values(("Zenith" + std::to_string(f.bits)).c_str(), f.start, f.function);
    SCOPED_TRACE(want);
    EXPECT_EQ(Said(s), want);
    for (uint64_t seed = 1; seed <= 10; ++seed) {
      EXPECT_EQ(Said(DistortSignal(s, seed * 13 + f.function)), want) << seed;
    }
    EXPECT_EQ(FamilyOfName(Says(s).front().protocol), "Zenith");
  }
}

TEST(Zenith, OtherShapesAreRefused) {
  const Signal good = ZenithFrame(1, 0x55, 7);  // ends on an A
  std::vector<bool> pair_a_a = Symbols(1, 0x55, 7);
  pair_a_a[1] = false;  // the first data pair A A: no bit
  std::vector<bool> one_less = Symbols(1, 0x55, 7);
  one_less.pop_back();
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"4 bits", ZenithFrame(1, 0x05, 4)},
      {"9 bits", ZenithFrame(1, 0x155, 9)},
      {"a pair of equal symbols", Frame(pair_a_a)},
      {"a symbol missing", Frame(one_less)},
      {"a long mark", EveryFrame(good, [](auto& d) { d[0] = 3 * kUnit; })},
      {"a space between 8 and 10 units", EveryFrame(good, [](auto& d) { d[3] = 9 * kUnit; })},
      {"a leader", EveryFrame(good, [](auto& d) { d.insert(d.begin(), {9000, 4500}); })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& r : ReadEach(c.signal, ir::DecodeZenith)) EXPECT_EQ(r, "-");
  }
}

TEST(Zenith, RealRecordingsDecode) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  // Two Zenith TV remotes (a 510 us unit, 590 us marks): 5-bit functions
  // with the start bit set; the second remote sends some keys twice.
  const struct {
    const char* file;
    const char* name;
    const char* said;
  } keys[] = {
      {"TVs/Zenith/Zenith_SC3492Z.ir", "Power", "Zenith5 1/14"},
      {"TVs/Zenith/Zenith_tv.ir", "Power", "Zenith5 1/14"},
      {"TVs/Zenith/Zenith_tv.ir", "1", "Zenith5 1/17"},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(std::string(k.file) + " " + k.name);
    const std::vector<Signal> signals = CorpusSignals(k.file, k.name);
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_EQ(Said(signals.front()), k.said);
    EXPECT_EQ(RecogniseSignal(signals.front()).style, "");
  }
}

}  // namespace
}  // namespace tvq31
