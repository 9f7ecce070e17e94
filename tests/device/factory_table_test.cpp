// The factory key table read back by the program's own key table code: the
// app must see green TV keys and one key pair.
#include <gtest/gtest.h>

#include "keytable/keytable.h"
#include "remote.h"

namespace tvq31::remote {
namespace {

TEST(FactoryRemote, KeyTableReadsBackAsDownloadedTvCodesAndOnePair) {
  const std::string image = DefaultTable();
  ASSERT_TRUE(ValidTable(image));
  std::string error;
  const auto table = ReadKeyTable(image, &error);
  ASSERT_TRUE(table) << error;
  ASSERT_EQ(table->pairs.size(), 1u);
  EXPECT_EQ(table->pairs[0].first, "01");
  EXPECT_EQ(table->pairs[0].second, "49");
  ASSERT_EQ(table->entries.size(), 12u);
  for (const auto& e : table->entries) {
    EXPECT_EQ(e.key_type, "8F") << e.key_code;
    EXPECT_EQ(e.head, table->entries[0].head) << "one shared head";
    EXPECT_EQ(e.head_offset, table->entries[0].head_offset);
    EXPECT_EQ(e.data_len, 4);
  }
  const auto states = ParseKeyStates(image, &error);
  ASSERT_TRUE(states) << error;
  EXPECT_EQ(states->entries.front(), "01|1");
  EXPECT_EQ(states->entries.size(), 12u);
  EXPECT_FALSE(states->HasLearnedKeys());
}

TEST(FactoryRemote, KeyTableIsInRebuiltForm) {
  // Storing a deletion record for a key without a code rebuilds the image
  // unchanged only when it already is in the rebuilt form.
  const std::string image = DefaultTable();
  const auto rebuilt = PutKeyRecord(image, OneKeyDeletionRecord("30"));
  ASSERT_TRUE(rebuilt);
  EXPECT_EQ(*rebuilt, image);
}

}  // namespace
}  // namespace tvq31::remote
