// Xiaomi: encoder and decoder, the held and tap styles, real recordings.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

uint64_t Length(const SignalFrame& f) {
  uint64_t us = 0;
  for (uint32_t d : f.durations) us += d;
  return us;
}

// Every mark and space of `s` moved by `mark_us` / `space_us`, then scaled
// by `permille`: a receiver at the edge of its error.
Signal Skewed(Signal s, int mark_us, int space_us, int permille) {
  for (SignalFrame& f : s.frames) {
    for (size_t i = 0; i < f.durations.size(); ++i) {
      const int64_t shifted = static_cast<int64_t>(f.durations[i]) + (i % 2 == 0 ? mark_us : space_us);
      f.durations[i] = static_cast<uint32_t>(shifted * permille / 1000);
    }
  }
  return s;
}

TEST(Xiaomi, PressesDecodeAndComeBackHeldAndTapped) {
  // Device and function of every symbol value in every position, the
  // shortest frame (all 00) and the longest (all 11).
  const std::pair<uint32_t, uint32_t> values[] = {
      {0x00, 0x00}, {0xFF, 0xFF}, {0x86, 0x0D}, {0x3C, 0xCC}, {0x1B, 0xE4}, {0xE4, 0x1B}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("Xiaomi", address, command, 300);
    ASSERT_TRUE(press);
    ASSERT_GE(press->frames.size(), 9u);
    ASSERT_EQ(press->frames[0].durations.size(), 23u);
    EXPECT_EQ(Length(press->frames[0]) + press->frames[0].gap, 30000u);
    const std::string want = Values("Xiaomi", address, command);
    EXPECT_EQ(Said(*press), want);
    for (uint64_t seed = 1; seed <= 20; ++seed) {
      EXPECT_EQ(Said(DistortSignal(*press, seed * 31 + command)), want) << seed;
    }

    // A tap of any length is recognised; the record sends the frame, again
    // 20 ms after it, then every 30 ms.
    const Signal tap = ExpectRecognised(FirstFrame(DistortSignal(*press, 8)), "Xiaomi tap", 300);
    ASSERT_GE(tap.frames.size(), 4u);
    EXPECT_NEAR(tap.frames[0].gap, 20000, 2000);
    for (size_t f = 1; f + 1 < tap.frames.size(); ++f) {
      EXPECT_NEAR(Length(tap.frames[f]) + tap.frames[f].gap, 30000, 1500) << f;
    }
    // Held: a frame whose silence stays above the capture's frame split
    // (about 10.9 ms) is a capture of its own; longer frames join into one
    // capture frame, which no style describes.
    const Signal held = DistortSignal(*press, 8);
    if (press->frames[0].gap > 11500) {
      const Signal back = ExpectRecognised(held, "Xiaomi");
      for (size_t f = 0; f + 1 < back.frames.size(); ++f) {
        EXPECT_NEAR(Length(back.frames[f]) + back.frames[f].gap, 30000, 1500) << f;
      }
    } else if (press->frames[0].gap < 10500) {
      EXPECT_EQ(RecogniseSignal(held).style, "");
    }
  }
  EXPECT_FALSE(EncodeProtocol("Xiaomi", 0x100, 0));
  EXPECT_FALSE(EncodeProtocol("Xiaomi", 0, 0x100));
}

// The four spaces are 290 us apart and their windows overlap; the groups
// are tried longest first, so a receiver's shortened spaces and lengthened
// marks keep their letters up to the edge of its error.
TEST(Xiaomi, ReceiverErrorKeepsEverySymbol) {
  const struct {
    const char* name;
    int mark_us, space_us, permille;
  } receivers[] = {
      {"spaces 100 short, 5 % slow", 100, -100, 950},
      {"spaces 100 short, 5 % fast", 100, -100, 1050},
      {"exact, 5 % fast", 0, 0, 1050},
      {"exact, 5 % slow", 0, 0, 950},
  };
  // 0x1B / 0xE4 hold every symbol twice; 0x00 / 0xFF the shortest and
  // longest frames.
  const std::pair<uint32_t, uint32_t> values[] = {{0x1B, 0xE4}, {0x00, 0x00}, {0xFF, 0xFF}};
  for (const auto& r : receivers) {
    for (const auto& [address, command] : values) {
      SCOPED_TRACE(std::string(r.name) + " " + std::to_string(address));
      const Signal tap = FirstFrame(
          Skewed(*EncodeProtocol("Xiaomi", address, command, 0), r.mark_us, r.space_us, r.permille));
      EXPECT_EQ(Said(tap), Values("Xiaomi", address, command));
      ExpectRecognised(tap, "Xiaomi tap", 100);
    }
  }
}

TEST(Xiaomi, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Xiaomi", 0x1B, 0xE4, 100);
  const struct {
    const char* name;
    Signal signal;
    bool style_refuses;  // the recogniser checks counts, not values
  } cases[] = {
      {"a symbol short", EveryFrame(good, [](auto& d) { DropBit(d, 2); }), true},
      {"a symbol long", EveryFrame(good, [](auto& d) { RepeatBit(d, 2); }), true},
      {"NEC leader", EveryFrame(good, [](auto& d) { d[0] = 9000; d[1] = 4500; }), true},
      {"Bose leader", EveryFrame(good, [](auto& d) { d[1] = 1500; }), true},
      {"a space beyond 11", EveryFrame(good, [](auto& d) { d[3] = 1750; }), true},
      {"no stop mark", EveryFrame(good, [](auto& d) { d.pop_back(); d.pop_back(); }), true},
      // One symbol one step off: the check no longer fits.
      {"check wrong", EveryFrame(good, [](auto& d) { d[3] += 290; }), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& r : ReadEach(c.signal, ir::DecodeXiaomi)) EXPECT_EQ(r, "-");
    EXPECT_FALSE(ReadAs(c.signal, "Xiaomi"));
    if (c.style_refuses) {
      for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
        EXPECT_EQ(RecogniseSignal(s).style.rfind("Xiaomi", 0), std::string::npos);
      }
    }
  }
}

TEST(Xiaomi, RealRecordingsComeBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  // A Xiaomi TV remote: 587 us marks, spaces of 589, 883, 1177 and
  // 1471 us, a new frame every 30 ms.
  const struct {
    const char* name;
    const char* said;
    bool held;  // the recording's silences are above the frame split
  } keys[] = {
      {"Home", "Xiaomi 134/13", true},
      {"More", "Xiaomi 134/4", true},
      {"Vol_dn", "Xiaomi 134/15", true},
      // Frames of 19.2 ms: 10.8 ms of silence, below the capture's frame
      // split, so the press is one capture frame of eighteen.
      {"Open", "Xiaomi 60/204", false},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    const std::vector<Signal> signals = CorpusSignals("TVs/Xiaomi/Xiaomi_TV.ir", k.name);
    ASSERT_EQ(signals.size(), 1u);
    const Signal& recorded = signals.front();
    EXPECT_EQ(Said(recorded), k.said);
    if (k.held) {
      ExpectRecognised(recorded, "Xiaomi");
      ExpectRecognised(FirstFrame(recorded), "Xiaomi tap", 200);
    } else {
      EXPECT_EQ(RecogniseSignal(recorded).style, "");
    }
  }
}

}  // namespace
}  // namespace tvq31
