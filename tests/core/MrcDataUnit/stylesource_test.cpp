#include "MrcDataUnit/stylesource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "MrcDataUnit/timing.h"

namespace tvq31 {
namespace {

constexpr char kNecSource[] = R"(# NEC, as a reviewer would write it
style NEC
carrier 38000
unit-divisor 1
u = +560 -560
v = +560 -1690     # bit 1
frame 0 = +9000 -4500
          A0:8 A1:8 A2:8 A3:8   # four bytes
          +560
sequence = h108:0
repeat 1
)";

CodeStyleNode Nec() {
  CodeStyleNode n;
  n.Name = "NEC";
  n.CarrierFreq = 38000;
  n.UnitDivisor = 1;
  n.GroupCount = 2;
  n.Groups[0].Count = 2;
  n.Groups[0].Elements = {MakeElement(4, 56000), MakeElement(0, 56000)};
  n.Groups[1].Count = 2;
  n.Groups[1].Elements = {MakeElement(4, 56000), MakeElement(0, 169000)};
  n.FrameCount = 1;
  n.Frames[0].Count = 7;
  n.Frames[0].Elements = {MakeElement(4, 900000), MakeElement(0, 450000), MakeElement(8, 0x08),
                          MakeElement(8, 0x18),   MakeElement(8, 0x28),   MakeElement(8, 0x38),
                          MakeElement(4, 56000)};
  n.SequenceCount = 1;
  n.Sequence[0] = MakeElement(0x19, 10800);
  n.RepeatCount = 1;
  return n;
}

ArrCodeStyleNode Parse(std::string_view text, std::string* error = nullptr) {
  ArrCodeStyleNode out;
  std::string local;
  if (!ParseStyleSource(text, "test.style", out, error ? error : &local)) {
    if (!error) ADD_FAILURE() << local;
    return {};
  }
  return out;
}

TEST(StyleSource, NecSourceGivesTheNecRecord) {
  const ArrCodeStyleNode nodes = Parse(kNecSource);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0], Nec());
  EXPECT_EQ(Parse(FormatStyleSource(Nec())), ArrCodeStyleNode{Nec()});
}

TEST(StyleSource, ElementForms) {
  struct Case {
    const char* written;
    uint32_t element;
    const char* canonical;  // how a dump writes it
  };
  const Case cases[] = {
      {"+560", MakeElement(0x04, 56000), "+560"},
      {"+560us", MakeElement(0x04, 56000), "+560"},
      {"-1690", MakeElement(0x00, 169000), "-1690"},
      {"+562.5", MakeElement(0x04, 56250), "+562.50"},
      {"-0.01", MakeElement(0x00, 1), "-0.01"},
      {"-0", 0, "-0"},
      {"+167772.15", MakeElement(0x04, 0xFFFFFF), "+167772.15"},
      {"+9ms", MakeElement(0x05, 900), "+9ms"},
      {"-40.25ms", MakeElement(0x01, 4025), "-40.25ms"},
      {"+38cyc", MakeElement(0x06, 38), "+38cyc"},
      {"-12cyc", MakeElement(0x02, 12), "-12cyc"},
      {"A0:8", MakeElement(0x08, 0x08), "A0:8"},
      {"A3:15", MakeElement(0x08, 0x3F), "A3:15"},
      {"B1:4", MakeElement(0x0C, 0x14), "B1:4"},
      {"A2", MakeElement(0x09, 0x22), "A2"},
      {"A2'", MakeElement(0x0A, 0x22), "A2'"},
      {"B3", MakeElement(0x0D, 0x33), "B3"},
      {"B0'", MakeElement(0x0E, 0x00), "B0'"},
      {"free", MakeElement(0x0B, 0), "free"},
      {"=vxuw", MakeElement(0x0F, 0x41302), "=vxuw"},
      {"=x", MakeElement(0x0F, 0x10003), "=x"},
      {"=uuuuuv", MakeElement(0x0F, 0x60001), "=uuuuuv"},
      {"h108:0", MakeElement(0x19, 10800), "h108:0"},
      {"t40.5:2", MakeElement(0x10, 0x200000 + 4050), "t40.50:2"},
      {"h10485.75:15", MakeElement(0x19, 0xFFFFFF), "h10485.75:15"},
      // Everything without a form of its own is written raw.
      {"@03:000001", MakeElement(0x03, 1), "@03:000001"},
      {"@1d:ab", MakeElement(0x1D, 0xAB), "@1D:0000AB"},
      {"@FF:FFFFFF", 0xFFFFFFFF, "@FF:FFFFFF"},
      {"@09:000012", MakeElement(0x09, 0x12), "@09:000012"},  // reference with mixed halves
      {"@0B:000001", MakeElement(0x0B, 1), "@0B:000001"},
      {"@0F:000000", MakeElement(0x0F, 0), "@0F:000000"},     // constant of no symbols
      {"@0F:010010", MakeElement(0x0F, 0x10010), "@0F:010010"},  // digit beyond its count
      {"@0F:040004", MakeElement(0x0F, 0x40004), "@0F:040004"},  // digit above 3
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    const ArrCodeStyleNode nodes = Parse(std::string("style s\nframe 0 = ") + c.written + "\n");
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].Frames[0].Count, 1);
    EXPECT_EQ(nodes[0].Frames[0].Elements[0], c.element);
    const std::string dumped = FormatStyleSource(nodes[0]);
    EXPECT_NE(dumped.find(std::string("frame 0 = ") + c.canonical + "\n"), std::string::npos) << dumped;
  }
}

TEST(StyleSource, CountsAndStaleSlots) {
  const ArrCodeStyleNode nodes = Parse(R"(style odd
carrier 40000
no-carrier 1
w = +100 | -0 @03:000001
frame 2 = count=40 +1 +2
frames 7
groups 2
sequence = t5:1 | h1:0
trailer = count=9
)");
  ASSERT_EQ(nodes.size(), 1u);
  const CodeStyleNode& n = nodes[0];
  EXPECT_EQ(n.NoCarrier, 1);
  EXPECT_EQ(n.CarrierFreq, 40000);
  EXPECT_EQ(n.GroupCount, 2);  // given, although "w" is defined
  EXPECT_EQ(n.Groups[2].Count, 1);
  EXPECT_EQ(n.Groups[2].Elements[2], MakeElement(0x03, 1));
  EXPECT_EQ(n.FrameCount, 7);
  EXPECT_EQ(n.Frames[2].Count, 40);
  EXPECT_EQ(n.SequenceCount, 1);
  EXPECT_EQ(n.Sequence[1], MakeElement(0x19, 100));
  EXPECT_EQ(n.TrailerCount, 9);
  EXPECT_EQ(Parse(FormatStyleSource(n)), nodes);

  // Without explicit counts the highest group letter and pattern number
  // decide; groups and patterns in between are empty.
  const ArrCodeStyleNode inferred = Parse("style i\nu = +1\nw = +2\nframe 1 = +3\n");
  ASSERT_EQ(inferred.size(), 1u);
  EXPECT_EQ(inferred[0].GroupCount, 3);
  EXPECT_EQ(inferred[0].Groups[1].Count, 0);
  EXPECT_EQ(inferred[0].FrameCount, 2);
}

TEST(StyleSource, ErrorsNameFileAndLine) {
  struct Case {
    const char* text;
    const char* where;  // "test.style:LINE:"
    const char* says;
  };
  const Case cases[] = {
      {"carrier 38000\n", "test.style:1:", "expected 'style NAME'"},
      {"style a\n\nfoo 1\n", "test.style:3:", "unknown statement"},
      {"style a\nu = +560 -560\nu = +1\n", "test.style:3:", "given twice"},
      {"style a\nu = +1 +2 +3 +4 +5 +6 +7\n", "test.style:2:", "at most 6"},
      {"style a\nframe 6 = +1\n", "test.style:2:", "0 to 5"},
      {"style a\nframe 0 =\n  +1 +2\n  +3 bogus\n", "test.style:4:", "bogus"},
      {"style a\nu = +1.234\n", "test.style:2:", "two decimals"},
      {"style a\nu = +167772.16\n", "test.style:2:", "too long"},
      {"style a\nu = A1:16\n", "test.style:2:", "0 to 15"},
      {"style a\nu = A16\n", "test.style:2:", "0 to 15"},
      {"style a\nu = =vuuuu\n", "test.style:2:", "last four"},
      {"style a\nu = =abc\n", "test.style:2:", "u, v, w and x"},
      {"style a\nsequence = h10485.76:0\n", "test.style:2:", "10485.75"},
      {"style a\nsequence = h1:16\n", "test.style:2:", "0 to 15"},
      {"style a\nu = @100:0\n", "test.style:2:", "@TT:VVVVVV"},
      {"style a\nu = @1:1000000\n", "test.style:2:", "@TT:VVVVVV"},
      {"style a\nunit-divisor 256\n", "test.style:2:", "0 to 255"},
      {"style a\ncarrier fast\n", "test.style:2:", "hertz"},
      {"style a\nu +1\n", "test.style:2:", "usage"},
      {"style \"0123456789012345678901\"\n", "test.style:1:", "21 bytes"},
      {"style \"a\\x00b\"\n", "test.style:1:", "zero byte"},
      {"style \"open\n", "test.style:1:", "not closed"},
      {"style \"a\\q\"\n", "test.style:1:", "escape"},
      {"  +1\n", "test.style:1:", "continues no statement"},
      {"style a\nu = +1 | +2 | +3\n", "test.style:2:", "only one '|'"},
  };
  for (const Case& c : cases) {
    ArrCodeStyleNode nodes = {Nec()};
    std::string error;
    EXPECT_FALSE(ParseStyleSource(c.text, "test.style", nodes, &error)) << c.text;
    EXPECT_EQ(nodes.size(), 1u) << "output must be left as it was";
    EXPECT_EQ(error.rfind(c.where, 0), 0u) << c.text << " -> " << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << " -> " << error;
  }
}

// Arbitrary records, with the odd forms a foreign file may hold: counts
// beyond the slots, stale slots, raw tags, names with any byte.
CodeStyleNode RandomNode(std::mt19937& rng) {
  auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
  auto byte = [&] { return static_cast<uint8_t>(pick(8) == 0 ? pick(256) : pick(8)); };
  auto element = [&]() -> uint32_t {
    static const uint32_t tags[] = {0x00, 0x01, 0x02, 0x04, 0x05, 0x06, 0x08, 0x09, 0x0A,
                                    0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x19, 0x1D};
    if (pick(5) == 0) return 0;
    const uint32_t tag = pick(6) == 0 ? pick(256) : tags[pick(std::size(tags))];
    uint32_t v = pick(2) == 0 ? pick(0x1000000) : pick(200);
    if (tag == 0x0F && pick(2) == 0) v = (pick(8) << 16) | pick(0x4000);
    if ((tag == 0x09 || tag == 0x0D) && pick(2) == 0) v = 17 * pick(16);
    return MakeElement(tag, v);
  };
  CodeStyleNode n;
  for (uint32_t i = 0, len = pick(22); i < len; ++i) n.Name.push_back(static_cast<char>(1 + pick(255)));
  n.NoCarrier = byte();
  n.CarrierFreq = static_cast<int32_t>(rng());
  if (pick(3) == 0) n.CarrierFreq = 0;
  n.CarrierSel = byte();
  n.UnitDivisor = byte();
  n.GroupCount = byte();
  for (auto& g : n.Groups) {
    g.Count = byte();
    for (auto& e : g.Elements) e = element();
  }
  n.FreeSymbolMode = byte();
  n.FreeSymbolHigh = byte();
  n.FreeSymbolLow = byte();
  n.FrameCount = byte();
  for (auto& f : n.Frames) {
    f.Count = pick(2) == 0 ? static_cast<uint8_t>(pick(33)) : byte();
    for (auto& e : f.Elements) e = element();
  }
  n.SequenceCount = byte();
  for (auto& e : n.Sequence) e = element();
  n.RepeatCount = byte();
  n.TrailerCount = byte();
  for (auto& e : n.Trailer) e = element();
  n.ModeHigh = byte();
  n.ModeByte = byte();
  n.ModeLow = byte();
  return n;
}

TEST(StyleSource, DumpAndBuildRoundTripAnyRecord) {
  std::mt19937 rng(20261208);
  ArrCodeStyleNode nodes = {Nec(), CodeStyleNode{}};
  for (int i = 0; i < 300; ++i) nodes.push_back(RandomNode(rng));
  // bytes -> text -> bytes -> text: both stages exact.
  const std::string bytes = WriteCodeStyleBytes(nodes);
  ArrCodeStyleNode loaded;
  ASSERT_TRUE(ParseCodeStyleBytes(bytes, loaded));
  const std::string text = FormatLibrarySource(loaded);
  std::string error;
  ArrCodeStyleNode rebuilt;
  ASSERT_TRUE(ParseStyleSource(text, "dump", rebuilt, &error)) << error;
  ASSERT_EQ(rebuilt.size(), nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) EXPECT_EQ(rebuilt[i], nodes[i]) << FormatStyleSource(nodes[i]);
  EXPECT_EQ(WriteCodeStyleBytes(rebuilt), bytes);
  EXPECT_EQ(FormatLibrarySource(rebuilt), text);
}

class StyleDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tvq31-styles-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Put(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }
  std::filesystem::path dir_;
};

TEST_F(StyleDirectory, FilesCompileInFileNameOrder) {
  Put("020-b.style", "style b\n");
  Put("100-c.style", "style c\nstyle d\n");
  Put("010-a.style", "style a\n");
  Put("README.md", "not a style\n");
  Put("030-e.style.orig", "style ignored\n");
  ArrCodeStyleNode nodes;
  std::string error;
  ASSERT_TRUE(CompileStyleSources({dir_.string()}, nodes, &error)) << error;
  std::vector<std::string> names;
  for (const auto& n : nodes) names.push_back(n.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(StyleDirectory, AnErrorNamesTheFileAndLeavesTheOutput) {
  Put("010-a.style", "style a\n");
  Put("020-b.style", "style b\n# fine\nu = +1 wrong\n");
  ArrCodeStyleNode nodes;
  std::string error;
  EXPECT_FALSE(CompileStyleSources({dir_.string()}, nodes, &error));
  EXPECT_TRUE(nodes.empty());
  EXPECT_NE(error.find("020-b.style:3:"), std::string::npos) << error;
  EXPECT_FALSE(CompileStyleSources({(dir_ / "missing.style").string()}, nodes, &error));
  EXPECT_NE(error.find("missing.style"), std::string::npos) << error;
}

TEST(StyleSource, SplitFileNamesKeepRecordOrder) {
  CodeStyleNode n;
  const std::pair<std::string, std::string> names[] = {
      {"NEC", "010-nec.style"}, {"Sony SIRC-12", "010-sony-sirc-12.style"}, {"", "010-style.style"},
      {"--RC5--", "010-rc5.style"}, {"\xE4\xB8\xAD", "010-style.style"},
  };
  for (const auto& [name, want] : names) {
    n.Name = name;
    EXPECT_EQ(StyleFileName(0, 3, n), want);
  }
  n.Name = "x";
  EXPECT_EQ(StyleFileName(99, 100, n), "1000-x.style");
  EXPECT_EQ(StyleFileName(0, 100, n), "0010-x.style");
}

TEST(StyleSource, ShippedStylesCompileAndRoundTrip) {
  ArrCodeStyleNode nodes;
  std::string error;
  ASSERT_TRUE(CompileStyleSources({TVQ31_SOURCE_DIR "/data/codestyles"}, nodes, &error)) << error;
  ASSERT_FALSE(nodes.empty());
  ArrCodeStyleNode again;
  ASSERT_TRUE(ParseStyleSource(FormatLibrarySource(nodes), "dump", again, &error)) << error;
  EXPECT_EQ(WriteCodeStyleBytes(again), WriteCodeStyleBytes(nodes));
  for (const CodeStyleNode& n : nodes) EXPECT_TRUE(CountsWithinLimits(n)) << n.Name;
}

}  // namespace
}  // namespace tvq31
