#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_builder.h"
#include "keytable/keytable.h"

namespace tvq31 {
namespace {

using testing::BuildImage;
using testing::ModelKey;
using Entries = std::vector<std::string>;

TEST(ParseKeyStates, StatesFromImages) {
  struct Case {
    const char* name;
    std::string image;
    Entries want;
  } cases[] = {
      {"empty table", "0000", {}},
      {"worked example image", "000205CF1200051700011ACF1200051800020102030405CCAABB",
       {"05|2", "1A|2"}},
      {"learned bit and downloaded type",
       BuildImage({}, {{"30", "8F", "01020304", "AA"}, {"12", "CF", "01", "BB"}}),
       {"12|2", "30|1"}},
      {"learned code is written upper case, downloaded as found",
       BuildImage({}, {{"2b", "4f", "", ""}, {"0c", "8F", "", ""}}), {"0c|1", "2B|2"}},
      {"exact duplicates once, both states kept",
       BuildImage({}, {{"40", "8F", "", ""}, {"40", "CF", "", ""}, {"40", "8F", "", ""}}),
       {"40|1", "40|2"}},
      {"second key of a pair shows no downloaded code",
       BuildImage({{"10", "20"}, {"30", "40"}},
                  {{"10", "8F", "", ""}, {"20", "8F", "", ""}, {"40", "CF", "", ""}}),
       {"10|1", "40|2"}},
      {"remote padding ignored",
       BuildImage({}, {{"05", "8F", "", ""}}) + std::string(100, '\0'), {"05|1"}},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto states = ParseKeyStates(c.image, &error);
    ASSERT_TRUE(states) << c.name << ": " << error;
    EXPECT_EQ(states->entries, c.want) << c.name;
  }
}

TEST(ParseKeyStates, RefusesWhatCannotBeRead) {
  for (const std::string& image : {std::string(), std::string(12288, '\0'), std::string("01AB"),
                                  std::string("0001zzCF0000000A0000")}) {
    std::string error;
    EXPECT_FALSE(ParseKeyStates(image, &error)) << image.size();
    EXPECT_FALSE(error.empty());
  }
}

TEST(KeyStateList, MarkKeyLearned) {
  struct Case {
    Entries before;
    const char* code;
    Entries want;
  } cases[] = {
      {{}, "1A", {"1A|3"}},
      {{"05|1", "1A|2"}, "0E", {"05|1", "0E|3", "1A|2"}},
      {{"05|1", "1A|2"}, "1A", {"05|1", "1A|3"}},
      {{"05|1", "1A|2"}, "00", {"00|3", "05|1", "1A|2"}},
      {{"05|1", "1A|2"}, "56", {"05|1", "1A|2", "56|3"}},
      {{"05|1", "1a|1"}, "1A", {"05|1", "1A|3"}},  // same value, other case
  };
  for (const Case& c : cases) {
    KeyStateList list{c.before};
    EXPECT_TRUE(list.MarkKeyLearned(c.code));
    EXPECT_EQ(list.entries, c.want) << c.code;
  }
  KeyStateList list{{"05|1"}};
  EXPECT_FALSE(list.MarkKeyLearned("X1"));
  EXPECT_EQ(list.entries, Entries{"05|1"});
}

TEST(KeyStateList, FindRemoveCommitAndLearnedKeys) {
  KeyStateList list{{"05|1", "0E|3", "1A|2", "1A|1"}};
  EXPECT_EQ(list.FindKeyState("05"), "05|1");
  EXPECT_EQ(list.FindKeyState("0E"), "");  // learned in this session: not found
  EXPECT_EQ(list.FindKeyState("1A"), "1A|2");
  EXPECT_EQ(list.FindKeyState("1a"), "");  // codes compare as texts
  EXPECT_TRUE(list.HasLearnedKeys());

  list.CommitLearnedKeys();
  EXPECT_EQ(list.entries, (Entries{"05|1", "0E|2", "1A|2", "1A|1"}));
  list.RemoveKeyState("1A");
  EXPECT_EQ(list.entries, (Entries{"05|1", "0E|2", "1A|1"}));
  list.RemoveKeyState("0E");
  list.RemoveKeyState("77");
  EXPECT_EQ(list.entries, (Entries{"05|1", "1A|1"}));
  EXPECT_FALSE(list.HasLearnedKeys());
  EXPECT_TRUE((KeyStateList{{"1A|3"}}).HasLearnedKeys());
  EXPECT_FALSE(KeyStateList{}.HasLearnedKeys());
}

}  // namespace
}  // namespace tvq31
