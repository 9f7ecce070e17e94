#include "fakes.h"
#include "mainstudy/mainstudy.h"
#include "skins/skins.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace tvq31 {
namespace {

using testing::BasicInfo;
using testing::FakeDevice;
using testing::FakeDisplay;
using testing::KeyTableImage;

const QString kSite = DownloadSite();
const QString kMessageA =
    "Low version of RC firmware program! Please download the latest version from " + kSite + "!";
const QString kMessageB =
    "This version of learning software does not support learning operation of this kind of RC. "
    "Please download the latest version of learning software from " +
    kSite + "!";
const QString kMessageC = QStringLiteral("自学习软件版本比较低，请到") + kSite +
                          QStringLiteral("下载最新的该款自学习软件！");
const QString kNoRemote = QStringLiteral("未检测到遥控器，请检查USB连接线");

struct Rig {
  FakeDevice device;
  ScriptedPrompter prompter;
  FakeDisplay display;
  std::unique_ptr<Tmainselfstudy> window;

  void Create() { window = std::make_unique<Tmainselfstudy>(device, prompter, display); }
  void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
};

TEST(FormCreate, RefusesOrAcceptsTheRemote) {
  struct Case {
    const char* name;
    std::deque<bool> link;
    std::vector<PromptAnswer> answers;
    std::string basic_info;
    bool failed;
    // Expected messages: caption, text, plain dialog.
    std::vector<Prompt> prompts;
  } cases[] = {
      {"absent then Cancel", {false}, {PromptAnswer::Cancel}, BasicInfo("0002", "01", "02"),
       true, {{"提示", kNoRemote, PromptButtons::RetryCancel, false}}},
      {"absent, Retry, attached", {false, false, true}, {PromptAnswer::Retry, PromptAnswer::Retry},
       BasicInfo("0002", "01", "02"), false,
       {{"提示", kNoRemote, PromptButtons::RetryCancel, false},
        {"提示", kNoRemote, PromptButtons::RetryCancel, false}}},
      {"basic information fails", {true}, {}, "", true, {}},
      {"basic information short", {true}, {}, std::string(100, '0'), true, {}},
      {"8888 with good pairs", {true}, {}, BasicInfo("8888", "01", "02"), true,
       {{"hint", kMessageA, PromptButtons::Ok, false}}},
      {"8888 whatever the pairs", {true}, {}, BasicInfo("8888", "0A", "07"), true,
       {{"hint", kMessageA, PromptButtons::Ok, false}}},
      {"other type", {true}, {}, BasicInfo("0003", "01", "02"), true,
       {{"hint", kMessageB, PromptButtons::Ok, false}}},
      {"first pair 02", {true}, {}, BasicInfo("0002", "02", "02"), true,
       {{"hint", kMessageB, PromptButtons::Ok, false}}},
      {"first pair 00", {true}, {}, BasicInfo("0002", "00", "02"), true,
       {{"hint", kMessageA, PromptButtons::Ok, false}}},
      {"first pair 0A is ten", {true}, {}, BasicInfo("0002", "0A", "02"), true,
       {{"hint", kMessageB, PromptButtons::Ok, false}}},
      {"first pair 00 before second pair 03", {true}, {}, BasicInfo("0002", "00", "03"), true,
       {{"hint", kMessageA, PromptButtons::Ok, false}}},
      {"second pair 03", {true}, {}, BasicInfo("0002", "01", "03"), true,
       {{"TVQ31Ⅱ", kMessageC, PromptButtons::Ok, true}}},
      {"second pair 0a", {true}, {}, BasicInfo("0002", "01", "0a"), true,
       {{"TVQ31Ⅱ", kMessageC, PromptButtons::Ok, true}}},
      {"second pair 01", {true}, {}, BasicInfo("0002", "01", "01"), true,
       {{"hint", kMessageB, PromptButtons::Ok, false}}},
      {"pair not hexadecimal", {true}, {}, BasicInfo("0002", "0G", "02"), true,
       {{"hint", kMessageB, PromptButtons::Ok, false}}},
      {"pair of zero bytes", {true}, {}, BasicInfo("0002", std::string(2, '\0'), "02"), true,
       {{"hint", kMessageB, PromptButtons::Ok, false}}},
      {"accepted", {true}, {}, BasicInfo("0002", "01", "02"), false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.device.link = c.link;
    rig.device.basic_info = c.basic_info;
    for (PromptAnswer a : c.answers) rig.prompter.Answer(a);
    rig.Create();
    Tmainselfstudy& w = *rig.window;
    EXPECT_EQ(w.startup_failed, c.failed);
    ASSERT_EQ(rig.prompter.shown().size(), c.prompts.size());
    for (std::size_t i = 0; i < c.prompts.size(); ++i) {
      EXPECT_EQ(rig.prompter.shown()[i].caption, c.prompts[i].caption);
      EXPECT_EQ(rig.prompter.shown()[i].text, c.prompts[i].text);
      EXPECT_EQ(rig.prompter.shown()[i].buttons, c.prompts[i].buttons);
      EXPECT_EQ(rig.prompter.shown()[i].plain, c.prompts[i].plain);
    }
    EXPECT_EQ(w.lab_ykqtype->text(), c.failed ? QString() : QStringLiteral("TVQ31Ⅱ"));
    EXPECT_FALSE(w.learning || w.deleting || w.table_changed || w.closing);
    EXPECT_EQ(w.link_monitor, nullptr);
  }
}

TEST(FormCreate, AcceptedStartKeepsIdentityImagesAndKeyStates) {
  Rig rig;
  rig.device.basic_info = BasicInfo("0002", "01", "02", "ID-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456");
  // Two keys share one head: 07 downloaded (8F), 1A learned (CF).
  rig.device.key_table = KeyTableImage("0002078F1200051700021ACF1200051900020102030405CCDDAABB");
  rig.Create();
  Tmainselfstudy& w = *rig.window;
  ASSERT_FALSE(w.startup_failed);
  EXPECT_EQ(w.device_id, "ID-ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
  EXPECT_EQ(w.lab_gjbb->text(), QStringLiteral(" 2.0"));
  EXPECT_EQ(w.device_image.size(), kKeyTableSize);
  EXPECT_EQ(w.learn_image, w.device_image);
  EXPECT_EQ(w.key_states.entries, (std::vector<std::string>{"07|1", "1A|2"}));
  EXPECT_EQ(w.exe_dir.back(), '/');
  EXPECT_TRUE(rig.prompter.shown().empty());
}

TEST(FormCreate, KeyTableThatCannotBeReadRefusesTheStart) {
  for (const char* table : {"", "ZZ"}) {
    SCOPED_TRACE(table);
    Rig rig;
    rig.device.key_table = table[0] ? KeyTableImage(table) : std::string();
    rig.Create();
    EXPECT_TRUE(rig.window->startup_failed);
    // An empty read is refused silently; an unreadable table says why.
    EXPECT_EQ(rig.prompter.shown().size(), table[0] ? 1u : 0u);
    EXPECT_EQ(rig.window->lab_ykqtype->text(), QStringLiteral("TVQ31Ⅱ"));
  }
}

TEST(FormShow, RefusedStartClosesTheWindowWithoutCloseWork) {
  Rig rig;
  rig.device.link = {false};
  rig.Create();
  ASSERT_TRUE(rig.window->startup_failed);
  rig.window->show();
  rig.Settle();
  EXPECT_FALSE(rig.window->isVisible());
  // Nothing was loaded, nothing asked beyond the Retry/Cancel box.
  EXPECT_TRUE(rig.window->logo_picture.isNull());
  EXPECT_EQ(rig.prompter.shown().size(), 1u);
}

TEST(FormShow, SetsButtonsAndPanelsByLearnedKeys) {
  struct Case {
    const char* table;
    bool learned;
  } cases[] = {{"0000", false},
               {"0001078F0A00050F00020102030405AABB", false},
               {"00011ACF0A00050F00020102030405AABB", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    Rig rig;
    rig.device.key_table = KeyTableImage(c.table);
    rig.Create();
    Tmainselfstudy& w = *rig.window;
    w.deleting = true;  // cleared when no learned key exists
    w.show();
    EXPECT_TRUE(rig.prompter.shown().empty());
    EXPECT_EQ(w.lab_softver->text(), QStringLiteral("V 2.2"));
    EXPECT_EQ(w.delstudykey->isEnabled(), c.learned);
    EXPECT_EQ(w.delallstudykey->isEnabled(), c.learned);
    EXPECT_EQ(w.Image4->isVisible(), c.learned);
    EXPECT_EQ(w.Image8->isVisible(), !c.learned);
    EXPECT_FALSE(w.Image5->isVisible());
    EXPECT_FALSE(w.Image7->isVisible());
    EXPECT_EQ(w.deleting, c.learned);
    const QPixmap& del = c.learned ? w.delete_picture : w.delete_grey_picture;
    const QPixmap& clear = c.learned ? w.clear_picture : w.clear_grey_picture;
    EXPECT_EQ(w.delstudykey->Picture().cacheKey(), del.cacheKey());
    EXPECT_EQ(w.delallstudykey->Picture().cacheKey(), clear.cacheKey());
    EXPECT_EQ(w.Imagehint->pixmap().cacheKey(), w.logo_picture.cacheKey());
    EXPECT_FALSE(w.donghuaflash2->isVisible());
    EXPECT_FALSE(w.helpibtn->isVisible());
    w.deleting = false;
    w.close();
  }
}

TEST(FormShow, KeysShowTheirStatePictures) {
  Rig rig;
  rig.device.key_table = KeyTableImage("0002078F1200051700021ACF1200051900020102030405CCDDAABB");
  rig.Create();
  Tmainselfstudy& w = *rig.window;
  w.show();
  // TV/1 is 07 (downloaded), DVD/3 is 1A (learned), TV/2 is 05 (no code).
  IBtn* tv1 = w.KeyButton(5);
  IBtn* dvd3 = w.KeyButton(27);
  IBtn* tv2 = w.KeyButton(6);
  EXPECT_EQ(tv1->Picture().cacheKey(), w.key_pictures[kLookDownloaded][0x07].cacheKey());
  EXPECT_EQ(dvd3->Picture().cacheKey(), w.key_pictures[kLookLearned][0x1A].cacheKey());
  EXPECT_FALSE(dvd3->IsEnable());
  EXPECT_TRUE(tv1->IsEnable());
  const QPixmap before = tv2->Picture();
  EXPECT_FALSE(before.isNull());
  // A learned key given IsEnable true gets its earlier picture back.
  dvd3->SetIsEnable(true);
  EXPECT_NE(dvd3->Picture().cacheKey(), w.key_pictures[kLookLearned][0x1A].cacheKey());
  EXPECT_FALSE(dvd3->Picture().isNull());
  w.close();
}

TEST(FormShow, DisplayCheckWarnsAndSwitchesForThisSession) {
  struct Case {
    QSize screen;
    QSize after_warning;
    bool switch_takes;
    bool warned;
    bool switched;
  } cases[] = {
      {{1024, 768}, {}, false, false, false},
      {{1920, 1080}, {}, false, false, false},
      {{800, 600}, {}, false, true, true},
      {{1023, 900}, {}, false, true, true},
      // The window is centred on the new mode, at the top.
      {{800, 600}, {}, true, true, true},
      // The user changed the mode while the warning was open.
      {{800, 600}, {1280, 1024}, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen.width());
    Rig rig;
    rig.display.size = c.screen;
    rig.display.size_after_warning = c.after_warning;
    rig.display.switch_takes = c.switch_takes;
    rig.Create();
    rig.window->show();
    ASSERT_EQ(rig.prompter.shown().size(), c.warned ? 1u : 0u);
    if (c.warned) {
      const Prompt& p = rig.prompter.shown()[0];
      EXPECT_EQ(p.caption, QStringLiteral("hint"));
      EXPECT_EQ(p.text, QStringLiteral("Current differentiate rate of your display is%1*%2\r\n"
                                       "To run this software, please change it to  1024*768")
                            .arg(c.screen.width())
                            .arg(c.screen.height()));
    }
    EXPECT_EQ(rig.display.switches, c.switched ? 1 : 0);
    if (c.switched) {
      EXPECT_EQ(rig.display.switched_to, QSize(1024, 768));
    }
    if (c.switch_takes) {
      const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
      EXPECT_EQ(rig.window->pos(), origin + QPoint((1024 - 1016) / 2, 0));
    }
    rig.window->close();
  }
}

TEST(FormCloseQuery, RefusesOnlyWhileLearningWithTheRemoteAttached) {
  struct Case {
    bool learning;
    bool attached;
    bool closes;
  } cases[] = {{true, true, false}, {true, false, true}, {false, true, true}, {false, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.learning << c.attached);
    Rig rig;
    rig.Create();
    Tmainselfstudy& w = *rig.window;
    w.show();
    w.learning = c.learning;
    rig.device.link = {c.attached};
    w.IBtn79Click();  // the close button goes through the same query
    EXPECT_EQ(w.isVisible(), !c.closes);
    EXPECT_EQ(w.closing, c.closes);
    if (!c.closes) {
      ASSERT_EQ(rig.prompter.shown().size(), 1u);
      EXPECT_EQ(rig.prompter.shown()[0].text,
                QStringLiteral("It is learning now!Please stop learning first if you want to exit"));
      EXPECT_TRUE(w.learning);
    } else {
      EXPECT_TRUE(rig.prompter.shown().empty());
    }
    w.learning = false;
  }
}

TEST(LinkMonitorEnded, ClosesTheWindowUnlessAlreadyClosing) {
  for (bool closing : {false, true}) {
    Rig rig;
    rig.Create();
    rig.window->show();
    rig.window->closing = closing;
    rig.window->LinkMonitorEnded();
    EXPECT_EQ(rig.window->link_monitor, nullptr);
    EXPECT_EQ(rig.window->isVisible(), closing);
  }
}

TEST(FormClose, RemovesOnlyItsOwnAnimationFile) {
  Rig rig;
  rig.Create();
  rig.window->show();
  const QString movie = AnimationFilePath();
  ASSERT_FALSE(movie.isEmpty());
  EXPECT_TRUE(movie.contains(QString::number(QCoreApplication::applicationPid())));
  // The movies of other running copies, under the old shared name and under
  // another process id, lie in the same folder.
  const QString folder = QFileInfo(movie).path();
  const QStringList others = {folder + QStringLiteral("/888.swf"),
                              folder + QStringLiteral("/888-%1.swf")
                                           .arg(QCoreApplication::applicationPid() + 1)};
  QStringList all = others;
  all.append(movie);
  for (const QString& path : all) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("FWS");
  }
  rig.window->close();
  EXPECT_FALSE(QFile::exists(movie));
  for (const QString& other : others) {
    EXPECT_TRUE(QFile::exists(other)) << other.toStdString();
    QFile::remove(other);
  }
}

// The events of a double-click on the start button: press, release, the
// double-click (in place of the second press), release.
TEST(Handlers, DoubleClickOnStartIsOnePress) {
  Rig rig;
  rig.Create();
  Tmainselfstudy& w = *rig.window;
  w.show();
  IBtn* start = w.beginstudyibtn;
  const QPoint home = start->pos();
  const QPointF at(5, 5);
  const QPointF global = start->mapToGlobal(at);
  auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
    QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(start, &event);
  };
  send(QEvent::MouseButtonPress, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  send(QEvent::MouseButtonDblClick, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  EXPECT_TRUE(w.learning);
  EXPECT_EQ(start->pos(), home);
  w.beginstudyibtnClick();
  w.close();
}

TEST(Handlers, UpdateAnswersInThePlainDialogAndCommandButtonsShowTheHand) {
  Rig rig;
  rig.Create();
  Tmainselfstudy& w = *rig.window;
  w.show();
  for (int i = 0; i < 2; ++i) w.updateibtnClick();
  ASSERT_EQ(rig.prompter.shown().size(), 2u);
  for (const Prompt& p : rig.prompter.shown()) {
    EXPECT_TRUE(p.plain);
    EXPECT_EQ(p.caption, QStringLiteral("TVQ31Ⅱ"));
    EXPECT_EQ(p.text, QStringLiteral("Your software version is new"));
  }
  for (IBtn* b : {w.beginstudyibtn, w.delstudykey, w.delallstudykey, w.IBtn79, w.updateibtn,
                  w.helpibtn}) {
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_EQ(b->cursor().shape(), Qt::ArrowCursor);
    emit b->MouseMove(b);
    EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
  }
  w.close();
}

}  // namespace
}  // namespace tvq31
