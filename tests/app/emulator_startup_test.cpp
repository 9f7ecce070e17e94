// The start-up handshake against the emulated remote, through the real
// device library.
#include "display/display_modes.h"
#include "fakes.h"
#include "mainstudy/mainstudy.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace tvq31 {
namespace {

const QString kRemote = QStringLiteral(TVQ31_BIN_DIR "/tvq31-remote");

class EmulatedRemote : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QFileInfo(kRemote).isExecutable()) return;
    dir_ = new QTemporaryDir;
    socket_ = dir_->filePath(QStringLiteral("remote.sock"));
    setenv("TVQ31_REMOTE", socket_.toLocal8Bit().constData(), 1);
    server_ = new QProcess;
    server_->start(kRemote, {QStringLiteral("serve"), QStringLiteral("--state"),
                             dir_->filePath(QStringLiteral("state")), QStringLiteral("--socket"),
                             socket_});
    for (int i = 0; i < 100 && !QFileInfo::exists(socket_); ++i) QThread::msleep(20);
  }
  static void TearDownTestSuite() {
    if (server_) {
      server_->terminate();
      if (!server_->waitForFinished(2000)) server_->kill();
      server_->waitForFinished(1000);
    }
    delete server_;
    server_ = nullptr;
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!server_) GTEST_SKIP() << "tvq31-remote is not built";
    ASSERT_TRUE(QFileInfo::exists(socket_)) << "the emulator did not start";
    device_ = MakeTolvioDevice();
    Control({QStringLiteral("plug")});
    Control({QStringLiteral("set-type"), QStringLiteral("0002")});
    Control({QStringLiteral("set-version"), QStringLiteral("01"), QStringLiteral("02")});
  }

  static void Control(QStringList args) {
    args << QStringLiteral("--socket") << socket_;
    QProcess control;
    control.start(kRemote, args);
    ASSERT_TRUE(control.waitForFinished(5000));
    ASSERT_EQ(control.exitCode(), 0) << control.readAllStandardError().toStdString();
  }

  std::unique_ptr<Tmainselfstudy> Start() {
    return std::make_unique<Tmainselfstudy>(*device_, prompter_, display_);
  }

  static QTemporaryDir* dir_;
  static QProcess* server_;
  static QString socket_;
  std::unique_ptr<DeviceAccess> device_;
  ScriptedPrompter prompter_;
  testing::FakeDisplay display_;
};

QTemporaryDir* EmulatedRemote::dir_ = nullptr;
QProcess* EmulatedRemote::server_ = nullptr;
QString EmulatedRemote::socket_;

TEST_F(EmulatedRemote, AcceptsTheRemoteAndReadsItsKeyTable) {
  auto w = Start();
  EXPECT_FALSE(w->startup_failed);
  EXPECT_TRUE(prompter_.shown().empty());
  EXPECT_EQ(w->lab_ykqtype->text(), QStringLiteral("TVQ31Ⅱ"));
  EXPECT_EQ(w->device_id.size(), 30u);
  EXPECT_EQ(w->device_image.size(), kKeyTableSize);
  EXPECT_FALSE(w->key_states.entries.empty());  // the remote holds downloaded codes
  w->show();
  w->close();
}

TEST_F(EmulatedRemote, RefusesOldFirmwareAndNewerRemotes) {
  struct Case {
    QStringList control;
    bool plain;
    const char* starts_with;
  } cases[] = {
      {{"set-type", "8888"}, false, "Low version of RC firmware program!"},
      {{"set-version", "01", "03"}, true, "自学习软件版本比较低"},
      {{"set-version", "0A", "02"}, false, "This version of learning software"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control.join(' ').toStdString());
    SetUp();
    prompter_.Clear();
    Control(c.control);
    auto w = Start();
    EXPECT_TRUE(w->startup_failed);
    ASSERT_EQ(prompter_.shown().size(), 1u);
    EXPECT_EQ(prompter_.shown()[0].plain, c.plain);
    EXPECT_TRUE(prompter_.shown()[0].text.startsWith(QString::fromUtf8(c.starts_with)));
  }
}

TEST_F(EmulatedRemote, WaitsForTheRemoteToBePluggedIn) {
  Control({QStringLiteral("unplug")});
  // The user plugs the remote in while the Retry box is open.
  prompter_.on_prompt = [](const Prompt&) { Control({QStringLiteral("plug")}); };
  prompter_.Answer(PromptAnswer::Retry);
  auto w = Start();
  EXPECT_FALSE(w->startup_failed);
  ASSERT_EQ(prompter_.shown().size(), 1u);
  EXPECT_EQ(prompter_.shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(prompter_.shown()[0].buttons, PromptButtons::RetryCancel);
}

TEST_F(EmulatedRemote, UnpluggedAndCancelledRefusesTheStart) {
  Control({QStringLiteral("unplug")});
  prompter_.Answer(PromptAnswer::Retry);
  prompter_.Answer(PromptAnswer::Cancel);
  auto w = Start();
  EXPECT_TRUE(w->startup_failed);
  EXPECT_EQ(prompter_.shown().size(), 2u);
  w->show();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(w->isVisible());
}

}  // namespace
}  // namespace tvq31
