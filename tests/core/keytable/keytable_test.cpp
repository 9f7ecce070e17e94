#include "keytable/keytable.h"

#include <gtest/gtest.h>

#include <string>

#include "hextext/hextext.h"
#include "image_builder.h"

namespace tvq31 {
namespace {

using testing::BuildImage;
using testing::ModelKey;
using testing::Record;

std::string Put(const std::string& image, const std::string& record) {
  std::string error;
  const auto out = PutKeyRecord(image, record, &error);
  EXPECT_TRUE(out.has_value()) << error;
  return out.value_or("");
}

TEST(PutKeyRecord, WorkedExample) {
  std::string image = Put("0000", "00011AC70A00050F00020102030405AABB");
  EXPECT_EQ(image, "00011ACF0A00050F00020102030405AABB");
  image = Put(image, "000105C70A00050F00010102030405CC");
  EXPECT_EQ(image, "000205CF1200051700011ACF1200051800020102030405CCAABB");
  image = Put(image, "00011A00000000000000");
  EXPECT_EQ(image, "000105CF0A00050F00010102030405CC");
}

TEST(PutKeyRecord, RebuildsIntoCanonicalForm) {
  struct Case {
    const char* name;
    std::string image;
    std::string record;
    std::string want;
  } cases[] = {
      {"record into empty table is the record typed CF", "0000",
       Record("1A", "0102030405060708", "AABBCC"),
       "00011ACF0A00081200030102030405060708AABBCC"},
      // Entries out of order, heads and data in the image in another order.
      {"directory sorted by key code, heads shared as found",
       "0002" "30CF120004160001" "10CF120004170001" "0A0B0C0D" "11" "22", OneKeyDeletionRecord("55"),
       "0002" "10CF120004160001" "30CF120004170001" "0A0B0C0D" "22" "11"},
      {"deleting an absent key only rebuilds", "0000", OneKeyDeletionRecord("1A"), "0000"},
      {"clear-all record deletes like the one-key record",
       "00011ACF0A00050F00020102030405AABB", ClearAllDeletionRecord("1A"), "0000"},
      {"later entry for the same key wins",
       "00021A8F1200041600011ACF120004170001" "01020304" "AA" "BB", OneKeyDeletionRecord("00"),
       "00011ACF0A00040E000101020304BB"},
      {"head length zero keeps offset zero", "00011A8F0000000A0001" "EE",
       OneKeyDeletionRecord("00"), "00011A8F0000000A0001EE"},
      {"trailing zero characters of the remote are ignored",
       std::string("00011ACF0A00050F00020102030405AABB") + std::string(40, '\0'),
       OneKeyDeletionRecord("00"), "00011ACF0A00050F00020102030405AABB"},
      {"lower-case input is kept as found", "00011acf0a00050f00020102030405aabb",
       OneKeyDeletionRecord("00"), "00011acf0A00050F00020102030405aabb"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Put(c.image, c.record), c.want) << c.name;
  }
}

TEST(PutKeyRecord, PairRules) {
  // Pairs (10,20) and (30,40); keys 10, 20, 30, 40 and 50 have codes.
  const std::string head = "01020304";
  std::vector<ModelKey> keys;
  for (const char* code : {"10", "20", "30", "40", "50"}) keys.push_back({code, "8F", head, code});
  const std::string image = BuildImage({{"10", "20"}, {"30", "40"}}, keys);
  const auto codes_of = [](const std::string& img) {
    const auto table = ReadKeyTable(img);
    if (!table) return std::string("refused");
    std::string codes;
    for (const KeyEntry& e : table->entries) codes += e.key_code + " ";
    return codes;
  };
  const auto pairs_of = [](const std::string& img) {
    const auto table = ReadKeyTable(img);
    if (!table) return std::string("refused");
    std::string pairs;
    for (const KeyPair& p : table->pairs) pairs += p.first + p.second + " ";
    return pairs;
  };
  ASSERT_EQ(codes_of(image), "10 20 30 40 50 ");
  struct Case {
    std::string record;
    const char* codes;
    const char* pairs;
  } cases[] = {
      {Record("10", head, "99"), "10 30 40 50 ", "3040 "},
      {Record("20", head, "99"), "20 30 40 50 ", "3040 "},
      {OneKeyDeletionRecord("10"), "30 40 50 ", "3040 "},
      {OneKeyDeletionRecord("40"), "10 20 50 ", "1020 "},
      {Record("50", head, "99"), "10 20 30 40 50 ", "1020 3040 "},
      {Record("60", head, "99"), "10 20 30 40 50 60 ", "1020 3040 "},
  };
  for (const Case& c : cases) {
    const std::string out = Put(image, c.record);
    EXPECT_EQ(codes_of(out), c.codes) << c.record;
    EXPECT_EQ(pairs_of(out), c.pairs) << c.record;
  }
}

TEST(PutKeyRecord, KeyInSeveralPairsDissolvesAllAndSelfPairKeepsRecord) {
  // Key 10 is paired with 20 and with 30; storing 10 clears both partners.
  std::vector<ModelKey> keys;
  for (const char* code : {"10", "20", "30"}) keys.push_back({code, "CF", "0A0B0C0D", "01"});
  const std::string paired = BuildImage({{"10", "20"}, {"30", "10"}}, keys);
  const auto out = ReadKeyTable(Put(paired, Record("10", "0A0B0C0D", "02")));
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->pairs.empty());
  ASSERT_EQ(out->entries.size(), 1u);
  EXPECT_EQ(out->entries[0].data, "02");

  // A pair naming one key twice has no partner to clear: the stored record
  // must survive, only the pair goes.
  const std::string self = BuildImage({{"10", "10"}}, keys);
  const auto kept = ReadKeyTable(Put(self, Record("10", "0A0B0C0D", "03")));
  ASSERT_TRUE(kept);
  EXPECT_TRUE(kept->pairs.empty());
  ASSERT_EQ(kept->entries.size(), 3u);
  EXPECT_EQ(kept->entries[0].data, "03");
}

TEST(PutKeyRecord, EqualHeadsAreStoredOnce) {
  const std::string head = "11223344556677";
  std::string image = "0000";
  for (const char* code : {"40", "02", "21"}) image = Put(image, Record(code, head, code));
  image = Put(image, Record("30", "99887766", "30"));
  const auto table = ReadKeyTable(image);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->entries.size(), 4u);
  const int shared = table->entries[0].head_offset;
  EXPECT_EQ(shared, 2 + 8 * 4);
  for (const KeyEntry& e : table->entries) {
    if (e.key_code != "30") {
      EXPECT_EQ(e.head_offset, shared) << e.key_code;
    }
  }
  EXPECT_EQ(table->entries[2].head_offset, shared + 7);  // key 30, after the shared head
  EXPECT_EQ(image.size(), 2u * (2 + 8 * 4 + 7 + 4 + 4));
}

TEST(PutKeyRecord, ShortHeadsAndLongPartsSurviveRebuild) {
  struct Case {
    const char* name;
    std::string head;
    std::string data;
  } cases[] = {
      {"1-byte head", "7F", "0102"},
      {"3-byte head", "A1B2C3", "0102"},
      {"127-byte head", std::string(254, 'E'), "01"},
      {"128-byte data", "01020304", std::string(256, '5')},
      {"255-byte head and data", std::string(510, 'C'), std::string(510, 'D')},
  };
  for (const Case& c : cases) {
    // Stored beside a long head and another short one, then rebuilt again
    // by an unrelated change: every key keeps its head and data.
    std::string image = Put("0000", Record("05", "0102030405", "AA"));
    image = Put(image, Record("09", "B1", "BB"));
    image = Put(image, Record("1A", c.head, c.data));
    image = Put(image, Record("33", "0102030405", "CC"));
    image = Put(image, OneKeyDeletionRecord("05"));
    const auto table = ReadKeyTable(image);
    ASSERT_TRUE(table) << c.name;
    ASSERT_EQ(table->entries.size(), 3u) << c.name;
    EXPECT_EQ(table->entries[0].head, "B1") << c.name;
    EXPECT_EQ(table->entries[1].head, c.head) << c.name;
    EXPECT_EQ(table->entries[1].data, c.data) << c.name;
    EXPECT_EQ(table->entries[2].head, "0102030405") << c.name;
    EXPECT_EQ(table->entries[2].data, "CC") << c.name;
  }
}

TEST(PutKeyRecord, LongHeadsKeepTheirPlacesWhenShortHeadsExist) {
  // Heads of 4 bytes or more sit right after the directory, short heads
  // after them, then the data.
  std::string image = Put("0000", Record("01", "AABB", "01"));
  image = Put(image, Record("02", "0102030405", "02"));
  EXPECT_EQ(image, "0002" "01CF170002190001" "02CF1200051A0001" "0102030405" "AABB" "0102");
}

TEST(PutKeyRecord, RefusesMalformedInput) {
  const std::string good_record = Record("1A", "01020304", "AA");
  struct Case {
    const char* name;
    std::string image;
    std::string record;
  } cases[] = {
      {"empty image", "", good_record},
      {"pair count not hex", "G000", good_record},
      {"pair list past the end", "0310200000", good_record},
      {"pair code not hex", "011Z2000", good_record},
      {"entry count missing", "00", good_record},
      {"entry count is zero characters", std::string("00\0\0", 4), good_record},
      {"directory past the end", "00021ACF0A00050F0002", good_record},
      {"entry key code not hex", "0001XXCF0A00010B000111AA", good_record},
      {"entry offset not hex", "00011ACF0G00010B000111AA", good_record},
      {"head outside the image", "00011ACFFF00010B000111AA", good_record},
      {"data outside the image", "00011ACF0A00010B000211AA", good_record},
      {"head reaches into the zero padding",
       std::string("00011ACF0A00050F000201020304") + std::string(20, '\0'), good_record},
      {"empty record", "0000", ""},
      {"record too short", "0000", "00011AC70A0001"},
      {"record key code not hex", "0000", "0001ZZC70A00040E0001" "0102030411"},
      {"record length not hex", "0000", "00011AC70A00X40E0001" "0102030411"},
      {"record shorter than its lengths", "0000", "00011AC70A00040E0002" "0102030411"},
      {"record head not hex", "0000", "00011AC70A00040E0001" "01020G0411"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(PutKeyRecord(c.image, c.record, &error).has_value()) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

TEST(PutKeyRecord, RefusesTablesItCannotWrite) {
  // 255 entries sharing one 255-byte data block: rebuilt, every key gets
  // its own copy and the offsets outgrow two bytes.
  std::string image = "00FF";
  const int dir_end = 2 + 8 * 255;
  for (int code = 0; code < 255; ++code) {
    image += ByteHex(code) + "8F" "0000" "00";
    image += ByteHex(dir_end & 0xFF) + ByteHex(dir_end >> 8) + "FF";
  }
  image += std::string(510, 'A');
  ASSERT_TRUE(ReadKeyTable(image));
  std::string error;
  EXPECT_FALSE(PutKeyRecord(image, OneKeyDeletionRecord("00"), &error));
  EXPECT_NE(error.find("65535"), std::string::npos) << error;

  // 255 entries plus a record for the 256th key code: the count has one byte.
  std::string full = "00FF";
  for (int code = 0; code < 255; ++code) full += ByteHex(code) + "8F" "0000" "00" "0000" "00";
  EXPECT_FALSE(PutKeyRecord(full, Record("FF", "01020304", "AA"), &error));
  EXPECT_NE(error.find("255"), std::string::npos) << error;
  EXPECT_TRUE(PutKeyRecord(full, Record("FE", "01020304", "AA"), &error)) << error;
}

TEST(ImageFitsRemote, AtMostTheRemotesSize) {
  EXPECT_TRUE(ImageFitsRemote(std::string(kRemoteImageChars, '0')));
  EXPECT_FALSE(ImageFitsRemote(std::string(kRemoteImageChars + 1, '0')));
}

}  // namespace
}  // namespace tvq31
