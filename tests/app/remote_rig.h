// A window over a real emulated remote: every test gets its own tvq31-remote
// (fresh factory state) on a socket in a temporary directory, the device
// library talks to it, and message boxes are answered by rules.
#pragma once

#include "devicelink/device_access.h"
#include "fakes.h"
#include "linkstathread/linkstathread.h"
#include "mainstudy/mainstudy.h"
#include "prompter/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>

// Failures show texts, not code units.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace tvq31::testing {

// Records every message; answers a text from its queue of answers (by
// exact text), else with the box's last button, as closing it would. It
// also notes any box asked for off the UI thread.
class RulePrompter : public Prompter {
 public:
  PromptAnswer Box(const QString& text, const QString& caption, PromptButtons buttons) override {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++off_ui_thread;
    shown.push_back(Prompt{caption, text, buttons, false});
    if (on_prompt) on_prompt(shown.back());
    auto rule = answers.find(text);
    if (rule != answers.end() && !rule->second.empty()) {
      PromptAnswer answer = rule->second.front();
      if (rule->second.size() > 1) rule->second.pop_front();  // the last one repeats
      return answer;
    }
    switch (buttons) {
      case PromptButtons::Ok: return PromptAnswer::Ok;
      case PromptButtons::YesNo: return PromptAnswer::No;
      case PromptButtons::OkCancel:
      case PromptButtons::RetryCancel: return PromptAnswer::Cancel;
    }
    return PromptAnswer::Ok;
  }
  void Plain(const QString& text) override {
    shown.push_back(Prompt{ApplicationTitle(), text, PromptButtons::Ok, true});
  }
  void Answer(const QString& text, std::deque<PromptAnswer> replies) { answers[text] = std::move(replies); }
  // The texts shown, in order.
  QStringList Texts() const {
    QStringList texts;
    for (const Prompt& p : shown) texts << p.text;
    return texts;
  }
  int Count(const QString& text) const { return static_cast<int>(Texts().count(text)); }

  std::vector<Prompt> shown;
  std::map<QString, std::deque<PromptAnswer>> answers;
  std::function<void(const Prompt&)> on_prompt;
  int off_ui_thread = 0;
};

inline const QString kRemoteProgram = QStringLiteral(TVQ31_BIN_DIR "/tvq31-remote");

// Runs the event loop until `done` holds or `ms` pass.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QTest::qWait(5);
  }
  return true;
}

class RemoteRig : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFileInfo(kRemoteProgram).isExecutable()) GTEST_SKIP() << "tvq31-remote is not built";
    socket_ = dir_.filePath(QStringLiteral("remote.sock"));
    setenv("TVQ31_REMOTE", socket_.toLocal8Bit().constData(), 1);
    StartServer();
    device_ = MakeTolvioDevice();
  }

  void TearDown() override {
    window.reset();
    SetLinkMonitorEnabled(false);
    StopServer();
  }

  // A fresh remote in its factory state (the window, if any, goes first).
  void RestartRemote() {
    window.reset();
    StopServer();
    QDir(dir_.filePath(QStringLiteral("state"))).removeRecursively();
    StartServer();
  }

  // A control command of the emulator; its standard output.
  QString Control(QStringList args) {
    args << QStringLiteral("--socket") << socket_;
    QProcess control;
    control.start(kRemoteProgram, args);
    EXPECT_TRUE(control.waitForFinished(5000));
    EXPECT_EQ(control.exitCode(), 0) << args.join(' ').toStdString() << ": "
                                     << control.readAllStandardError().toStdString();
    return QString::fromLocal8Bit(control.readAllStandardOutput()).trimmed();
  }
  // The remote's stored key table image.
  std::string Table() { return Control({QStringLiteral("table")}).toStdString(); }
  void PressNec(int command = 0x08) {
    Control({QStringLiteral("press"), QStringLiteral("--protocol"), QStringLiteral("NEC"),
             QStringLiteral("--address"), QStringLiteral("0x04"), QStringLiteral("--command"),
             QString::number(command)});
  }

  // Creates and shows the window, with the code-style library and the
  // transfer library taken from the build.
  Tmainselfstudy& Open() { return Open(prompter); }
  Tmainselfstudy& Open(Prompter& with) {
    window = std::make_unique<Tmainselfstudy>(*device_, with, display_);
    window->exe_dir = TVQ31_BIN_DIR "/";
    window->show();
    return *window;
  }
  // A window over a fresh remote in its factory state, nothing asked yet.
  Tmainselfstudy& OpenOnFreshRemote() {
    RestartRemote();
    prompter.shown.clear();
    prompter.answers.clear();
    return Open();
  }
  // Closes and destroys the window (the close handler runs).
  void CloseWindow() {
    if (window) window->close();
    window.reset();
  }

  // The key button with this key code.
  IBtn* Key(const char* code) const {
    for (IBtn* key : window->keys) {
      if (key->Code() == QLatin1String(code)) return key;
    }
    ADD_FAILURE() << "no key " << code;
    return window->keys[0];
  }
  std::string State(const char* code) const {
    for (const std::string& e : window->key_states.entries) {
      if (KeyStateList::EntryCode(e) == code) return e;
    }
    return {};
  }
  // Waits until the capture of the pending key has been received.
  bool CaptureDone(int ms = 5000) {
    return WaitFor([this] { return window->capture_thread == nullptr; }, ms);
  }
  // Start learning, click `code`, let the remote deliver `press`.
  void Learn(const char* code, const std::function<void()>& press) {
    press();
    window->KeyClicked(Key(code));
    ASSERT_TRUE(CaptureDone());
  }

  // Learns the keys with NEC presses and confirms the session.
  void LearnAndConfirm(const std::vector<const char*>& codes) {
    window->beginstudyibtnClick();
    int command = 0x30;
    for (const char* code : codes) Learn(code, [&] { PressNec(command++); });
    prompter.Answer(QStringLiteral("Confirm this learning operation?"), {PromptAnswer::Yes});
    window->beginstudyibtnClick();
    ASSERT_FALSE(window->table_changed);
    prompter.shown.clear();
  }

  RulePrompter prompter;
  std::unique_ptr<Tmainselfstudy> window;

 private:
  void StartServer() {
    QFile::remove(socket_);
    server_.start(kRemoteProgram, {QStringLiteral("serve"), QStringLiteral("--state"),
                                   dir_.filePath(QStringLiteral("state")),
                                   QStringLiteral("--socket"), socket_});
    for (int i = 0; i < 250 && !QFileInfo::exists(socket_); ++i) QThread::msleep(20);
    ASSERT_TRUE(QFileInfo::exists(socket_)) << "the emulator did not start";
  }
  void StopServer() {
    if (server_.state() != QProcess::NotRunning) {
      server_.terminate();
      if (!server_.waitForFinished(3000)) server_.kill();
      server_.waitForFinished(1000);
    }
  }

  QTemporaryDir dir_;
  QString socket_;
  QProcess server_;
  std::unique_ptr<DeviceAccess> device_;
  FakeDisplay display_;
};

}  // namespace tvq31::testing
