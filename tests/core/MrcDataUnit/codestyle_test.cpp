#include "MrcDataUnit/codestyle.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tvq31 {
namespace {

// A record with a distinct value in every field, so a field written to or
// read from the wrong offset shows.
CodeStyleNode BusyNode() {
  CodeStyleNode n;
  n.Name = "Busy";
  n.NoCarrier = 3;
  n.CarrierFreq = -123456789;
  n.CarrierSel = 5;
  n.UnitDivisor = 7;
  n.GroupCount = 4;
  for (int g = 0; g < kMaxGroups; ++g) {
    n.Groups[g].Count = static_cast<uint8_t>(10 + g);
    for (int i = 0; i < kMaxGroupElements; ++i) n.Groups[g].Elements[i] = 0x01000000u * g + 0x100u * i + 0x11;
  }
  n.FreeSymbolMode = 1;
  n.FreeSymbolHigh = 2;
  n.FreeSymbolLow = 3;
  n.FrameCount = 6;
  for (int f = 0; f < kMaxFrames; ++f) {
    n.Frames[f].Count = static_cast<uint8_t>(20 + f);
    for (int i = 0; i < kMaxFrameElements; ++i) n.Frames[f].Elements[i] = 0xA0000000u + 0x10000u * f + i;
  }
  n.SequenceCount = 8;
  for (int i = 0; i < kMaxSequence; ++i) n.Sequence[i] = 0x19000000u + 100u * i;
  n.RepeatCount = 9;
  n.TrailerCount = 4;
  for (int i = 0; i < kMaxTrailer; ++i) n.Trailer[i] = 0x10000000u + 7u * i;
  n.ModeHigh = 12;
  n.ModeByte = 0xEE;
  n.ModeLow = 13;
  return n;
}

std::string Header() { return std::string(1, '\x24') + kLibraryHeader; }

TEST(CodeStyleFile, FieldsSitAtTheirStoredOffsets) {
  const std::string bytes = WriteCodeStyleBytes({BusyNode()});
  ASSERT_EQ(bytes.size(), 37u + kRecordSize);
  const size_t body = 37 + kNameSize;
  auto u8 = [&](size_t off) { return static_cast<uint8_t>(bytes[body + off]); };
  struct Case {
    size_t offset;
    uint8_t value;
  };
  const Case cases[] = {
      {0, 3},                       // NoCarrier
      {4, 0xEB}, {5, 0x32}, {6, 0xA4}, {7, 0xF8},  // CarrierFreq, little-endian
      {8, 5}, {9, 7}, {12, 4},     // CarrierSel, UnitDivisor, GroupCount
      {16, 10},                     // Groups[0].Count
      {16 + 28 + 4 + 8, 0x11}, {16 + 28 + 4 + 9, 0x02}, {16 + 28 + 4 + 11, 0x01},  // Groups[1].Elements[2]
      {16 + 3 * 28, 13},            // Groups[3].Count
      {128, 1}, {129, 2}, {130, 0}, {131, 3},
      {140, 6}, {144 + 5 * 132, 25},  // FrameCount, Frames[5].Count
      {144 + 5 * 132 + 4 + 31 * 4, 31}, {144 + 5 * 132 + 4 + 31 * 4 + 2, 5}, {144 + 5 * 132 + 4 + 31 * 4 + 3, 0xA0},
      {936, 8}, {940 + 7 * 4, 0xBC}, {940 + 7 * 4 + 1, 0x02}, {940 + 7 * 4 + 3, 0x19},
      {972, 9}, {976, 4}, {980 + 3 * 4, 21}, {980 + 3 * 4 + 3, 0x10},
      {996, 0}, {997, 12}, {998, 0xEE}, {999, 13}, {1011, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(u8(c.offset), c.value) << "body offset " << c.offset;
  EXPECT_EQ(bytes.substr(37, 5), std::string("Busy\0", 5));
}

TEST(CodeStyleFile, WriteThenParseGivesTheSameRecords) {
  CodeStyleNode full_name = BusyNode();
  full_name.Name = "ABCDEFGHIJKLMNOPQRSTU";  // 21 characters: no terminator
  const ArrCodeStyleNode nodes = {BusyNode(), CodeStyleNode{}, full_name};
  ArrCodeStyleNode back;
  ASSERT_TRUE(ParseCodeStyleBytes(WriteCodeStyleBytes(nodes), back));
  EXPECT_EQ(back, nodes);
}

TEST(CodeStyleFile, OverlongNameIsCutToTheNameBlock) {
  CodeStyleNode n;
  n.Name = std::string(30, 'N');
  ArrCodeStyleNode back;
  ASSERT_TRUE(ParseCodeStyleBytes(WriteCodeStyleBytes({n}), back));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].Name, std::string(21, 'N'));
}

TEST(CodeStyleFile, HeaderMustMatchExactly) {
  std::string lower = Header();
  lower[1] = 'v';
  std::string one_char = Header();
  one_char[36] = 'x';
  struct Case {
    const char* what;
    std::string bytes;
    bool ok;
  };
  const Case cases[] = {
      {"header only", Header(), true},
      {"empty file", "", false},
      {"case differs", lower, false},
      {"one character differs", one_char, false},
      {"length byte 35", std::string(1, '\x23') + std::string(kLibraryHeader).substr(0, 35), false},
      {"length byte 37", std::string(1, '\x25') + kLibraryHeader + "x", false},
      {"length byte 0", std::string(1, '\0') + kLibraryHeader, false},
      {"header cut short", Header().substr(0, 20), false},
      {"zero-padded header", std::string(1, '\x25') + kLibraryHeader + std::string(1, '\0'), true},
  };
  for (const Case& c : cases) {
    ArrCodeStyleNode nodes = {BusyNode()};
    std::string error;
    EXPECT_EQ(ParseCodeStyleBytes(c.bytes, nodes, &error), c.ok) << c.what;
    if (c.ok) {
      EXPECT_TRUE(nodes.empty()) << c.what;
    } else {
      ASSERT_EQ(nodes.size(), 1u) << c.what << ": array must be left as it was";
      EXPECT_EQ(nodes[0], BusyNode()) << c.what;
      EXPECT_FALSE(error.empty()) << c.what;
    }
  }
}

TEST(CodeStyleFile, TruncatedLastRecord) {
  const std::string two = WriteCodeStyleBytes({BusyNode(), BusyNode()});
  const size_t second = 37 + kRecordSize;
  struct Case {
    const char* what;
    size_t length;
    size_t records;
  };
  const Case cases[] = {
      {"cut inside the body", second + kNameSize + 10, 2},
      {"one body byte", second + kNameSize + 1, 2},
      {"cut after the name block", second + kNameSize, 1},
      {"cut inside the name block", second + 5, 1},
      {"whole", two.size(), 2},
  };
  for (const Case& c : cases) {
    ArrCodeStyleNode nodes;
    ASSERT_TRUE(ParseCodeStyleBytes(std::string_view(two).substr(0, c.length), nodes)) << c.what;
    EXPECT_EQ(nodes.size(), c.records) << c.what;
  }
  // The bytes the file did not supply read as zero.
  ArrCodeStyleNode nodes;
  ASSERT_TRUE(ParseCodeStyleBytes(std::string_view(two).substr(0, second + kNameSize + 10), nodes));
  EXPECT_EQ(nodes[1].NoCarrier, 3);
  EXPECT_EQ(nodes[1].UnitDivisor, 7);
  EXPECT_EQ(nodes[1].GroupCount, 0);
  EXPECT_EQ(nodes[1].ModeByte, 0);
}

TEST(CodeStyleFile, ReadHeaderTextStopsAtTheFirstZero) {
  const std::string bytes = std::string("\x05" "ab\0cd" "\x02", 7);
  size_t pos = 0;
  EXPECT_EQ(ReadHeaderText(bytes, pos), "ab");
  EXPECT_EQ(pos, 6u);
  EXPECT_EQ(ReadHeaderText(bytes, pos), "");  // announces 2, none left
  EXPECT_EQ(ReadHeaderText(bytes, pos), "");  // nothing at all
}

class CodeStyleFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tvq31-codestyle-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir_ / "lib.csl", std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Write(const std::string& bytes) {
    const auto path = dir_ / "lib.csl";
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::filesystem::path dir_;
};

TEST_F(CodeStyleFileOnDisk, ReadOnlyLibraryLoads) {
  const std::string path = Write(WriteCodeStyleBytes({BusyNode()}));
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  ArrCodeStyleNode nodes;
  std::string error;
  ASSERT_TRUE(LoadCodeStyleFile(path, nodes, &error)) << error;
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0], BusyNode());
}

TEST_F(CodeStyleFileOnDisk, FailuresAreValuesNamingTheFile) {
  const std::string missing = (dir_ / "missing.csl").string();
  const std::string directory = dir_.string();  // opens, but reading fails
  const std::string wrong = Write("\x24 not the library header at all....");
  const std::string endless = "/dev/zero";
  for (const std::string& path : {missing, directory, wrong, endless}) {
    ArrCodeStyleNode nodes = {BusyNode()};
    std::string error;
    EXPECT_FALSE(LoadCodeStyleFile(path, nodes, &error)) << path;
    EXPECT_EQ(nodes.size(), 1u) << path;
    EXPECT_NE(error.find(path), std::string::npos) << error;
  }
}

TEST(CodeStyleLimits, CountsBeyondTheSlotsAreReported) {
  CodeStyleNode ok;
  ok.GroupCount = 4;
  ok.Groups[3].Count = 6;
  ok.FrameCount = 6;
  ok.Frames[5].Count = 32;
  ok.SequenceCount = 8;
  ok.RepeatCount = 8;
  ok.TrailerCount = 4;
  EXPECT_TRUE(CountsWithinLimits(ok));
  auto broken = [&](auto change) {
    CodeStyleNode n = ok;
    change(n);
    return CountsWithinLimits(n);
  };
  EXPECT_FALSE(broken([](CodeStyleNode& n) { n.GroupCount = 5; }));
  EXPECT_FALSE(broken([](CodeStyleNode& n) { n.Groups[0].Count = 7; }));
  EXPECT_FALSE(broken([](CodeStyleNode& n) { n.FrameCount = 7; }));
  EXPECT_FALSE(broken([](CodeStyleNode& n) { n.Frames[2].Count = 33; }));
  EXPECT_FALSE(broken([](CodeStyleNode& n) { n.SequenceCount = 9; }));
  EXPECT_FALSE(broken([](CodeStyleNode& n) { n.TrailerCount = 5; }));
  EXPECT_FALSE(broken([](CodeStyleNode& n) { n.SequenceCount = 2; n.RepeatCount = 3; }));
  // Slots beyond the counts in use are not looked at.
  EXPECT_TRUE(broken([](CodeStyleNode& n) { n.GroupCount = 1; n.Groups[2].Count = 200; }));
}

}  // namespace
}  // namespace tvq31
