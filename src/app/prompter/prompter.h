// Every message the program shows goes through a Prompter, so that the
// window code never builds a dialog itself: the running program answers with
// real message boxes, the tests with a script that records every text.
#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace tvq31 {

// Captions of the message boxes: English texts carry "hint", Chinese "提示".
inline const QString kHintCaption = QStringLiteral("hint");
inline const QString kChineseHintCaption = QStringLiteral("提示");

// The application title, also the caption of the plain message dialog.
// Set once by the main window's creation handler.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

enum class PromptButtons { Ok, OkCancel, YesNo, RetryCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry };

// One message as it was shown.
struct Prompt {
  QString caption;
  QString text;
  PromptButtons buttons = PromptButtons::Ok;
  bool plain = false;  // the application's plain message dialog
};

using AnswerHandler = std::function<void(PromptAnswer)>;

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A modal message box with an explicit caption; returns the button chosen.
  // Escape or the window's close button answer Cancel, or OK for a box that
  // has only OK; a Yes/No box has no such answer: the user must choose.
  virtual PromptAnswer Box(const QString& text, const QString& caption,
                           PromptButtons buttons) = 0;
  // The same box without blocking the window: returns at once, and
  // `on_answer` runs on the UI thread when the user has answered (never, if
  // the box goes with its window unanswered). UI thread only. By default the
  // box is modal and answered before Ask returns.
  virtual void Ask(const QString& text, const QString& caption, PromptButtons buttons,
                   AnswerHandler on_answer) {
    const PromptAnswer answer = Box(text, caption, buttons);
    if (on_answer) on_answer(answer);
  }
  // The application's plain message dialog: OK only, the application title
  // as caption.
  virtual void Plain(const QString& text) = 0;
};

// Real message boxes, modal to `parent` (which may be null).
class MessageBoxPrompter : public Prompter {
 public:
  explicit MessageBoxPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  PromptAnswer Box(const QString& text, const QString& caption,
                   PromptButtons buttons) override;
  // A box that leaves the window usable (not modal).
  void Ask(const QString& text, const QString& caption, PromptButtons buttons,
           AnswerHandler on_answer) override;
  void Plain(const QString& text) override;

 private:
  QWidget* parent_;
};

// Records every message and answers from a script. When the script runs
// out, a box is answered with its last button (Cancel, No, or OK), which
// ends every retry loop.
class ScriptedPrompter : public Prompter {
 public:
  PromptAnswer Box(const QString& text, const QString& caption,
                   PromptButtons buttons) override;
  void Plain(const QString& text) override;

  void Answer(PromptAnswer answer) { script_.push_back(answer); }
  const std::vector<Prompt>& shown() const { return shown_; }
  void Clear() { shown_.clear(); script_.clear(); }
  // Runs while a message is "open", before it is answered (e.g. to plug the
  // remote in while the Retry box is up).
  std::function<void(const Prompt&)> on_prompt;

 private:
  std::vector<Prompt> shown_;
  std::deque<PromptAnswer> script_;
};

}  // namespace tvq31
