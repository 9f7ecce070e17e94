// The learning session against the emulated remote: start, pick a key, the
// remote delivers a press, the code is stored, and stopping confirms or
// discards the session.
#include "remote_rig.h"

#include "hextext/hextext.h"
#include "keytable/keytable.h"
#include "receive/receivechain.h"
#include "skins/skins.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace tvq31 {
namespace {

using testing::RemoteRig;
using testing::WaitFor;

const QString kReceived = QStringLiteral("RC code is received!");
const QString kConfirm = QStringLiteral("Confirm this learning operation?");
const QString kAgain = QStringLiteral("choose one button needs to learn again!");

// Capture text no code style knows: one mark, one space, one mark, the end
// run and the trailer. Only the transfer library can store it.
QString OddCapture() {
  return QStringLiteral("E97834BC8690") + QStringLiteral("7FFF").repeated(20) +
         QStringLiteral("4F4F4F00");
}

// An image without the zero characters that pad it to the remote's size,
// as the emulator reports its table.
std::string Unpadded(std::string image) {
  while (!image.empty() && image.back() == '\0') image.pop_back();
  return image;
}

// The key table entry of `code` in `image`, or nullptr.
std::optional<KeyEntry> EntryOf(const std::string& image, const char* code) {
  std::optional<KeyTable> table = ReadKeyTable(image);
  if (!table) return std::nullopt;
  for (const KeyEntry& e : table->entries) {
    if (e.key_code == code) return e;
  }
  return std::nullopt;
}

class Learning : public RemoteRig {
 protected:
  bool ShowsLook(const char* code, KeyLook look) {
    IBtn* key = Key(code);
    return key->Picture().toImage() ==
           window->key_pictures[look][ReadHexNumber(code).value()].toImage();
  }
};

TEST_F(Learning, LearnConfirmAndSeeTheKeyRedAfterARestart) {
  Tmainselfstudy& w = Open();
  w.beginstudyibtnClick();
  ASSERT_TRUE(w.learning);
  EXPECT_EQ(w.runstate_lab->text(), QStringLiteral("click one button needs to learn left."));
  EXPECT_TRUE(w.Image5->isVisible());

  PressNec();
  w.KeyClicked(Key("02"));
  EXPECT_EQ(w.runstate_lab->text(), QStringLiteral("press one button to be learnt on your original RC"));
  EXPECT_TRUE(w.donghuaflash2->isVisible());
  ASSERT_TRUE(CaptureDone());

  EXPECT_EQ(prompter.Texts(), QStringList{kReceived});
  EXPECT_EQ(w.runstate_lab->text(), QStringLiteral("RC code has been stored in ButtonPOWER/CBL"));
  EXPECT_EQ(State("02"), "02|3");
  EXPECT_TRUE(ShowsLook("02", kLookLearned));
  EXPECT_TRUE(w.pending_keys.empty());
  EXPECT_TRUE(w.table_changed);
  EXPECT_FALSE(w.donghuaflash2->isVisible());
  EXPECT_TRUE(w.delstudykey->isEnabled());
  const std::optional<KeyEntry> stored = EntryOf(w.learn_image, "02");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->key_type, "CF");

  prompter.Answer(kConfirm, {PromptAnswer::Yes});
  w.beginstudyibtnClick();
  EXPECT_FALSE(w.learning);
  EXPECT_FALSE(w.table_changed);
  EXPECT_EQ(State("02"), "02|2");
  EXPECT_EQ(prompter.Texts().back(), QStringLiteral("Learning is finished!"));
  EXPECT_EQ(w.runstate_lab->text(), QStringLiteral("Learning is finished!"));
  EXPECT_TRUE(w.Image4->isVisible());
  // What the remote holds now is exactly the session's image.
  EXPECT_EQ(Table(), w.learn_image);
  EXPECT_EQ(w.device_image, w.learn_image);

  CloseWindow();
  Open();
  EXPECT_EQ(State("02"), "02|2");
  EXPECT_TRUE(ShowsLook("02", kLookLearned));
  EXPECT_EQ(prompter.off_ui_thread, 0);
}

TEST_F(Learning, RefusedConfirmationPutsPicturesAndStatesBack) {
  Tmainselfstudy& w = Open();
  const std::string table = Table();
  const KeyStateList before = w.key_states;
  w.beginstudyibtnClick();
  Learn("02", [this] { PressNec(1); });  // a key without a code
  // A downloaded key learned over: its green look and state come back.
  prompter.Answer(QStringLiteral("TV/6button has learnt, do you need to learn again?"), {PromptAnswer::Yes});
  Learn("0A", [this] { PressNec(2); });
  ASSERT_EQ(State("0A"), "0A|3");
  ASSERT_EQ(prompter.Count(kReceived), 2);

  w.beginstudyibtnClick();  // No to the confirmation
  EXPECT_EQ(prompter.Count(kConfirm), 1);
  EXPECT_FALSE(w.table_changed);
  EXPECT_EQ(w.learn_image, w.device_image);
  EXPECT_EQ(w.key_states, before);
  EXPECT_TRUE(ShowsLook("02", kLookNoCode));
  EXPECT_TRUE(ShowsLook("0A", kLookDownloaded));
  EXPECT_EQ(Table(), table);
  EXPECT_FALSE(w.delstudykey->isEnabled());
}

TEST_F(Learning, RefusedWriteKeepsTheSessionAndAsksAgainAtStopAndClose) {
  Tmainselfstudy& w = Open();
  const std::string table = Table();
  Control({QStringLiteral("refuse-writes"), QStringLiteral("on")});
  w.beginstudyibtnClick();
  Learn("02", [this] { PressNec(); });
  prompter.Answer(kConfirm, {PromptAnswer::Yes});
  w.beginstudyibtnClick();
  EXPECT_EQ(prompter.Texts().back(), QStringLiteral("Failed to learn！"));
  EXPECT_EQ(w.runstate_lab->text(), QStringLiteral("Failed to learn!"));
  EXPECT_TRUE(w.table_changed);
  EXPECT_EQ(State("02"), "02|2");
  EXPECT_EQ(Table(), table);

  w.beginstudyibtnClick();
  w.beginstudyibtnClick();
  EXPECT_EQ(prompter.Count(kConfirm), 2);
  Control({QStringLiteral("refuse-writes"), QStringLiteral("off")});
  CloseWindow();
  EXPECT_EQ(prompter.Count(kConfirm), 3);
  EXPECT_NE(Table(), table);  // written at closing
  EXPECT_TRUE(EntryOf(Table(), "02"));
}

TEST_F(Learning, TimeLimitReturnsTheKeyAndLearningGoesOn) {
  Tmainselfstudy& w = Open();
  w.capture_time_limit = std::chrono::milliseconds(300);
  w.beginstudyibtnClick();
  QElapsedTimer clock;
  clock.start();
  w.KeyClicked(Key("0A"));  // nothing is pressed
  ASSERT_TRUE(CaptureDone());
  EXPECT_GE(clock.elapsed(), 300);
  EXPECT_LT(clock.elapsed(), 3000);
  EXPECT_EQ(w.runstate_lab->text(), kAgain);
  EXPECT_TRUE(w.pending_keys.empty());
  EXPECT_TRUE(w.learning);
  EXPECT_TRUE(ShowsLook("0A", kLookDownloaded));  // its state picture again
  EXPECT_TRUE(prompter.shown.empty());
  Learn("02", [this] { PressNec(); });  // another key can be learned
  EXPECT_EQ(State("02"), "02|3");
}

TEST_F(Learning, SecondKeyWhileOneWaitsAndStopDropsTheLateCapture) {
  Tmainselfstudy& w = Open();
  w.beginstudyibtnClick();
  w.KeyClicked(Key("02"));
  w.KeyClicked(Key("00"));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            QStringLiteral("POWER/CBLbuttonis learning now! Click on Stop learning to stop learning "
                           "operation!"));
  ASSERT_EQ(w.pending_keys.size(), 1u);
  EXPECT_EQ(w.pending_keys[0], Key("02"));

  // The press arrives, but learning stops before the window takes it.
  PressNec();
  QThread::msleep(150);
  w.beginstudyibtnClick();
  EXPECT_TRUE(w.pending_keys.empty());
  ASSERT_TRUE(CaptureDone());
  QTest::qWait(20);
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_FALSE(w.table_changed);
  EXPECT_TRUE(State("02").empty());
  EXPECT_TRUE(ShowsLook("02", kLookNoCode));
}

TEST_F(Learning, RelearningALearnedKeyAsksFirst) {
  Tmainselfstudy& w = Open();
  w.beginstudyibtnClick();
  Learn("02", [this] { PressNec(); });
  prompter.Answer(kConfirm, {PromptAnswer::Yes});
  w.beginstudyibtnClick();
  ASSERT_EQ(State("02"), "02|2");
  const std::string confirmed = Table();

  const QString question = QStringLiteral("POWER/CBLbutton has learnt, do you need to learn again?");
  w.beginstudyibtnClick();
  w.KeyClicked(Key("02"));  // No
  EXPECT_EQ(prompter.Count(question), 1);
  EXPECT_TRUE(w.pending_keys.empty());
  EXPECT_EQ(w.capture_thread, nullptr);

  prompter.Answer(question, {PromptAnswer::Yes});
  Learn("02", [this] { PressNec(0x20); });
  EXPECT_EQ(State("02"), "02|3");
  EXPECT_EQ(w.prior_states, std::vector<std::string>{"02|2"});
  prompter.Answer(kConfirm, {PromptAnswer::No});
  w.beginstudyibtnClick();
  // Back to the confirmed code: still learned, still deletable.
  EXPECT_EQ(State("02"), "02|2");
  EXPECT_TRUE(ShowsLook("02", kLookLearned));
  EXPECT_TRUE(w.delstudykey->isEnabled());
  EXPECT_EQ(Table(), confirmed);
}

TEST_F(Learning, KeyOfAPairTakesItsPartnersCodeAndLook) {
  // The factory table pairs TV/Vol+ (01, downloaded) with AMP/Vol+ (49).
  Tmainselfstudy& w = Open();
  const std::string table = Table();
  const KeyStateList before = w.key_states;
  ASSERT_EQ(State("01"), "01|1");
  ASSERT_TRUE(ShowsLook("01", kLookDownloaded));
  const auto learn_49 = [&] {
    w.beginstudyibtnClick();
    Learn("49", [this] { PressNec(0x40); });
    ASSERT_EQ(State("49"), "49|3");
    // The partner's code left the session's image: its green look goes at once.
    EXPECT_FALSE(EntryOf(w.learn_image, "01"));
    EXPECT_TRUE(State("01").empty());
    EXPECT_TRUE(ShowsLook("01", kLookNoCode));
  };

  // Refused: the partner's entry and look come back with the old image.
  learn_49();
  prompter.Answer(kConfirm, {PromptAnswer::No});
  w.beginstudyibtnClick();
  EXPECT_EQ(w.key_states, before);
  EXPECT_TRUE(ShowsLook("01", kLookDownloaded));
  EXPECT_TRUE(ShowsLook("49", kLookNoCode));
  EXPECT_EQ(Table(), table);

  // Confirmed: the remote no longer holds the partner's code, and a new
  // start agrees with what the session showed.
  learn_49();
  prompter.Answer(kConfirm, {PromptAnswer::Yes});
  w.beginstudyibtnClick();
  EXPECT_FALSE(EntryOf(Table(), "01"));
  EXPECT_TRUE(State("01").empty());
  EXPECT_TRUE(ShowsLook("01", kLookNoCode));

  // The partner's entry saved in that session must not come back when a
  // later one that learns the former partner is refused.
  const KeyStateList confirmed = w.key_states;
  w.beginstudyibtnClick();
  Learn("01", [this] { PressNec(0x41); });
  prompter.Answer(kConfirm, {PromptAnswer::No});
  w.beginstudyibtnClick();
  EXPECT_EQ(w.key_states, confirmed);
  EXPECT_TRUE(ShowsLook("01", kLookNoCode));

  CloseWindow();
  Open();
  EXPECT_TRUE(State("01").empty());
  EXPECT_EQ(State("49"), "49|2");
  EXPECT_TRUE(ShowsLook("01", kLookNoCode));
}

TEST_F(Learning, UnknownSignalsAndUnusableCaptures) {
  struct Case {
    const char* name;
    const char* key;
    QString capture;
    bool stored;
  } cases[] = {
      // No code style matches: the transfer library gives the key record.
      {"transfer", "02", OddCapture(), true},
      // No end-of-signal run: nothing can be made of it.
      {"unusable", "00", QStringLiteral("81000100810001008100"), false},
  };
  Tmainselfstudy& w = Open();
  w.beginstudyibtnClick();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompter.shown.clear();
    const std::string image = w.learn_image;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("capture.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.capture.toLatin1());
    file.close();
    Learn(c.key, [&] { Control({QStringLiteral("press"), file.fileName()}); });
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(w.pending_keys.empty());
    EXPECT_TRUE(w.learning);
    if (c.stored) {
      EXPECT_EQ(prompter.shown[0].text, kReceived);
      EXPECT_EQ(State(c.key), std::string(c.key) + "|3");
      EXPECT_TRUE(EntryOf(w.learn_image, c.key));
    } else {
      EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("hint"));
      EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("The RC code could not be stored")));
      EXPECT_EQ(w.runstate_lab->text(), kAgain);
      EXPECT_EQ(w.learn_image, image);
      EXPECT_EQ(State(c.key), "");
      EXPECT_TRUE(ShowsLook(c.key, kLookNoCode));
    }
  }
}

// Stopping learning while a key still waits: the key is settled before the
// question, and whatever its capture brings while a box of the confirmation
// is open is dropped.
TEST_F(Learning, CaptureThatEndsDuringTheConfirmationIsDropped) {
  struct Case {
    const char* name;
    QString open_box;  // the box during which the capture ends
    bool press;        // a press arrives (else the time limit passes)
    PromptAnswer answer;
  } cases[] = {
      {"time limit during the question", kConfirm, false, PromptAnswer::No},
      {"press during the question", kConfirm, true, PromptAnswer::Yes},
      {"press during the finished box", QStringLiteral("Learning is finished!"), true,
       PromptAnswer::Yes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tmainselfstudy& w = OpenOnFreshRemote();
    w.capture_time_limit = std::chrono::milliseconds(c.press ? 7000 : 400);
    w.beginstudyibtnClick();
    Learn("02", [this] { PressNec(); });
    w.KeyClicked(Key("0B"));  // waits for its capture
    ASSERT_EQ(w.pending_keys.size(), 1u);
    bool settled_when_asked = false;
    prompter.on_prompt = [&](const Prompt& p) {
      if (p.text == kConfirm) {
        settled_when_asked = w.pending_keys.empty() && ShowsLook("0B", kLookNoCode) &&
                             !w.donghuaflash2->isVisible();
      }
      if (p.text != c.open_box) return;
      if (c.press) PressNec(0x55);
      // The box's own event loop runs the capture's end handler.
      EXPECT_TRUE(CaptureDone(9000));
      QTest::qWait(20);
    };
    prompter.Answer(kConfirm, {c.answer});
    w.beginstudyibtnClick();
    prompter.on_prompt = nullptr;
    EXPECT_TRUE(settled_when_asked);
    EXPECT_EQ(prompter.Count(kReceived), 1);
    EXPECT_TRUE(State("0B").empty());
    EXPECT_TRUE(ShowsLook("0B", kLookNoCode));
    EXPECT_FALSE(w.table_changed);
    EXPECT_TRUE(w.learn_image == w.device_image);
    EXPECT_TRUE(Table() == Unpadded(w.device_image));
    EXPECT_FALSE(EntryOf(Table(), "0B"));
    EXPECT_EQ(w.Imagehint->pixmap().toImage(), w.logo_picture.toImage());
    EXPECT_NE(w.runstate_lab->text(), kAgain);
    EXPECT_EQ(EntryOf(Table(), "02").has_value(), c.answer == PromptAnswer::Yes);
    // Nothing is asked again, and a restart agrees.
    w.beginstudyibtnClick();
    w.beginstudyibtnClick();
    EXPECT_EQ(prompter.Count(kConfirm), 1);
    CloseWindow();
    Open();
    EXPECT_TRUE(State("0B").empty());
  }
}

// A refused write leaves the unwritten codes in the window's images; a
// refusal at the next confirmation must take them out again.
TEST_F(Learning, RefusalAfterAFailedWriteComesBackToWhatTheRemoteHolds) {
  Tmainselfstudy& w = Open();
  const std::string table = Table();
  const KeyStateList before = w.key_states;
  Control({QStringLiteral("refuse-writes"), QStringLiteral("on")});
  w.beginstudyibtnClick();
  Learn("02", [this] { PressNec(); });
  prompter.Answer(kConfirm, {PromptAnswer::Yes, PromptAnswer::No});
  w.beginstudyibtnClick();
  ASSERT_EQ(prompter.Texts().back(), QStringLiteral("Failed to learn！"));
  Control({QStringLiteral("refuse-writes"), QStringLiteral("off")});

  w.beginstudyibtnClick();
  w.beginstudyibtnClick();  // No
  EXPECT_EQ(prompter.Count(kConfirm), 2);
  EXPECT_FALSE(w.table_changed);
  EXPECT_EQ(w.key_states, before);
  EXPECT_TRUE(ShowsLook("02", kLookNoCode));
  EXPECT_TRUE(Unpadded(w.device_image) == table);
  EXPECT_TRUE(Unpadded(w.learn_image) == table);
  EXPECT_FALSE(w.delstudykey->isEnabled());
  // Nothing of the refused session reaches the remote later.
  w.delallstudykeyClick();
  EXPECT_EQ(prompter.Texts().back(), QStringLiteral("No code can be deleted！"));
  CloseWindow();
  EXPECT_TRUE(Table() == table);
}

// A remote that is not the one the window started with gets nothing
// written, whichever workflow writes; the user is told.
TEST_F(Learning, NothingIsWrittenToAnotherRemote) {
  const QString sure_delete = QStringLiteral("Sure to delete the learned code of this button?");
  const QString sure_clear = QStringLiteral("Sure to clear all the learned codes of the buttons?");
  const auto learn_unconfirmed = [&](Tmainselfstudy& w) {
    w.beginstudyibtnClick();
    Learn("1C", [this] { PressNec(0x44); });
  };
  // Leaves the session unwritten with learning off: a refused write.
  const auto learn_write_refused = [&](Tmainselfstudy& w) {
    learn_unconfirmed(w);
    Control({QStringLiteral("refuse-writes"), QStringLiteral("on")});
    prompter.Answer(kConfirm, {PromptAnswer::Yes});
    w.beginstudyibtnClick();
    Control({QStringLiteral("refuse-writes"), QStringLiteral("off")});
    ASSERT_TRUE(w.table_changed);
  };
  const auto delete_02 = [&](Tmainselfstudy& w) {
    w.IBtn78Click();
    w.KeyClicked(Key("02"));
  };
  struct Case {
    const char* name;
    std::vector<const char*> confirmed;  // learned and written first
    std::function<void(Tmainselfstudy&)> setup;
    std::function<void(Tmainselfstudy&)> write;
    QString failure;  // the workflow's own report that follows
  } cases[] = {
      {"confirmation", {}, learn_unconfirmed, [](Tmainselfstudy& w) { w.beginstudyibtnClick(); },
       QStringLiteral("Failed to learn！")},
      {"closing", {}, learn_write_refused, [&](Tmainselfstudy&) { CloseWindow(); },
       QStringLiteral("Failed to learn！")},
      {"leaving delete mode", {"02", "00"}, delete_02, [](Tmainselfstudy& w) { w.IBtn78Click(); },
       QStringLiteral("Failed to delete! The RC keeps its codes.")},
      {"last deletion", {"02"}, [](Tmainselfstudy&) {}, delete_02,
       QStringLiteral("Failed to delete! The RC keeps its codes.")},
      {"clear-all", {"02"}, [](Tmainselfstudy&) {},
       [](Tmainselfstudy& w) { w.delallstudykeyClick(); }, QStringLiteral("Clearing failed!")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tmainselfstudy& w = OpenOnFreshRemote();
    prompter.Answer(sure_delete, {PromptAnswer::Yes});
    prompter.Answer(sure_clear, {PromptAnswer::Yes});
    if (!c.confirmed.empty()) LearnAndConfirm(c.confirmed);
    c.setup(w);
    prompter.shown.clear();
    prompter.Answer(kConfirm, {PromptAnswer::Yes});
    const std::string table = Table();
    Control({QStringLiteral("identity"), QStringLiteral("SOMEONE-ELSES-REMOTE")});
    c.write(w);
    const QStringList texts = prompter.Texts();
    const qsizetype told = texts.indexOf(kOtherRemoteText);
    ASSERT_GE(told, 0) << texts.join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(prompter.shown[told].caption, QStringLiteral("hint"));
    EXPECT_EQ(texts.value(told + 1), c.failure);
    EXPECT_TRUE(Table() == table);
  }
}

// The receive step keeps one chain, and so one recognition context, for
// every capture of the run.
TEST_F(Learning, OneReceiveChainForTheWholeRun) {
  Tmainselfstudy& w = Open();
  w.beginstudyibtnClick();
  Learn("02", [this] { PressNec(1); });
  const ReceiveChain* chain = &w.Receiver();
  EXPECT_EQ(chain->options().library_path, w.exe_dir + "QD01.csl");
  Learn("00", [this] { Control({QStringLiteral("press"), QStringLiteral("--protocol"),
                                QStringLiteral("RC5"), QStringLiteral("--address"),
                                QStringLiteral("0x05"), QStringLiteral("--command"),
                                QStringLiteral("0x0C")}); });
  EXPECT_EQ(State("00"), "00|3");
  EXPECT_EQ(&w.Receiver(), chain);
}

}  // namespace
}  // namespace tvq31
