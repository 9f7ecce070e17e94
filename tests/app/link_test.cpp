// The link monitor against the emulated remote: unplugging locks the
// learning controls and asks for the remote, plugging it back unlocks them
// silently, another remote or giving up ends the program.
#include "remote_rig.h"

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

}  // namespace
}  // namespace tvq31
