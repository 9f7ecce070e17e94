// The link monitor against the emulated remote: unplugging locks the
// learning controls and asks for the remote, plugging it back unlocks them
// silently, another remote or giving up ends the program.
#include "remote_rig.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace tvq31 {
namespace {

using testing::RemoteRig;
using testing::WaitFor;

const QString kBad = QStringLiteral("Connection is bad，please connect the rc！");
const QString kCloseQuestion = QStringLiteral("Do you close the software?");

class Link : public RemoteRig {
 protected:
  void SetUp() override {
    RemoteRig::SetUp();
    SetLinkMonitorEnabled(true);
  }
  bool Locked() const {
    return !window->ykqbox->isVisible() && !window->beginstudyibtn->isEnabled() &&
           !window->delstudykey->isEnabled() && !window->delallstudykey->isEnabled();
  }
};

TEST_F(Link, UnplugLocksAndAsksPlugUnlocksSilently) {
  Tmainselfstudy& w = Open();
  ASSERT_NE(w.link_monitor, nullptr);
  ASSERT_TRUE(WaitFor([&] { return w.lab_usbstate->text() == QLatin1String(kConnectionWell); }));
  bool locked_while_asking = false;
  prompter.on_prompt = [&](const Prompt& p) {
    if (p.text != kBad) return;
    locked_while_asking = Locked() && w.lab_usbstate->text() == QLatin1String(kConnectionBad);
    Control({QStringLiteral("plug")});
  };
  prompter.Answer(kBad, {PromptAnswer::Retry});
  Control({QStringLiteral("unplug")});
  ASSERT_TRUE(WaitFor([&] { return prompter.Count(kBad) == 1; }));
  EXPECT_TRUE(locked_while_asking);
  ASSERT_TRUE(WaitFor([&] { return w.ykqbox->isVisible(); }));
  EXPECT_TRUE(w.beginstudyibtn->isEnabled());
  EXPECT_EQ(w.lab_usbstate->text(), QLatin1String(kConnectionWell));
  QTest::qWait(450);  // two more cycles: nothing else is asked
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].buttons, PromptButtons::RetryCancel);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(prompter.off_ui_thread, 0);
}

TEST_F(Link, AnotherRemoteOrGivingUpEndsTheProgram) {
  struct Case {
    const char* name;
    std::deque<PromptAnswer> bad_answers;
    bool other_identity;
    int questions;
  } cases[] = {
      {"other remote", {PromptAnswer::Retry}, true, 1},
      {"give up", {PromptAnswer::Cancel}, false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompter.shown.clear();
    prompter.answers.clear();
    Control({QStringLiteral("plug")});
    Tmainselfstudy& w = Open();
    prompter.Answer(kBad, c.bad_answers);
    prompter.Answer(kCloseQuestion, {PromptAnswer::Ok});
    if (c.other_identity) {
      prompter.on_prompt = [&](const Prompt&) {
        Control({QStringLiteral("identity"), QStringLiteral("SOMEONE-ELSES-REMOTE")});
        Control({QStringLiteral("plug")});
      };
    } else {
      prompter.on_prompt = nullptr;
    }
    Control({QStringLiteral("unplug")});
    ASSERT_TRUE(WaitFor([&] { return !w.isVisible(); }));
    EXPECT_EQ(w.link_monitor, nullptr);
    EXPECT_EQ(static_cast<int>(prompter.shown.size()), c.questions);
    EXPECT_EQ(prompter.shown[0].text, kBad);
    CloseWindow();
  }
}

TEST_F(Link, CancelTwiceAsksAgainEachCycle) {
  Tmainselfstudy& w = Open();
  Control({QStringLiteral("unplug")});
  ASSERT_TRUE(WaitFor([&] { return prompter.Count(kBad) >= 3; }));
  EXPECT_GE(prompter.Count(kCloseQuestion), 2);
  EXPECT_TRUE(Locked());
  EXPECT_TRUE(w.isVisible());
}

TEST_F(Link, ClosingWhileLearningWithTheRemoteAttachedIsRefused) {
  Tmainselfstudy& w = Open();
  w.beginstudyibtnClick();
  w.close();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral(
                                  "It is learning now!Please stop learning first if you want to exit")});
  w.beginstudyibtnClick();
  w.close();
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.closing);
  // The monitor ends on the stop request and the window forgets it.
  ASSERT_TRUE(WaitFor([&] { return w.link_monitor == nullptr; }));
}

// The questions of the monitor leave the window usable: no modal box, and
// the monitor waits for the answer before it goes on.
TEST_F(Link, QuestionsDoNotBlockTheWindow) {
  MessageBoxPrompter boxes;
  Tmainselfstudy& w = Open(boxes);
  boxes.SetParent(&w);
  auto open_questions = [] {
    std::vector<QMessageBox*> found;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(top);
      if (box != nullptr && box->isVisible() && box->text() == kBad) found.push_back(box);
    }
    return found;
  };
  // A modal box would hold this test inside its own event loop: the guard
  // notes it and answers it, so the test fails instead of hanging.
  bool modal_seen = false;
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal_seen = true;
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        Control({QStringLiteral("plug")});
        box->button(QMessageBox::Retry)->click();
      }
    }
  });
  guard.start(500);

  Control({QStringLiteral("unplug")});
  ASSERT_TRUE(WaitFor([&] { return !open_questions().empty() || modal_seen; }));
  EXPECT_FALSE(modal_seen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(Locked());
  // The window's own handlers run meanwhile; the monitor asks nothing more.
  QTest::qWait(600);
  EXPECT_EQ(open_questions().size(), modal_seen ? 0u : 1u);
  EXPECT_EQ(w.lab_usbstate->text(), QLatin1String(kConnectionBad));

  Control({QStringLiteral("plug")});
  if (!modal_seen) open_questions().front()->button(QMessageBox::Retry)->click();
  ASSERT_TRUE(WaitFor([&] { return w.ykqbox->isVisible(); }));
  EXPECT_TRUE(w.beginstudyibtn->isEnabled());
  EXPECT_TRUE(open_questions().empty());
  EXPECT_FALSE(modal_seen);
  window.reset();  // before the prompter it uses
}

// After a reconnection deleting and clearing are offered only when there
// is a learned code.
TEST_F(Link, ReconnectionOffersDeletingOnlyWithALearnedKey) {
  for (bool learned : {false, true}) {
    SCOPED_TRACE(learned);
    Tmainselfstudy& w = OpenOnFreshRemote();
    if (learned) LearnAndConfirm({"02"});
    prompter.on_prompt = [&](const Prompt& p) {
      if (p.text == kBad) Control({QStringLiteral("plug")});
    };
    prompter.Answer(kBad, {PromptAnswer::Retry});
    Control({QStringLiteral("unplug")});
    ASSERT_TRUE(WaitFor([&] { return prompter.Count(kBad) == 1; }));
    ASSERT_TRUE(WaitFor([&] { return w.ykqbox->isVisible(); }));
    EXPECT_TRUE(w.beginstudyibtn->isEnabled());
    EXPECT_EQ(w.delstudykey->isEnabled(), learned);
    EXPECT_EQ(w.delallstudykey->isEnabled(), learned);
    prompter.on_prompt = nullptr;
  }
}

// Another remote attached ends the program without writing the first
// remote's table onto it, also from delete mode with unwritten deletions
// and from learning with an unconfirmed code (which would refuse the close).
TEST_F(Link, AnotherRemoteGetsNothingWrittenAndTheProgramEnds) {
  const QString sure_delete = QStringLiteral("Sure to delete the learned code of this button?");
  struct Case {
    const char* name;
    bool deleting;
  } cases[] = {{"delete mode", true}, {"learning", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tmainselfstudy& w = OpenOnFreshRemote();
    LearnAndConfirm({"02", "00"});
    prompter.Answer(sure_delete, {PromptAnswer::Yes});
    if (c.deleting) {
      w.IBtn78Click();
      w.KeyClicked(Key("02"));
      ASSERT_TRUE(w.table_changed);
    } else {
      w.beginstudyibtnClick();
      Learn("1C", [this] { PressNec(0x44); });
      w.KeyClicked(Key("0B"));  // and one waits for its capture
      ASSERT_TRUE(w.table_changed);
    }
    const std::string table = Table();
    prompter.shown.clear();
    prompter.Answer(kBad, {PromptAnswer::Retry});
    prompter.on_prompt = [&](const Prompt& p) {
      if (p.text != kBad) return;
      Control({QStringLiteral("identity"), QStringLiteral("SOMEONE-ELSES-REMOTE")});
      Control({QStringLiteral("plug")});
    };
    Control({QStringLiteral("unplug")});
    ASSERT_TRUE(WaitFor([&] { return !w.isVisible(); }));
    prompter.on_prompt = nullptr;
    EXPECT_FALSE(w.learning);
    EXPECT_EQ(w.link_monitor, nullptr);
    EXPECT_EQ(prompter.Count(QStringLiteral("Confirm this learning operation?")), 0);
    EXPECT_EQ(prompter.Count(kOtherRemoteText), 1);
    ASSERT_TRUE(WaitFor([&] { return w.capture_thread == nullptr; }));
    EXPECT_TRUE(Table() == table);
  }
}

}  // namespace
}  // namespace tvq31
