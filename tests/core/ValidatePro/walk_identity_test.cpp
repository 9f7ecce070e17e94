// Passing over styles that cannot match must change nothing: every capture
// of the recorded corpus, as recorded, as a receiver distorts it and
// perturbed at the edges of the comparison windows, gives the same result
// and leaves the same context as trying every style, one run after another.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "MrcDataUnit/stylesource.h"
#include "MrcDataUnit/timing.h"
#include "ValidatePro/recognise.h"
#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"
#include "test_styles.h"

namespace tvq31 {
namespace {

using namespace testing_styles;

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

std::string Frames(const Signal& signal) {
  const ConvertedCapture conv = ConvertCaptureFull(WriteCapture(signal));
  return conv.text.empty() ? std::string() : conv.text.substr(conv.frames_start);
}

// The items of a learned-code text, with what each one is.
struct Items {
  std::vector<std::string> items;
  bool IsMarker(size_t k) const { return items[k] == "FEFE" || items[k] == "EDED"; }
  bool IsGap(size_t k) const { return k > 0 && items[k - 1] == "FEFE"; }
  bool IsDuration(size_t k) const { return !IsMarker(k) && !IsGap(k); }
  size_t FirstEnd() const {
    const auto it = std::find(items.begin(), items.end(), "EDED");
    return static_cast<size_t>(it - items.begin());
  }
  std::string Join() const {
    std::string s;
    for (const std::string& i : items) s += i;
    return s;
  }
};

Items Split(const std::string& text) {
  Items out;
  for (size_t pos = 0; pos < text.size(); pos += 4) out.items.push_back(text.substr(pos, 4));
  return out;
}

std::string Scaled(const std::string& item, double factor) {
  const std::optional<int32_t> v = ReadHexNumber(item);
  if (!v) return item;
  return WriteHex(std::clamp<int64_t>(std::llround(static_cast<double>(*v) * factor), 0, 0xFFFF), 4);
}

// Variants of one capture that sit on the edges the styles are told apart
// by: the first frame scaled onto the header and symbol windows, its gap
// onto the timing window, its gap or its first frame gone, a last header
// item merged with what follows, a header-only first frame, the text cut
// short, and a few items changed at random.
std::vector<std::string> Perturbed(const std::string& text, std::mt19937& rng) {
  std::vector<std::string> out;
  const Items base = Split(text);
  const size_t end = base.FirstEnd();
  if (base.items.empty()) return out;
  for (double f : {0.8, 1.2, 0.7, 1.3, 0.75, 1.25, 0.6, 1.4}) {
    Items v = base;
    for (size_t k = 0; k < end && k < v.items.size(); ++k) {
      if (v.IsDuration(k)) v.items[k] = Scaled(v.items[k], f);
    }
    out.push_back(v.Join());
  }
  for (size_t k = 0; k + 1 < end; ++k) {
    if (base.items[k] != "FEFE") continue;
    for (double f : {0.9, 1.1, 0.5}) {
      Items v = base;
      v.items[k + 1] = Scaled(v.items[k + 1], f);
      out.push_back(v.Join());
    }
    Items v = base;
    v.items.erase(v.items.begin() + static_cast<long>(k), v.items.begin() + static_cast<long>(k) + 2);
    out.push_back(v.Join());
    break;
  }
  if (end + 1 < base.items.size()) {
    out.push_back(text.substr(4 * (end + 1)));
  }
  for (size_t merge = 1; merge <= 2 && merge + 1 < end; ++merge) {
    Items v = base;
    const int64_t a = ReadHexNumber(v.items[merge]).value_or(0);
    const int64_t b = ReadHexNumber(v.items[merge + 1]).value_or(0);
    v.items[merge] = WriteHex(std::min<int64_t>(a + b, 0xFFFF), 4);
    v.items.erase(v.items.begin() + static_cast<long>(merge) + 1);
    out.push_back(v.Join());
  }
  if (end >= 3) {
    Items v = base;
    v.items.erase(v.items.begin() + 2, v.items.begin() + static_cast<long>(end));
    out.push_back(v.Join());
  }
  out.push_back(text.substr(0, 3));
  out.push_back(text.substr(0, std::min(text.size(), 4 * end + 2)));
  std::uniform_int_distribution<size_t> pick(0, base.items.size() - 1);
  std::uniform_real_distribution<double> factor(0.5, 1.6);
  for (int round = 0; round < 3; ++round) {
    Items v = base;
    for (int n = 0; n < 3; ++n) {
      const size_t k = pick(rng);
      if (v.IsDuration(k)) v.items[k] = Scaled(v.items[k], factor(rng));
    }
    out.push_back(v.Join());
  }
  return out;
}

ArrCodeStyleNode ShippedStyles() {
  ArrCodeStyleNode styles;
  std::string error;
  EXPECT_TRUE(CompileStyleSources({std::string(TVQ31_SOURCE_DIR) + "/data/codestyles"}, styles, &error))
      << error;
  return styles;
}

// The shipped styles, then copies that sit on the edges of their windows,
// and styles that read group entries earlier styles left.
ArrCodeStyleNode EdgeStyles(const ArrCodeStyleNode& shipped) {
  ArrCodeStyleNode lib = shipped;
  for (double f : {0.8, 1.2, 0.7, 1.3}) {
    for (const CodeStyleNode& s : shipped) lib.push_back(ScaledStyle(s, f));
  }
  for (const CodeStyleNode& s : shipped) {
    if (s.GroupCount == 0 || s.Groups[0].Count < 2) continue;
    CodeStyleNode c = ScaledStyle(s, 1.1);
    c.Groups[0].Count = 1;  // its second element comes from the context
    lib.push_back(c);
  }
  // Three elements a group: the element count it leaves differs from the
  // others'.
  CodeStyleNode longer = ScaledStyle(shipped.front(), 1.5);
  for (int g = 0; g < longer.GroupCount; ++g) {
    SymbolGroup& group = longer.Groups[static_cast<size_t>(g)];
    group.Elements[group.Count] = group.Elements[0];
    ++group.Count;
  }
  lib.push_back(longer);
  CodeStyleNode nothing;  // no groups, no template: it only writes the context
  nothing.Name = "nothing";
  nothing.CarrierFreq = 38000;
  nothing.UnitDivisor = 1;
  lib.insert(lib.begin() + 3, nothing);
  return lib;
}

// `least`: how many captures at least some style recognises, so that the
// walk is compared where styles do match as well.
void ExpectSameWalk(const ArrCodeStyleNode& styles, const std::vector<std::string>& captures,
                    size_t least) {
  const PreparedLibrary prepared(styles);
  Recogniser filtered, reference;
  int mismatches = 0;
  size_t recognised = 0;
  for (size_t i = 0; i < captures.size() && mismatches < 5; ++i) {
    const int key = static_cast<int>(i % 80);
    const RecognitionResult want = reference.RecogniseCapture(captures[i], key, styles);
    const RecognitionResult got = filtered.RecogniseCapture(captures[i], key, prepared);
    recognised += !want.record.empty();
    const bool same = got.record == want.record && got.style == want.style &&
                      got.index == want.index && got.error == want.error &&
                      filtered.context == reference.context;
    if (!same) {
      ++mismatches;
      ADD_FAILURE() << "capture " << i << " " << captures[i].substr(0, 80) << ": style \""
                    << got.style << "\" (" << got.index << ") instead of \"" << want.style
                    << "\" (" << want.index << ")"
                    << (filtered.context == reference.context ? "" : ", context differs");
    }
  }
  EXPECT_GE(recognised, least);
}

#ifdef TVQ31_SANITIZED
constexpr size_t kSpread = 8;  // sanitizer builds: a spread of the corpus
#else
constexpr size_t kSpread = 1;
#endif

class WalkIdentity : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::vector<Signal> signals = CorpusSignals();
    std::mt19937 rng(12345);
    for (size_t i = 0; i < signals.size(); ++i) {
      if (i % kSpread != 0) continue;
      const std::string text = Frames(signals[i]);
      if (text.empty()) continue;
      recorded_->push_back(text);
      distorted_->push_back(Frames(DistortSignal(signals[i], i)));
      if (i % (3 * kSpread) == 0) sampled_->push_back(text);
      // Every entry's perturbations would be many; a spread of them is
      // enough to reach every protocol and every edge.
      if (i % (31 * kSpread) == 0) {
        for (std::string& p : Perturbed(text, rng)) perturbed_->push_back(std::move(p));
      }
    }
  }
  static inline std::vector<std::string>* recorded_ = new std::vector<std::string>;
  static inline std::vector<std::string>* distorted_ = new std::vector<std::string>;
  static inline std::vector<std::string>* perturbed_ = new std::vector<std::string>;
  static inline std::vector<std::string>* sampled_ = new std::vector<std::string>;
};

TEST_F(WalkIdentity, ShippedStyles) {
  if (recorded_->empty()) GTEST_SKIP() << "no corpus at " << TVQ31_CORPUS_DIR;
  const ArrCodeStyleNode styles = ShippedStyles();
  ASSERT_FALSE(styles.empty());
  ExpectSameWalk(styles, *recorded_, recorded_->size() / 2);
  ExpectSameWalk(styles, *distorted_, distorted_->size() / 2);
}

TEST_F(WalkIdentity, StylesOnTheEdgesOfTheWindows) {
  if (recorded_->empty()) GTEST_SKIP() << "no corpus at " << TVQ31_CORPUS_DIR;
  const ArrCodeStyleNode styles = EdgeStyles(ShippedStyles());
  ExpectSameWalk(styles, *sampled_, sampled_->size() / 2);
  ExpectSameWalk(styles, *perturbed_, perturbed_->size() / 4);
  ExpectSameWalk(ShippedStyles(), *perturbed_, perturbed_->size() / 4);
}

// The cases the first frame decides alone, one style each, against the
// style that tries every frame.
TEST(WalkIdentityCases, FirstFrameDecides) {
  CodeStyleNode gap = NecStyle();
  gap.Sequence[0] = Gap(0, 4000);
  CodeStyleNode bare = NecStyle();  // no header: the frame starts with a symbol
  bare.Frames[0] = Pattern({DefineA(0, 8), DefineA(1, 8), DefineA(2, 8), DefineA(3, 8), Mark(560)});
  CodeStyleNode lone = NecStyle();  // a template without marks
  lone.RepeatCount = 0;
  // A first frame of a gap alone that the header takes whole (the gap mark
  // read as a long duration): it is a frame of its header only, whatever
  // its timing.
  CodeStyleNode gapHeader = NecStyle();
  gapHeader.Name = "gap header";
  gapHeader.FrameCount = 2;
  gapHeader.Frames[1] = gapHeader.Frames[0];
  gapHeader.Frames[0] = Pattern({Mark(65000), Space(96)});
  gapHeader.SequenceCount = 2;
  gapHeader.Sequence[1] = Period(1, 10800);
  const ArrCodeStyleNode styles = {NecStyle(), gap, bare, lone};
  const std::string gapFirst = "FEFE0060EDED" + NecFrame(kNecLetters);
  Recogniser r;
  EXPECT_EQ(r.RecogniseCapture(gapFirst, 1, ArrCodeStyleNode{gapHeader}).style, "gap header");
  ExpectSameWalk({gap, gapHeader}, {gapFirst}, 1);
  const std::string repeat = NecRepeat();
  const std::vector<std::string> captures = {
      NecFrame(kNecLetters) + NecRepeat(),
      NecFrame(kNecLetters, 9000, 4500, 560, 560, 1690, 40),   // a 40 ms gap
      NecFrame(kNecLetters, 9000, 4500, 560, 560, 1690, 0),    // no gap
      NecFrame(kNecLetters, 7201, 4500),                       // lead just inside
      NecFrame(kNecLetters, 7200, 4500),                       // on the bound
      NecFrame(kNecLetters, 9000, 9000),                       // last header item overrun
      NecFrame(kNecLetters, 9000, 3600),                       // last header item too short
      "23281194EDED" + NecFrame(kNecLetters),                  // header only, then the frame
      "23281194FEFE0060EDED" + NecFrame(kNecLetters),          // the same with a gap
      NecFrame(kNecLetters).substr(0, 3),
      "",
      NecFrame(kNecLetters.substr(2)).substr(16),             // starts on a symbol
      repeat,
  };
  ExpectSameWalk(styles, captures, 4);
}

}  // namespace
}  // namespace tvq31
