// Raw records keep what protocols need of a recording: lengths that code
// values a step apart (XMP's nibbles) stay apart, and a frame captured
// alone is not followed by the capture's fixed 20 ms.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "transmitter/learnedcode.h"
#include "transmitter/rawrecord.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

// XMP codes a nibble n as a 210 us mark and a space of 760 + n * 136.7 us.
constexpr double kXmpStep = 136.7;

int Nibble(uint32_t space) { return static_cast<int>(std::lround((space - 760.0) / kXmpStep)); }

// One XMP half: eight nibbles and the closing mark, as a receiver measures
// them (each duration within `jitter` us).
SignalFrame XmpHalf(const std::array<int, 8>& nibbles, uint32_t gap, int jitter, std::mt19937& rng) {
  std::uniform_int_distribution<int> off(-jitter, jitter);
  SignalFrame f;
  for (int n : nibbles) {
    f.durations.push_back(static_cast<uint32_t>(210 + off(rng)));
    f.durations.push_back(static_cast<uint32_t>(std::lround(760 + n * kXmpStep) + off(rng)));
  }
  f.durations.push_back(static_cast<uint32_t>(210 + off(rng)));
  f.gap = gap;
  return f;
}

std::vector<int> Nibbles(const Signal& s) {
  std::vector<int> out;
  for (const SignalFrame& f : s.frames) {
    for (size_t i = 1; i < f.durations.size(); i += 2) out.push_back(Nibble(f.durations[i]));
  }
  return out;
}

uint32_t UpToTheLastMarkMs(const Signal& s) {
  uint64_t us = 0;
  for (const SignalFrame& f : s.frames) {
    for (uint32_t d : f.durations) us += d;
    us += f.gap;
  }
  if (!s.frames.empty()) us -= s.frames.back().gap;
  return static_cast<uint32_t>((us + 999) / 1000);
}

Signal PlayedRecord(const Signal& recording, uint32_t hold_ms) {
  std::string error;
  const std::string record = RawKeyRecordFromLearnedCode(WriteLearnedCode(recording), 0x21, &error);
  EXPECT_FALSE(record.empty()) << error;
  const std::optional<Signal> sent = TransmitKeyRecord(record, hold_ms, &error);
  EXPECT_TRUE(sent) << error;
  return sent ? *sent : Signal{};
}

TEST(RawFidelity, XmpNibblesKeepTheirValues) {
  struct Case {
    int presses;  // pairs of halves recorded
    int jitter;   // us
  };
  // One press fits the frame layout; held presses of many halves, each
  // measured anew, go to the stream layout.
  for (const Case& c : {Case{1, 25}, Case{1, 40}, Case{6, 40}, Case{14, 40}}) {
    std::mt19937 rng(static_cast<uint32_t>(c.presses * 100 + c.jitter));
    std::uniform_int_distribution<int> nibble(0, 15);
    for (int trial = 0; trial < 30; ++trial) {
      std::array<int, 8> a{}, b{};
      for (int i = 0; i < 8; ++i) {
        a[static_cast<size_t>(i)] = nibble(rng);
        b[static_cast<size_t>(i)] = nibble(rng);
      }
      Signal recording{38000, {}};
      for (int p = 0; p < c.presses; ++p) {
        recording.frames.push_back(XmpHalf(a, 13800, c.jitter, rng));
        recording.frames.push_back(XmpHalf(b, 80400, c.jitter, rng));
      }
      const Signal sent = PlayedRecord(recording, UpToTheLastMarkMs(recording));
      std::vector<int> want = Nibbles(recording);
      std::vector<int> got = Nibbles(sent);
      ASSERT_GE(got.size(), want.size()) << c.presses << " presses, trial " << trial;
      got.resize(want.size());
      EXPECT_EQ(got, want) << c.presses << " presses, jitter " << c.jitter << ", trial " << trial;
    }
  }
}

TEST(RawFidelity, FramesOneStepApartAreNotMerged) {
  // Two halves that differ only in a long nibble, 15 measured 30 us short
  // and 14 measured 30 us long: 77 us apart, less than the tolerance of
  // one measured symbol, but two values all the same.
  std::mt19937 rng(1);
  std::array<int, 8> a = {1, 15, 3, 15, 0, 15, 7, 15};
  std::array<int, 8> b = a;
  b[7] = 14;
  Signal recording{38000, {XmpHalf(a, 13800, 0, rng), XmpHalf(b, 80400, 0, rng)}};
  recording.frames[0].durations[15] -= 30;
  recording.frames[1].durations[15] += 30;
  const Signal sent = PlayedRecord(recording, 100);
  ASSERT_EQ(sent.frames.size(), 2u);
  EXPECT_EQ(Nibble(sent.frames[1].durations[15]), 14);
  EXPECT_EQ(Nibble(sent.frames[0].durations[15]), 15);
}

TEST(RawFidelity, AFrameCapturedAloneIsFollowedByTheSilenceOfAnEndedPress) {
  const SignalFrame frame{{9000, 4500, 560, 1690, 560, 560, 560}, 40000};
  struct Case {
    const char* what;
    Signal recording;
    uint32_t last_gap_at_least;
  };
  const std::vector<Case> cases = {
      // The capture closes a lone frame with 20 ms that nobody measured.
      {"one frame", Signal{38000, {frame}}, kLoneFrameSilenceUs},
      // The last of several frames keeps the remote's own gap.
      {"two frames", Signal{38000, {frame, frame}}, 38000},
  };
  for (const Case& c : cases) {
    const Signal sent = PlayedRecord(c.recording, 1);
    ASSERT_FALSE(sent.frames.empty()) << c.what;
    EXPECT_GE(sent.frames.back().gap, c.last_gap_at_least) << c.what;
    EXPECT_LE(sent.frames.back().gap, c.last_gap_at_least + 3000) << c.what;
  }
}

}  // namespace
}  // namespace tvq31
