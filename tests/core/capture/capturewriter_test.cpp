#include "capture/capturewriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "capture/convert.h"
#include "hextext/hextext.h"

namespace tvq31 {
namespace {

// A learned-code text read back: durations per frame and the gap (ms)
// written after each frame (-1 for a frame closed by "EDED" alone).
struct Learned {
  int count = 0;
  int carrier_khz = 0;
  std::vector<std::vector<int32_t>> frames;
  std::vector<int> gaps_ms;
};

std::optional<Learned> ReadLearned(const ConvertedCapture& c) {
  if (c.text.empty()) return std::nullopt;
  Learned out;
  out.count = c.frame_count;
  const std::string head = c.text.substr(0, c.frames_start);
  const std::string field = head.substr(std::to_string(c.frame_count).size());
  out.carrier_khz = field == "0000" ? 0 : *ReadHexNumber(field.substr(0, field.size() - 2));
  std::vector<int32_t> frame;
  for (size_t i = c.frames_start; i < c.text.size(); i += 4) {
    const std::string item = c.text.substr(i, 4);
    if (item == "FEFE") {
      out.gaps_ms.push_back(*ReadHexNumber(c.text.substr(i + 4, 4)));
      i += 8;  // the gap and "EDED"
      out.frames.push_back(std::move(frame));
      frame.clear();
    } else if (item == "EDED") {
      out.gaps_ms.push_back(-1);
      out.frames.push_back(std::move(frame));
      frame.clear();
    } else {
      frame.push_back(*ReadHexNumber(item));
    }
  }
  return out;
}

std::vector<uint32_t> NecBits(uint8_t address, uint8_t command) {
  std::vector<uint32_t> d = {9000, 4500};
  const uint8_t bytes[] = {address, static_cast<uint8_t>(~address), command,
                           static_cast<uint8_t>(~command)};
  for (uint8_t byte : bytes) {
    for (int bit = 0; bit < 8; ++bit) {
      d.push_back(560);
      d.push_back((byte >> bit) & 1 ? 1690 : 560);
    }
  }
  d.push_back(560);
  return d;
}

Signal NecPress(uint8_t address, uint8_t command, int repeats) {
  Signal s;
  s.carrier_hz = 38000;
  SignalFrame first{NecBits(address, command), 0};
  first.gap = 108000 - static_cast<uint32_t>(SignalLength(Signal{0, {first}}));
  s.frames.push_back(first);
  for (int r = 0; r < repeats; ++r) s.frames.push_back({{9000, 2250, 560}, 108000 - 11810});
  return s;
}

// Every frame of `sig` must come back with the same durations, every gap
// but the last in whole milliseconds, the lone frame with the fixed 20 ms.
void ExpectRoundTrip(const Signal& sig, const Learned& got, size_t frames) {
  ASSERT_EQ(got.count, static_cast<int>(frames));
  ASSERT_EQ(got.frames.size(), frames);
  for (size_t f = 0; f < frames; ++f) {
    const SignalFrame& want = sig.frames[f];
    ASSERT_EQ(got.frames[f].size(), want.durations.size()) << "frame " << f;
    for (size_t k = 0; k < want.durations.size(); ++k) {
      EXPECT_EQ(got.frames[f][k], static_cast<int32_t>(want.durations[k]))
          << "frame " << f << " duration " << k;
    }
    const int gap = frames == 1 ? 20 : f + 1 == frames ? -1 : static_cast<int>(want.gap / 1000);
    EXPECT_EQ(got.gaps_ms[f], gap) << "frame " << f;
  }
}

TEST(WriteCapture, NecPressRoundTrip) {
  const Signal sig = NecPress(0x04, 0x08, 2);
  const std::string capture = WriteCapture(sig);
  ASSERT_EQ(capture.size(), kCaptureSize);
  const auto got = ReadLearned(ConvertCaptureFull(capture));
  ASSERT_TRUE(got);
  EXPECT_EQ(got->carrier_khz, 38);
  ExpectRoundTrip(sig, *got, 3);
}

TEST(WriteCapture, RandomSignalsRoundTrip) {
  std::mt19937 rng(20261208);
  auto uniform = [&](uint32_t lo, uint32_t hi) {
    return std::uniform_int_distribution<uint32_t>(lo, hi)(rng);
  };
  for (int iter = 0; iter < 400; ++iter) {
    Signal sig;
    sig.carrier_hz = uniform(0, 4) == 0 ? 0 : uniform(20000, 90000);
    const uint32_t frames = uniform(1, 6);
    for (uint32_t f = 0; f < frames; ++f) {
      SignalFrame frame;
      const uint32_t n = 2 * uniform(0, 40) + 1;
      for (uint32_t k = 0; k < n; ++k) {
        // Marks up to the merged-run limit, spaces that fit one token.
        frame.durations.push_back(k % 2 == 0 ? uniform(0, 21786) : uniform(58, 10980));
      }
      frame.gap = uniform(10981, 218504);
      sig.frames.push_back(std::move(frame));
    }
    const auto got = ReadLearned(ConvertCaptureFull(WriteCapture(sig)));
    ASSERT_TRUE(got) << "iteration " << iter;
    ExpectRoundTrip(sig, *got, frames);
    if (HasFatalFailure()) return;
    // The nearest whole kHz; every figure below 90 kHz is reachable.
    const int want_khz = static_cast<int>((sig.carrier_hz + 500) / 1000);
    if (sig.carrier_hz % 1000 != 500) {
      EXPECT_EQ(got->carrier_khz, want_khz) << sig.carrier_hz;
    }
  }
}

// What the remote cannot record, and how the writer bends it.
TEST(WriteCapture, Limits) {
  const struct {
    const char* name;
    Signal sig;
    std::vector<std::vector<int32_t>> frames;
    std::vector<int> gaps_ms;
  } cases[] = {
      {"mark longer than a merged run token is capped", {38000, {{{30000}, 0}}}, {{21786}}, {20}},
      {"longest single-token mark and shortest merged one",
       {38000, {{{10864, 100, 10865}, 0}}}, {{10864, 100, 10865}}, {20}},
      {"space under 58 us comes back as 58", {38000, {{{500, 10, 500}, 0}}}, {{500, 58, 500}}, {20}},
      {"long space inside a frame splits it", {38000, {{{500, 12000, 600}, 0}}}, {{500}, {600}}, {12, -1}},
      {"short gap joins two frames", {38000, {{{500}, 5000}, {{600}, 0}}}, {{500, 5000, 600}}, {20}},
      {"gap beyond 19 run tokens is capped", {38000, {{{500}, 500000}, {{600}, 0}}}, {{500}, {600}}, {218, -1}},
      {"frame ending in a space adds it to the gap", {38000, {{{500, 600}, 40000}, {{700}, 0}}}, {{500}, {700}}, {40, -1}},
      {"frames without durations are skipped", {38000, {{{}, 1000}, {{500}, 0}}}, {{500}}, {20}},
  };
  for (const auto& c : cases) {
    const auto got = ReadLearned(ConvertCaptureFull(WriteCapture(c.sig)));
    ASSERT_TRUE(got) << c.name;
    EXPECT_EQ(got->frames, c.frames) << c.name;
    EXPECT_EQ(got->gaps_ms, c.gaps_ms) << c.name;
  }
}

TEST(WriteCapture, Carrier) {
  const struct {
    uint32_t hz;
    std::string field;
  } cases[] = {
      {0, "0000"},      {38000, "2612"}, {36000, "2412"}, {40000, "2812"},
      {56000, "3812"},  {1, "0B12"},     {455000, "1C112"},
  };
  for (const auto& c : cases) {
    const ConvertedCapture got = ConvertCaptureFull(WriteCapture({c.hz, {{{500}, 0}}}));
    EXPECT_EQ(got.text.substr(1, got.frames_start - 1), c.field) << c.hz;
  }
  // Across the whole range the written figure is as near as any sample sum
  // can give.
  std::vector<int64_t> figures;
  for (int t = 1; t <= 765; ++t) figures.push_back(CarrierFigure(t));
  for (uint32_t hz = 1000; hz < 2000000; hz += 331) {
    int64_t best = INT64_MAX;
    for (int64_t f : figures) best = std::min<int64_t>(best, std::abs(f * 1000 - hz));
    const auto got = ReadLearned(ConvertCaptureFull(WriteCapture({hz, {{{500}, 0}}})));
    ASSERT_TRUE(got);
    EXPECT_EQ(std::abs(int64_t{got->carrier_khz} * 1000 - hz), best) << hz;
  }
}

TEST(WriteCapture, LongPressKeepsWholeFrames) {
  const Signal sig = NecPress(0x04, 0x08, 400);  // far more than the buffer holds
  const std::string capture = WriteCapture(sig);
  ASSERT_EQ(capture.size(), kCaptureSize);
  const auto got = ReadLearned(ConvertCaptureFull(capture));
  ASSERT_TRUE(got);
  EXPECT_GT(got->count, 100);
  EXPECT_LT(got->count, 401);
  ExpectRoundTrip(sig, *got, static_cast<size_t>(got->count));

  // A single frame that cannot fit is cut after a mark.
  Signal huge{38000, {{{}, 0}}};
  for (int k = 0; k < 6001; ++k) huge.frames[0].durations.push_back(k % 2 ? 700 : 500);
  const auto cut = ReadLearned(ConvertCaptureFull(WriteCapture(huge)));
  ASSERT_TRUE(cut);
  ASSERT_EQ(cut->frames.size(), 1u);
  EXPECT_EQ(cut->frames[0].size() % 2, 1u);
  EXPECT_EQ(cut->frames[0].back(), 500);
}

TEST(WriteCapture, NothingToRecord) {
  const std::string capture = WriteCapture(Signal{38000, {}});
  EXPECT_EQ(capture, std::string(kCaptureSize, '\0'));
  EXPECT_EQ(ConvertCapture(capture), "");
}

// The shipped sample is what the writer makes of an NEC press (address 0x04,
// command 0x08, two repeat frames).
TEST(WriteCapture, SampleFile) {
  std::ifstream in(TVQ31_SOURCE_DIR "/data/samples/nec-1a.capture", std::ios::binary);
  ASSERT_TRUE(in);
  const std::string sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(sample, WriteCapture(NecPress(0x04, 0x08, 2)));
}

}  // namespace
}  // namespace tvq31
