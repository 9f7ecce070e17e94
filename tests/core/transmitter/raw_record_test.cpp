// The raw key record: learned-code text -> record -> transmission.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <random>
#include <sstream>

#include "testutil.h"
#include "transmitter/learnedcode.h"
#include "transmitter/rawrecord.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

using testing::Unfaithful;

std::vector<uint32_t> NecBits(uint32_t code) {
  std::vector<uint32_t> d = {9000, 4500};
  for (int i = 0; i < 32; ++i) {
    d.push_back(560);
    d.push_back((code >> i) & 1 ? 1690 : 560);
  }
  d.push_back(560);
  return d;
}

uint64_t Length(const SignalFrame& f) {
  uint64_t t = f.gap;
  for (uint32_t d : f.durations) t += d;
  return t;
}

// NEC held for 2 s: the full frame, then a repeat frame every 108 ms.
Signal NecHeld() {
  Signal s;
  s.carrier_hz = 38000;
  SignalFrame full{NecBits(0xF708FB04), 0};
  full.gap = static_cast<uint32_t>(108000 - (Length(full)));
  s.frames.push_back(full);
  SignalFrame repeat{{9000, 2250, 560}, 0};
  repeat.gap = static_cast<uint32_t>(108000 - Length(repeat));
  for (int i = 0; i < 18; ++i) s.frames.push_back(repeat);
  return s;
}

// A hold that ends halfway through the original's last cycle, so the
// transmission sends exactly as many frames as the original.
uint32_t HoldFor(const Signal& s) {
  uint64_t start = 0;
  for (size_t i = 0; i + 1 < s.frames.size(); ++i) start += Length(s.frames[i]);
  return static_cast<uint32_t>((start + Length(s.frames.back()) / 2) / 1000);
}

// The original with its gaps as the learned-code text carries them.
std::string Playback(const Signal& original, std::string* record_out = nullptr) {
  std::string error;
  const std::string record = RawKeyRecordFromLearnedCode(WriteLearnedCode(original), 0x2B, &error);
  if (record.empty()) return "no record: " + error;
  if (record_out) *record_out = record;
  const auto played = TransmitKeyRecord(record, HoldFor(original), &error);
  if (!played) return "not playable: " + error;
  if (played->carrier_hz != (original.carrier_hz + 500) / 1000 * 1000) return "carrier differs";
  return Unfaithful(original, *played);
}

TEST(RawRecord, NecHeldTwoSecondsIsStoredOnceAndRepeated) {
  const Signal nec = NecHeld();
  std::string record;
  EXPECT_EQ(Playback(nec, &record), "");
  const auto parts = ParseKeyRecordParts(record);
  ASSERT_TRUE(parts);
  EXPECT_TRUE(IsRawKeyRecord(*parts));
  EXPECT_EQ(parts->key_code, 0x2B);
  EXPECT_EQ(record.substr(0, 8), "00012BC7");
  // Two distinct frames, one once-only entry, one repeat entry.
  EXPECT_LT(parts->head.size(), 20u);
  EXPECT_LT(parts->data.size(), 40u);
  // Held longer, the repeat goes on; held briefly, one repeat still goes.
  EXPECT_EQ(TransmitKeyRecord(record, 3000)->frames.size(), 28u);
  EXPECT_EQ(TransmitKeyRecord(record, 0)->frames.size(), 2u);
}

TEST(RawRecord, RandomSignalsPlayBackFaithfully) {
  std::mt19937 rng(8);
  int fitted = 0;
  const int runs = 400;
  for (int run = 0; run < runs; ++run) {
    // A protocol-like alphabet of durations, frames drawn from it with 1 %
    // jitter, a few once-only frames and a repeated tail.
    std::vector<uint32_t> alphabet(2 + rng() % 7);
    for (uint32_t& a : alphabet) a = 200 + rng() % 9000;
    auto make_frame = [&] {
      SignalFrame f;
      const size_t n = 1 + 2 * (rng() % 50);
      for (size_t k = 0; k < n; ++k) {
        const double a = alphabet[rng() % alphabet.size()];
        f.durations.push_back(static_cast<uint32_t>(a * (0.99 + 0.02 * (rng() % 1000) / 1000.0)));
      }
      f.gap = 11000 + rng() % 140000;
      return f;
    };
    Signal s;
    s.carrier_hz = std::vector<uint32_t>{0, 36000, 38000, 40000, 56000}[rng() % 5];
    const size_t once = rng() % 3;
    for (size_t i = 0; i < once; ++i) s.frames.push_back(make_frame());
    const SignalFrame tail = make_frame();
    const size_t copies = 1 + rng() % 12;
    for (size_t i = 0; i < copies; ++i) s.frames.push_back(tail);
    const std::string result = Playback(s);
    if (result.rfind("no record", 0) == 0) continue;  // too long for one record: refused whole
    ++fitted;
    EXPECT_EQ(result, "") << "run " << run << "\n" << WriteLearnedCode(s);
  }
  EXPECT_GT(fitted, runs * 8 / 10);
}

// Real recordings: every raw entry of the corpus that fits one record
// plays back faithfully. Spaces of 10.9 ms or more are frame gaps, as the
// capture conversion makes them.
TEST(RawRecord, CorpusRawEntriesPlayBackFaithfully) {
  std::vector<std::string> files;
  std::vector<std::string> dirs = {std::string(TVQ31_CORPUS_DIR) + "/flipper-irdb"};
  while (!dirs.empty()) {
    const std::string dir = dirs.back();
    dirs.pop_back();
    DIR* d = opendir(dir.c_str());
    if (!d) continue;
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "/" + name;
      if (e->d_type == DT_DIR) dirs.push_back(path);
      if (name.size() > 3 && name.substr(name.size() - 3) == ".ir") files.push_back(path);
    }
    closedir(d);
  }
  if (files.empty()) GTEST_SKIP() << "corpus not found";
  int signals = 0, fitted = 0, faithful = 0;
  for (const std::string& path : files) {
    std::ifstream in(path);
    std::string line;
    uint32_t freq = 0;
    while (std::getline(in, line)) {
      if (line.rfind("frequency:", 0) == 0) freq = static_cast<uint32_t>(std::stoul(line.substr(10)));
      if (line.rfind("data:", 0) != 0) continue;
      std::istringstream values(line.substr(5));
      Signal s;
      s.carrier_hz = freq;
      SignalFrame f;
      uint32_t v;
      bool mark = true, usable = true;
      while (values >> v) {
        if (!mark && v >= 10900) {
          f.gap = v;
          s.frames.push_back(f);
          f = SignalFrame{};
        } else {
          if (v > 0xFFFF) usable = false;
          f.durations.push_back(v);
        }
        mark = !mark;
      }
      if (!f.durations.empty()) {
        f.gap = s.frames.empty() ? 20000 : s.frames.back().gap;
        s.frames.push_back(f);
      }
      if (!usable || s.frames.empty() || f.durations.size() % 2 == 0) continue;
      ++signals;
      const std::string result = Playback(s);
      if (result.rfind("no record", 0) == 0) continue;
      ++fitted;
      if (result.empty()) ++faithful;
      EXPECT_EQ(result, "") << path;
    }
  }
  std::cout << "corpus raw signals " << signals << ", fit one record " << fitted << ", faithful "
            << faithful << "\n";
  EXPECT_EQ(faithful, fitted);
  EXPECT_GT(fitted, signals * 9 / 10);
}

TEST(RawRecord, TooLongSignalsGiveTheEmptyText) {
  Signal many_durations;
  many_durations.carrier_hz = 38000;
  many_durations.frames.push_back({{}, 20000});
  std::mt19937 rng(1);
  // Random lengths, no period: far more than the 510 bytes of both parts.
  for (int i = 0; i < 1201; ++i) many_durations.frames[0].durations.push_back(300 + rng() % 4000);
  // 70 durations 15 % apart: no table of 64 values holds them.
  Signal many_values = many_durations;
  many_values.frames[0].durations.clear();
  double v = 300;
  for (int i = 0; i < 70; ++i, v *= 1.15) many_values.frames[0].durations.push_back(static_cast<uint32_t>(v));
  many_values.frames[0].durations.push_back(300);

  std::string error;
  EXPECT_EQ(BuildRawKeyRecord(many_durations, 1, &error), "");
  EXPECT_NE(error.find("255"), std::string::npos) << error;
  EXPECT_EQ(BuildRawKeyRecord(many_values, 1, &error), "");
  EXPECT_NE(error.find("64"), std::string::npos) << error;
  EXPECT_EQ(BuildRawKeyRecord(Signal{}, 1), "");
  EXPECT_EQ(BuildRawKeyRecord(NecHeld(), 256), "");
}

TEST(RawRecord, MalformedRawRecordsAreRefused) {
  using testing::Record;
  // A valid raw record: table {500, 1500}, one frame of three durations,
  // one once-only entry with a 20 ms gap.
  const std::vector<int> head = {0x00, 0x52, 0x01, 0x7C, 0x01, 0x02, 0xF4, 0x03, 0xDC, 0x0B};
  const std::vector<int> data = {0x01, 0x03, 0x40, 0x01, 0x00, 0x00, 0xC8, 0x01};
  std::string error;
  const auto ok = TransmitKeyRecord(Record(3, head, data), 2000, &error);
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(ok->carrier_hz, 38000u);
  ASSERT_EQ(ok->frames.size(), 1u);
  EXPECT_EQ(ok->frames[0].durations, (std::vector<uint32_t>{500, 1500, 500}));
  EXPECT_EQ(ok->frames[0].gap, 20000u);

  auto h = [&](int at, int v) {
    auto x = head;
    x[at] = v;
    return Record(3, x, data);
  };
  auto d = [&](int at, int v) {
    auto x = data;
    x[at] = v;
    return Record(3, head, x);
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"version", h(2, 3)},
      {"frame layout read as a stream", h(2, 2)},
      {"empty table", h(5, 0)},
      {"table past the head", h(5, 3)},
      {"unfinished number", Record(3, {0x00, 0x52, 0x01, 0x7C, 0x01, 0x01, 0xF4}, data)},
      {"bytes after the table", Record(3, {0x00, 0x52, 0x01, 0x7C, 0x01, 0x01, 0x05, 0x05}, data)},
      {"no frames", d(0, 0)},
      {"frame of no durations", d(1, 0)},
      {"frame past the data", d(1, 0x40)},
      {"index beyond the table", Record(3, {0x00, 0x52, 0x01, 0x7C, 0x01, 0x01, 0x05}, data)},
      {"empty sequence", Record(3, head, {0x01, 0x03, 0x40, 0x00, 0x00})},
      {"entry names a missing frame", d(5, 1)},
      {"sequence past the data", d(4, 1)},
      {"bytes after the sequence", Record(3, head, {0x01, 0x03, 0x40, 0x01, 0x00, 0x00, 0xC8, 0x01, 0x00})},
  };
  for (const auto& [name, record] : cases) {
    EXPECT_FALSE(TransmitKeyRecord(record, 2000, &error)) << name;
  }
}

TEST(LearnedCode, ReadsWhatTheConversionWrites) {
  struct Case {
    std::string text;
    int frames;
    int khz;
    size_t start;
  };
  const std::vector<Case> cases = {
      {"1251222EE11CE01F6FEFE0014EDED", 1, 37, 5},
      {"100000" + std::string("01F4FEFE0028EDED") + [] {
         std::string s;
         for (int i = 0; i < 8; ++i) s += "01F4FEFE0028EDED";
         return s + "01F4EDED";
       }(),
       10, 0, 6},
      {"1FFF12" "01F4FFFFFFF601F4FEFE0014EDED", 1, 0xFFF, 6},
      {"00000", 0, 0, 5},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto code = ParseLearnedCode(c.text, &error);
    ASSERT_TRUE(code) << c.text << ": " << error;
    EXPECT_EQ(code->frame_count, c.frames) << c.text;
    EXPECT_EQ(code->carrier_khz, c.khz) << c.text;
    EXPECT_EQ(code->frames_start, c.start) << c.text;
  }
  // The negative mark reads as 0; the gap as the middle of its millisecond.
  const auto neg = ParseLearnedCode("1FFF1201F4FFFFFFF601F4FEFE0014EDED");
  ASSERT_TRUE(neg);
  EXPECT_EQ(neg->signal.frames[0].durations, (std::vector<uint32_t>{500, 0, 500}));
  EXPECT_EQ(neg->signal.frames[0].gap, 20500u);

  for (const char* bad : {"", "1", "12512", "1251222EE", "2251222EEFEFE0014EDED", "1251222EEFEFE00", "x2512EDED",
                                "1251222EEEDEDEDED", "12512FEFE0014EDED"}) {
    EXPECT_FALSE(ParseLearnedCode(bad)) << bad;
  }
}

}  // namespace
}  // namespace tvq31
