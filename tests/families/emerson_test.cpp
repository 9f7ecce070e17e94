// Emerson: encoder and decoder, the held and tap styles, and the border with
// Old Panasonic (the same frame shape with 22 bits instead of 24).
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

constexpr uint32_t kGapUs = 39 * 872;

TEST(Emerson, PressesDecodeAndComeBackHeldAndTapped) {
  const std::pair<uint32_t, uint32_t> values[] = {{0, 0}, {63, 63}, {40, 32}, {21, 42}, {1, 62}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("Emerson", address, command, 300);
    ASSERT_TRUE(press);
    ASSERT_GE(press->frames.size(), 2u);
    EXPECT_EQ(press->frames[0].gap, kGapUs);
    const std::string want = Values("Emerson", address, command);
    EXPECT_EQ(Said(*press), want);
    for (uint64_t seed : {1u, 2u, 3u}) {
      const Signal received = DistortSignal(*press, seed * 97 + command);
      EXPECT_EQ(Said(received), want);
      ExpectGaps(ExpectRecognised(received, "Emerson"), kGapUs);
      const Signal tap = ExpectRecognised(FirstFrame(received), "Emerson tap", 300);
      EXPECT_GE(tap.frames.size(), 3u);
      ExpectGaps(tap, kGapUs);
    }
  }
  EXPECT_FALSE(EncodeProtocol("Emerson", 64, 0));
  EXPECT_FALSE(EncodeProtocol("Emerson", 0, 64));
}

TEST(Emerson, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Emerson", 21, 42, 300);
  const struct {
    const char* name;
    Signal signal;
    bool shape_changed;  // false: only a value is wrong, which no style checks
  } cases[] = {
      {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 2); }), true},
      {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 2); }), true},
      {"short leader", EveryFrame(good, [](auto& d) { d[0] = d[1] = 2400; }), true},
      {"RCA's marks", EveryFrame(good, [](auto& d) {
         for (size_t i = 2; i < d.size(); i += 2) d[i] = 500;
       }), true},
      // Bit 0 of the device (its space is d[3]) and bit 0 of ~F (d[39]).
      {"device not inverted", EveryFrame(good, [](auto& d) { d[3] = d[3] > 1700 ? 872 : 2616; }),
       false},
      {"command not inverted",
       EveryFrame(good, [](auto& d) { d[39] = d[39] > 1700 ? 872 : 2616; }), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Emerson"));
    if (!c.shape_changed) continue;
    for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
      EXPECT_EQ(RecogniseSignal(s).style.rfind("Emerson", 0), std::string::npos);
    }
  }
}

TEST(Emerson, CutFramesAreRefused) {
  const Signal good = *EncodeProtocol("Emerson", 40, 32, 1);
  const std::vector<uint32_t>& d = good.frames.at(0).durations;
  ASSERT_EQ(d.size(), 51u);
  for (size_t n = 0; n < d.size(); ++n) {
    const std::vector<uint32_t> cut(d.begin(), d.begin() + static_cast<ptrdiff_t>(n));
    EXPECT_FALSE(ir::DecodeEmerson(cut, kGapUs, 36700)) << n << " durations";
  }
  // A stop mark followed by a space no longer than a bit's is not the end.
  std::vector<uint32_t> longer = d;
  longer.insert(longer.end(), {2616, 872});
  EXPECT_FALSE(ir::DecodeEmerson(longer, kGapUs, 36700));
}

TEST(Emerson, OldPanasonicIsAnotherFamily) {
  // The same leader and bits on 833 us: 22 bits against 24 keep the
  // decoders and the styles apart, held and tapped.
  for (const auto& [protocol, family] : {std::pair{"Emerson", "Emerson"},
                                         std::pair{"PanasonicOld", "PanasonicOld"}}) {
    SCOPED_TRACE(protocol);
    const Signal press = DistortSignal(*EncodeProtocol(protocol, 21, 42, 300), 5);
    const char* other = std::string(protocol) == "Emerson" ? "PanasonicOld" : "Emerson";
    EXPECT_FALSE(ReadAs(press, other));
    for (const Signal& s : {press, FirstFrame(press)}) {
      EXPECT_EQ(FamilyOfName(RecogniseSignal(s).style), family);
    }
  }
}

TEST(Emerson, ScAtl6PressesAreTakenAsEmerson) {
  // ScAtl-6 sends the Emerson frame on an 846 us unit with 40 units of
  // silence: as sent, within every window of the Emerson styles, which send
  // it back on 872 us. A receiver may shorten its 2538 us one spaces out of
  // the one symbol's window; no other family's style takes it then.
  Signal press = *EncodeProtocol("Emerson", 21, 42, 300);
  press.carrier_hz = 57600;
  for (SignalFrame& f : press.frames) {
    for (uint32_t& d : f.durations) d = d / 872 * 846;
    f.gap = 40 * 846;
  }
  for (uint64_t seed : {0u, 1u, 2u}) {
    SCOPED_TRACE(seed);
    const Signal received = seed == 0 ? press : DistortSignal(press, seed);
    EXPECT_EQ(Said(received), Values("Emerson", 21, 42));
    if (seed == 0) {
      ExpectRecognised(received, "Emerson");
      ExpectRecognised(FirstFrame(received), "Emerson tap", 300);
      continue;
    }
    for (const Signal& s : {received, FirstFrame(received)}) {
      const std::string style = RecogniseSignal(s).style;
      if (!style.empty()) {
        EXPECT_EQ(FamilyOfName(style), "Emerson") << style;
      }
    }
  }
}

// A one-frame recording as the evaluation holds it: the frame again after
// the gap the encoder leaves.
Signal Held(const Signal& one_frame, size_t frames) {
  Signal out = one_frame;
  out.frames.assign(frames, one_frame.frames.at(0));
  for (SignalFrame& f : out.frames) f.gap = kGapUs;
  return out;
}

TEST(Emerson, RealRecordingsComeBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* file;
    const char* key;
    const char* says;
    size_t frames;
  } recordings[] = {
      // A VCR remote: two frames about 33.7 ms apart, 900 us marks.
      {"VCR/Magnavox/Magnavox_N9377.ir", "Power", "Emerson 40/32", 2},
      {"VCR/Magnavox/Magnavox_N9377.ir", "Eject", "Emerson 40/61", 2},
      // A DVD player's remote: two frames, and one key of a single frame.
      {"DVD_Players/Magnavox/Magnavox_NB179_MWD_2206.ir", "Speed", "Emerson 44/59", 2},
      {"DVD_Players/Magnavox/Magnavox_NB179_MWD_2206.ir", "Dvd", "Emerson 44/45", 1},
      // A TV remote: single frames.
      {"TVs/Symphonic/Symphonic_ST424FF.ir", "Power", "Emerson 41/32", 1},
      {"TVs/Symphonic/Symphonic_ST424FF.ir", "Mute", "Emerson 41/51", 1},
  };
  for (const auto& r : recordings) {
    SCOPED_TRACE(std::string(r.file) + " " + r.key);
    const std::vector<Signal> signals = CorpusSignals(r.file, r.key);
    ASSERT_EQ(signals.size(), 1u);
    const Signal& recorded = signals.front();
    ASSERT_EQ(recorded.frames.size(), r.frames);
    EXPECT_EQ(Said(recorded), r.says);
    const Signal tap = ExpectRecognised(FirstFrame(recorded), "Emerson tap", 300);
    ExpectGaps(tap, kGapUs);
    const Signal held = r.frames > 1 ? recorded : Held(recorded, 3);
    ExpectGaps(ExpectRecognised(held, "Emerson"), kGapUs);
  }
}

}  // namespace
}  // namespace tvq31
