// Delete mode and clear-all against the emulated remote.
#include "remote_rig.h"

#include "keytable/keytable.h"
#include "skins/skins.h"

namespace tvq31 {
namespace {

using testing::RemoteRig;

const QString kSureDelete = QStringLiteral("Sure to delete the learned code of this button?");
const QString kSureClear = QStringLiteral("Sure to clear all the learned codes of the buttons?");
const QString kDeleted = QStringLiteral("Deleting is finished!");

bool HasEntry(const std::string& image, const char* code) {
  std::optional<KeyTable> table = ReadKeyTable(image);
  if (!table) return false;
  for (const KeyEntry& e : table->entries) {
    if (e.key_code == code) return true;
  }
  return false;
}

int LearnedEntries(const std::string& image) {
  std::optional<KeyTable> table = ReadKeyTable(image);
  int n = 0;
  for (const KeyEntry& e : table->entries) n += e.key_type == kLearnedKeyType;
  return n;
}

class Deleting : public RemoteRig {
 protected:
  bool ButtonsGreyed() const {
    return !window->delstudykey->isEnabled() && !window->delallstudykey->isEnabled() &&
           window->Image8->isVisible() && !window->Image4->isVisible() &&
           !window->Image7->isVisible();
  }
};

TEST_F(Deleting, ClicksThatDoNotFitChangeNothing) {
  Tmainselfstudy& w = Open();
  LearnAndConfirm({"02"});
  const std::string table = Table();
  const KeyStateList states = w.key_states;

  w.IBtn78Click();
  ASSERT_TRUE(w.deleting);
  EXPECT_EQ(w.runstate_lab->text(), QStringLiteral("click one button for deleting the learned code left"));
  EXPECT_TRUE(w.Image7->isVisible());
  w.KeyClicked(Key("0A"));  // downloaded code
  w.KeyClicked(Key("0B"));  // no code
  w.beginstudyibtnClick();  // learning while deleting
  w.delallstudykeyClick();  // clearing while deleting
  EXPECT_EQ(prompter.Texts(),
            (QStringList{
                QStringLiteral("This button is never done for learning before！"),
                QStringLiteral("This button is never done for learning before!"),
                QStringLiteral("It is deleting now! Please stop deleting first if you want to stop to learn！"),
                QStringLiteral("It is on deleting mode! Please click on Stop deleting first if you want to "
                               "clear all the learnt codes！"),
            }));
  EXPECT_FALSE(w.learning);
  w.IBtn78Click();  // off again, nothing deleted: nothing written
  EXPECT_FALSE(w.deleting);
  EXPECT_EQ(prompter.shown.size(), 4u);
  EXPECT_EQ(w.key_states, states);
  EXPECT_EQ(Table(), table);

  prompter.shown.clear();
  w.beginstudyibtnClick();
  w.IBtn78Click();
  w.delallstudykeyClick();
  EXPECT_EQ(prompter.Texts(),
            (QStringList{
                QStringLiteral("It is learning now! Please stop learning first if you want to stop to delete！"),
                QStringLiteral("It is on learning mode! Please click on Stop learning first if you want to "
                               "clear all the learnt codes！"),
            }));
  EXPECT_FALSE(w.deleting);
}

TEST_F(Deleting, OneOfTwoWaitsForTheSwitchTheLastIsWrittenAtOnce) {
  Tmainselfstudy& w = Open();
  LearnAndConfirm({"02", "00"});
  const std::string table = Table();
  prompter.Answer(kSureDelete, {PromptAnswer::Yes});

  w.IBtn78Click();
  w.KeyClicked(Key("02"));
  EXPECT_EQ(Table(), table);  // nothing written yet
  EXPECT_TRUE(w.deleting);
  EXPECT_TRUE(w.table_changed);
  EXPECT_TRUE(State("02").empty());
  w.IBtn78Click();
  EXPECT_EQ(prompter.Texts(), (QStringList{kSureDelete, kDeleted}));
  EXPECT_EQ(w.runstate_lab->text(), kDeleted);
  EXPECT_FALSE(HasEntry(Table(), "02"));
  EXPECT_TRUE(HasEntry(Table(), "00"));
  EXPECT_TRUE(HasEntry(Table(), "0A"));  // downloaded codes stay
  EXPECT_EQ(w.learn_image, w.device_image);
  EXPECT_TRUE(w.Image4->isVisible());

  prompter.shown.clear();
  w.IBtn78Click();
  w.KeyClicked(Key("00"));
  EXPECT_EQ(prompter.Texts(), (QStringList{kSureDelete, kDeleted}));
  EXPECT_EQ(w.runstate_lab->text(), QStringLiteral("Deleting is finished！"));
  EXPECT_EQ(LearnedEntries(Table()), 0);
  EXPECT_FALSE(w.deleting);
  EXPECT_FALSE(w.table_changed);
  EXPECT_TRUE(ButtonsGreyed());
}

// A refused write is told to the user, at the switch and at the last key.
TEST_F(Deleting, RefusedWriteIsReported) {
  const QString failed = QStringLiteral("Failed to delete! The RC keeps its codes.");
  Tmainselfstudy& w = Open();
  LearnAndConfirm({"02", "00"});
  const std::string table = Table();
  prompter.Answer(kSureDelete, {PromptAnswer::Yes, PromptAnswer::Yes});
  Control({QStringLiteral("refuse-writes"), QStringLiteral("on")});

  w.IBtn78Click();
  w.KeyClicked(Key("02"));
  w.IBtn78Click();
  EXPECT_EQ(prompter.Texts(), (QStringList{kSureDelete, failed}));
  EXPECT_EQ(w.runstate_lab->text(), failed);
  EXPECT_EQ(Table(), table);

  prompter.shown.clear();
  w.IBtn78Click();
  w.KeyClicked(Key("00"));
  EXPECT_EQ(prompter.Texts(), (QStringList{kSureDelete, failed}));
  EXPECT_EQ(Table(), table);
  EXPECT_FALSE(w.deleting);
}

TEST_F(Deleting, KeyOfAPairTakesItsPartnersCode) {
  // Key 02 (learned) is the second key of a pair with 04 (downloaded).
  const std::string image =
      "01" "0402" "02" "02CF140005190002" "048F1400051B0001" "0102030405" "AABB" "CC";
  ASSERT_TRUE(MakeTolvioDevice()->WriteCodeTypeData(image));
  Tmainselfstudy& w = Open();
  ASSERT_EQ(w.key_states.entries, (std::vector<std::string>{"02|2", "04|1"}));
  prompter.Answer(kSureDelete, {PromptAnswer::Yes});
  w.IBtn78Click();
  w.KeyClicked(Key("02"));
  EXPECT_EQ(Table(), "0000");
  // The partner's green look goes with its code.
  EXPECT_TRUE(w.key_states.entries.empty());
  EXPECT_EQ(Key("04")->Picture().toImage(), w.key_pictures[kLookNoCode][4].toImage());
  EXPECT_TRUE(ButtonsGreyed());
}

TEST_F(Deleting, ClosingWritesPendingDeletions) {
  Tmainselfstudy& w = Open();
  LearnAndConfirm({"02", "00"});
  prompter.Answer(kSureDelete, {PromptAnswer::Yes});
  w.IBtn78Click();
  w.KeyClicked(Key("02"));
  CloseWindow();
  EXPECT_FALSE(HasEntry(Table(), "02"));
  EXPECT_TRUE(HasEntry(Table(), "00"));
  EXPECT_EQ(prompter.Count(QStringLiteral("Confirm this learning operation?")), 0);
}

TEST_F(Deleting, ClearAll) {
  struct Case {
    const char* name;
    bool learn;
    bool refuse_writes;
    QStringList texts;
  } cases[] = {
      {"only downloaded codes", false, false, {QStringLiteral("No code can be deleted！")}},
      {"cleared", true, false, {kSureClear, QStringLiteral("Clearing is finished!")}},
      {"refused write", true, true, {kSureClear, QStringLiteral("Clearing failed!")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    prompter.shown.clear();
    prompter.Answer(kSureClear, {PromptAnswer::Yes});
    Tmainselfstudy& w = Open();
    if (c.learn) LearnAndConfirm({"02", "00"});
    const std::string before = Table();
    const std::string device_image = w.device_image;
    if (c.refuse_writes) Control({QStringLiteral("refuse-writes"), QStringLiteral("on")});
    w.delallstudykeyClick();
    EXPECT_EQ(prompter.Texts(), c.texts);
    if (!c.learn) {
      EXPECT_EQ(Table(), before);
      continue;
    }
    EXPECT_EQ(w.runstate_lab->text(), c.texts.back());
    // Learned keys are gone from the pad whether or not the write went through.
    for (const std::string& e : w.key_states.entries) EXPECT_EQ(KeyStateList::EntryState(e), '1') << e;
    EXPECT_EQ(Key("02")->Picture().toImage(), w.key_pictures[kLookNoCode][2].toImage());
    EXPECT_TRUE(ButtonsGreyed());
    EXPECT_FALSE(w.table_changed);
    if (c.refuse_writes) {
      EXPECT_EQ(Table(), before);
      EXPECT_EQ(w.device_image, device_image);
    } else {
      EXPECT_EQ(LearnedEntries(Table()), 0);
      EXPECT_TRUE(HasEntry(Table(), "0A"));
      EXPECT_EQ(w.device_image, Table());
    }
  }
}

}  // namespace
}  // namespace tvq31
