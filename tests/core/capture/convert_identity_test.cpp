// The converter against its plain reference: every recorded capture of the
// corpus (as recorded and as a receiver distorts it), cut short and with
// single characters changed, and random token streams built from the tokens
// the rules tell apart, give the same text, frame count and frame start.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "irtoolkit/irtoolkit.h"
#include "reference_convert.h"

namespace tvq31 {
namespace {

std::vector<Signal> CorpusSignals() {
  std::vector<Signal> signals;
  const std::filesystem::path root = std::filesystem::path(TVQ31_CORPUS_DIR) / "flipper-irdb";
  if (!std::filesystem::exists(root)) return signals;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && e.path().extension() == ".ir") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const auto entries = ParseFlipperIr(text.str());
    if (!entries) continue;
    for (const IrEntry& entry : *entries) {
      if (!entry.error.empty()) continue;
      if (std::optional<Signal> s = EntrySignal(entry)) signals.push_back(std::move(*s));
    }
  }
  return signals;
}

// Same result as the reference; the capture is named on failure.
bool Same(std::string_view capture, const std::string& what) {
  const ConvertedCapture got = ConvertCaptureFull(capture);
  const ConvertedCapture want = reference_convert::Convert(capture);
  EXPECT_EQ(got.text, want.text) << what;
  EXPECT_EQ(got.frame_count, want.frame_count) << what;
  EXPECT_EQ(got.frames_start, want.frames_start) << what;
  return got.text == want.text && got.frame_count == want.frame_count &&
         got.frames_start == want.frames_start;
}

TEST(ConvertIdentity, RecordedCaptures) {
  const std::vector<Signal> signals = CorpusSignals();
  if (signals.empty()) GTEST_SKIP() << "no corpus at " << TVQ31_CORPUS_DIR;
  std::mt19937_64 rng(7);
  size_t converted = 0;
  for (size_t k = 0; k < signals.size(); ++k) {
    for (const Signal& signal : {signals[k], DistortSignal(signals[k], k)}) {
      const std::string capture = WriteCapture(signal);
      const std::string name = "corpus signal " + std::to_string(k);
      if (!Same(capture, name)) return;
      converted += !ConvertCapture(capture).empty();
      // Cut short around where the signal ends (its trailer lies a little
      // past as many capture characters as the learned code has) and
      // anywhere before.
      const size_t end = std::max<size_t>(ConvertCapture(capture).size(), 64);
      for (int c = 0; c < 6; ++c) {
        const size_t cut = c < 3 ? end + rng() % 160 : rng() % end;
        if (cut >= capture.size()) continue;
        if (!Same(std::string_view(capture).substr(0, cut), name + " cut at " + std::to_string(cut))) return;
      }
      std::string changed = capture;
      for (int m = 0; m < 4; ++m) {
        const size_t at = rng() % std::min(capture.size(), end * 2);
        changed[at] = "07F8a!\0E"[rng() % 8];
      }
      if (!Same(changed, name + " changed")) return;
    }
  }
  EXPECT_GT(converted, signals.size());
}

// Streams of the tokens the rules distinguish: run tokens, marks (bit 15),
// spaces, short and long runs, trailers, tokens that are not hexadecimal,
// and endings of every length.
TEST(ConvertIdentity, RandomTokenStreams) {
  const std::vector<std::string> tokens = {"7FFF", "7fff", "8300", "8090", "80AD", "FFFF", "1000",
                                           "0000", "54C3", "4F4F", "4F00", "03030300", "00000000",
                                           "G000", "8 00", "7FF",  "0",    "12"};
  std::mt19937_64 rng(31);
  for (int n = 0; n < 20000; ++n) {
    std::string capture;
    const int length = static_cast<int>(rng() % 60);
    for (int t = 0; t < length; ++t) {
      const uint64_t pick = rng() % 10;
      if (pick < 3) {
        // A run: mostly short (a frame gap), sometimes long (the end).
        const int runs = rng() % 4 == 0 ? 18 + static_cast<int>(rng() % 5) : 1 + static_cast<int>(rng() % 3);
        for (int r = 0; r < runs; ++r) capture += "7FFF";
      } else {
        capture += tokens[rng() % tokens.size()];
      }
    }
    if (!Same(capture, "stream " + std::to_string(n) + ": " + capture)) return;
  }
}

}  // namespace
}  // namespace tvq31
