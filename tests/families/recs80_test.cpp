// RECS80 and RECS80-0068: encoder and decoder, the tap and held styles.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

struct Variant {
  const char* protocol;
  const char* held_style;
  const char* tap_style;
  uint32_t tap_gap_us;  // from the stop mark to the next frame in a tap's record
};
constexpr Variant kVariants[] = {
    {"RECS80", "RECS80", "RECS80 tap", 45000},
    {"RECS80-0068", "RECS80-0068", "RECS80-0068 tap", 74000},
};

TEST(Recs80, PressesDecodeAndComeBackHeldAndTapped) {
  const std::pair<uint32_t, uint32_t> values[] = {{0, 0x00}, {7, 0x3F}, {5, 0x2A}, {2, 0x01}};
  for (const Variant& v : kVariants) {
    for (const auto& [address, command] : values) {
      SCOPED_TRACE(std::string(v.protocol) + " " + std::to_string(address) + "/" +
                   std::to_string(command));
      const std::optional<Signal> press = EncodeProtocol(v.protocol, address, command, 600);
      ASSERT_TRUE(press);
      const std::string want = Values(v.protocol, address, command);
      EXPECT_EQ(Said(*press), want);
      // The toggle (the second bit) is not a value of the key.
      Signal toggled = *press;
      for (SignalFrame& f : toggled.frames) f.durations[3] = f.durations[1];
      EXPECT_EQ(Said(toggled), want);

      ExpectRecognised(*press, v.held_style);
      const Signal tap = ExpectRecognised(FirstFrame(*press), v.tap_style, 600);
      EXPECT_GE(tap.frames.size(), 3u);
      ExpectGaps(tap, v.tap_gap_us);

      // Through a receiver the one-unit marks (158 or 180 us) may leave the
      // recogniser's window for short marks; the decoder still reads the
      // press, and no style of another family takes it.
      for (uint64_t seed : {1u, 2u, 3u}) {
        const Signal received = DistortSignal(*press, seed * 131 + command);
        EXPECT_EQ(Said(received), want);
        for (const Signal& s : {received, FirstFrame(received)}) {
          const std::string style = RecogniseSignal(s).style;
          if (!style.empty()) {
            EXPECT_EQ(FamilyOfName(style), "RECS80") << style;
          }
        }
      }
    }
  }
  EXPECT_FALSE(EncodeProtocol("RECS80", 8, 0));
  EXPECT_FALSE(EncodeProtocol("RECS80", 0, 0x40));
}

TEST(Recs80, VariantsAreToldApart) {
  // Each variant's press is read as itself and matches only its own styles.
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.protocol);
    const Signal press = *EncodeProtocol(v.protocol, 3, 0x15, 600);
    for (const Variant& other : kVariants) {
      if (&other == &v) continue;
      EXPECT_FALSE(ReadAs(press, other.protocol));
      EXPECT_NE(RecogniseSignal(press).style, other.held_style);
      EXPECT_NE(RecogniseSignal(FirstFrame(press)).style, other.tap_style);
    }
  }
}

TEST(Recs80, OtherShapesAreRefused) {
  for (const Variant& v : kVariants) {
    const Signal good = *EncodeProtocol(v.protocol, 5, 0x2A, 300);
    const struct {
      const char* name;
      Signal signal;
      bool shape_changed;  // false: only a value is wrong, which no style checks
    } cases[] = {
        {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 2); }), true},
        {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 2); }), true},
        {"start bit 0", EveryFrame(good, [](auto& d) { d[1] = d[3]; }), false},
        {"with a leader", EveryFrame(good, [](auto& d) { d.insert(d.begin(), {4000, 4000}); }),
         true},
        {"Thomson's marks", EveryFrame(good, [](auto& d) {
           for (size_t i = 0; i < d.size(); i += 2) d[i] = 500;
         }), true},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(v.protocol) + ": " + c.name);
      EXPECT_FALSE(ReadAs(c.signal, "RECS80"));
      EXPECT_FALSE(ReadAs(c.signal, "RECS80-0068"));
      if (!c.shape_changed) {
        // Recognised, the record sends the frame as learned.
        EXPECT_EQ(Said(PlayBack(RecogniseSignal(c.signal).record, 300)), Said(c.signal));
        continue;
      }
      for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
        EXPECT_EQ(RecogniseSignal(s).style.rfind("RECS80", 0), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace tvq31

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Recs80, RealRecordingComesBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  // A Telecontrole TV remote: 170 us marks, 4905 / 7450 us spaces, 43 to
  // 50 ms between frames. Most of its recordings lost marks (spaces of 10
  // to 15 ms where two bits ran together); this one is whole.
  const std::vector<Signal> signals =
      CorpusSignals("TVs/Telecontrole/TC_33_VNS2000.ir", "Vol_dn");
  ASSERT_EQ(signals.size(), 1u);
  const Signal& held = signals.front();
  // The recording ends inside a frame, which no decoder reads.
  EXPECT_EQ(Said(held), "RECS80 7/54, ?");
  const RecognitionResult r = RecogniseSignal(held);
  EXPECT_EQ(r.style, "RECS80");
  const Signal back = PlayBack(r.record, HoldFor(held));
  EXPECT_EQ(Said(back), "RECS80 7/54");
  ExpectGaps(back, 45000);
  const Signal tap = ExpectRecognised(FirstFrame(held), "RECS80 tap", 300);
  ExpectGaps(tap, 45000);
}

}  // namespace
}  // namespace tvq31
