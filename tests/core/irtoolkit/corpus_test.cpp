// Checks against the real recordings of the shared corpus.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "irtoolkit/irtoolkit.h"

namespace tvq31 {
namespace {

std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path root = std::filesystem::path(TVQ31_CORPUS_DIR) / "flipper-irdb";
  if (!std::filesystem::exists(root)) return files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && e.path().extension() == ".ir") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Near(uint32_t a, uint32_t b) {
  const uint32_t diff = a > b ? a - b : b - a;
  return diff <= 200 || diff * 4 <= b;
}

// Reads a pulse-distance frame with a two-element header: 32 bits, least
// significant first, a long space meaning 1.
std::optional<uint32_t> Read32(const std::vector<uint32_t>& d) {
  if (d.size() != 67) return std::nullopt;
  uint32_t value = 0;
  for (int i = 0; i < 32; ++i) {
    if (d[3 + 2 * i] > 1100) value |= 1u << i;
  }
  return value;
}

TEST(Corpus, EveryEntryBecomesASignal) {
  const auto files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << TVQ31_CORPUS_DIR;
  size_t parsed = 0, raw = 0;
  for (const auto& file : files) {
    std::string error;
    const auto entries = ParseFlipperIr(Slurp(file), &error);
    ASSERT_TRUE(entries) << file << ": " << error;
    for (const IrEntry& entry : *entries) {
      const auto signal = EntrySignal(entry, kDefaultHoldMs, &error);
      ASSERT_TRUE(signal) << file << ": " << error;
      ASSERT_FALSE(signal->frames.empty()) << file << ": " << entry.name;
      for (const SignalFrame& f : signal->frames) {
        ASSERT_EQ(f.durations.size() % 2, 1u) << file << ": " << entry.name;
        ASSERT_GT(f.gap, 0u);
      }
      (entry.parsed ? parsed : raw) += 1;
    }
  }
  EXPECT_GT(parsed, 10000u);
  EXPECT_GT(raw, 1000u);
}

// Raw recordings of NEC and Samsung32 remotes, decoded by a plain
// pulse-distance reader, must give back the encoder's frame for the same
// address and command: this pins the bit order and the byte layout to real
// remotes, not only to the descriptions.
TEST(Corpus, EncodersReproduceRawRecordings) {
  const auto files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus";
  size_t nec = 0, samsung = 0, differing = 0;
  for (const auto& file : files) {
    const auto entries = ParseFlipperIr(Slurp(file));
    if (!entries) continue;
    for (const IrEntry& entry : *entries) {
      if (entry.parsed || !entry.error.empty()) continue;
      const Signal raw = SignalFromDurations(entry.frequency, entry.raw);
      const auto& d = raw.frames.front().durations;
      const auto bits = Read32(d);
      if (!bits) continue;
      const uint32_t b0 = *bits & 0xFF, b1 = (*bits >> 8) & 0xFF, b2 = (*bits >> 16) & 0xFF,
                     b3 = *bits >> 24;
      if ((b2 ^ b3) != 0xFF) continue;
      std::optional<Signal> encoded;
      if (d[0] > 8000 && d[0] < 10000 && d[1] > 4000 && d[1] < 5000 && (b0 ^ b1) == 0xFF) {
        encoded = EncodeProtocol("NEC", b0, b2, 0);
        ++nec;
      } else if (d[0] > 4000 && d[0] < 5000 && d[1] > 4000 && d[1] < 5000 && b0 == b1) {
        encoded = EncodeProtocol("Samsung32", b0, b2, 0);
        ++samsung;
      } else {
        continue;
      }
      ASSERT_TRUE(encoded);
      const auto& e = encoded->frames.front().durations;
      ASSERT_EQ(e.size(), d.size()) << file << ": " << entry.name;
      bool same = true;
      for (size_t i = 0; i < d.size(); ++i) same = same && Near(d[i], e[i]);
      if (!same) {
        ++differing;
        if (std::getenv("IRTOOLKIT_VERBOSE")) std::cerr << file << ": " << entry.name << "\n";
      }
    }
  }
  EXPECT_GT(nec, 20u);
  EXPECT_GT(samsung, 5u);
  // Some remotes are sloppy (marks of 350 µs where 560 are meant); a wrong
  // bit order or byte layout would make nearly all of them differ.
  EXPECT_LE(differing * 50, nec + samsung) << differing << " of " << (nec + samsung);
}

}  // namespace
}  // namespace tvq31
