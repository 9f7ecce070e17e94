// The order of the shipped library across families: a press of one family
// is recognised by a style of that family or by none. Checked on presses of
// every registered encoder (held and one-frame taps, several values, through
// the receiver's distortion) and on every real recording of the corpus, whose
// family is what our decoders read in it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "family_rig.h"

namespace tvq31::familytest {
namespace {

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

// Collects which style took which family's presses: one line per pair
// with a count and the first example, so one loose style does not bury the
// others.
class TakenBy {
 public:
  void Add(const std::string& style, const std::string& family, const std::string& example) {
    Entry& e = pairs_["style \"" + style + "\" (" + FamilyOrNone(FamilyOfName(style)) +
                      ") took " + FamilyOrNone(family) + " presses"];
    if (e.count++ == 0) e.example = example;
  }
  bool empty() const { return pairs_.empty(); }
  std::string Report() const {
    std::string out;
    for (const auto& [what, e] : pairs_) {
      out += "  " + what + ": " + std::to_string(e.count) + ", e.g. " + e.example + "\n";
    }
    return out;
  }

 private:
  static std::string FamilyOrNone(const std::string& f) { return f.empty() ? "no family" : f; }
  struct Entry {
    size_t count = 0;
    std::string example;
  };
  std::map<std::string, Entry> pairs_;
};

TEST(LibraryOrder, SynthesisedPressesMatchOnlyStylesOfTheirFamily) {
  // Values of every size, so that each protocol gets some that fit its
  // fields; those that do not fit are passed over.
  const std::vector<std::pair<uint32_t, uint32_t>> values = {
      {0x00, 0x00}, {0x01, 0x02}, {0x05, 0x0C},     {0x1A, 0x3F},
      {0x80, 0x7F}, {0x1234, 0xAB}, {0xBEEF, 0xCD}, {0x0F, 0x15},
  };
  TakenBy taken;
  size_t presses = 0;
  size_t recognised = 0;
  for (const IrFamily& f : IrFamilies()) {
    if (f.encode == nullptr) continue;
    for (std::string_view protocol : f.protocols) {
      size_t encoded = 0;
      for (const auto& [address, command] : values) {
        std::optional<Signal> held =
            EncodeProtocol(protocol, address, command, kDefaultHoldMs, nullptr);
        if (!held) continue;
        ++encoded;
        for (int tap = 0; tap < 2; ++tap) {
          const Signal clean = tap ? FirstFrame(*held) : *held;
          for (uint64_t seed : {1u, 2u}) {
            ++presses;
            const RecognitionResult r = RecogniseSignal(DistortSignal(clean, seed * 7919 + address));
            if (r.record.empty()) continue;
            ++recognised;
            if (FamilyOfName(r.style) == f.name) continue;
            taken.Add(r.style, std::string(f.name),
                      std::string(protocol) + " " + Hex(address) + "/" + Hex(command) +
                          (tap ? " tap" : " held") + ", seed " + std::to_string(seed));
          }
        }
      }
      EXPECT_GT(encoded, 0u) << protocol << ": none of the values fit";
    }
  }
  EXPECT_GT(recognised, 0u);
  EXPECT_TRUE(taken.empty()) << "of " << presses << " presses, " << recognised
                             << " recognised; styles that took another family's:\n"
                             << taken.Report();
}

TEST(LibraryOrder, RealRecordingsMatchStylesOfTheFamilyTheyDecodeAs) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  namespace fs = std::filesystem;
  const fs::path corpus = fs::path(TVQ31_CORPUS_DIR) / "flipper-irdb";
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    if (entry.is_regular_file() && entry.path().extension() == ".ir") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  TakenBy taken;
  size_t recordings = 0;
  size_t recognised = 0;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::optional<std::vector<IrEntry>> entries = ParseFlipperIr(text.str());
    if (!entries) continue;
    for (const IrEntry& e : *entries) {
      if (e.parsed || !e.error.empty()) continue;
      const std::optional<Signal> signal = EntrySignal(e);
      if (!signal || signal->frames.empty()) continue;
      ++recordings;
      const RecognitionResult r = RecogniseSignal(*signal);
      if (r.record.empty()) continue;
      ++recognised;
      const std::vector<DecodedFrame> says = Says(*signal);
      const std::string family = says.empty() || says.front().protocol.empty()
                                     ? std::string()
                                     : FamilyOfName(says.front().protocol);
      if (!family.empty() && FamilyOfName(r.style) == family) continue;
      taken.Add(r.style, family.empty() ? "undecoded" : family,
                fs::relative(file, corpus).string() + " \"" + e.name + "\"");
    }
  }
  EXPECT_GT(recognised, 0u);
  EXPECT_TRUE(taken.empty()) << "of " << recordings << " recordings, " << recognised
                             << " recognised; styles of another family than the decoded one:\n"
                             << taken.Report();
}

}  // namespace
}  // namespace tvq31::familytest
