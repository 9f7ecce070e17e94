#include "prompter/prompter.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>

namespace tvq31 {
namespace {

QString& TitleStorage() {
  static QString title;
  return title;
}

PromptAnswer DismissedAnswer(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok:
      return PromptAnswer::Ok;
    case PromptButtons::YesNo:
      return PromptAnswer::No;
    case PromptButtons::OkCancel:
    case PromptButtons::RetryCancel:
      return PromptAnswer::Cancel;
  }
  return PromptAnswer::Cancel;
}

// A box that a Yes/No question can hold: with no escape answer, Escape and
// the window's close button leave it open until Yes or No is chosen.
class HintBox : public QMessageBox {
 public:
  HintBox(const QString& caption, const QString& text, PromptButtons buttons, QWidget* parent)
      : QMessageBox(QMessageBox::NoIcon, caption, text, StandardButtons(buttons), parent),
        buttons_(buttons) {
    if (buttons == PromptButtons::OkCancel || buttons == PromptButtons::RetryCancel) {
      setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == PromptButtons::Ok) {
      setEscapeButton(QMessageBox::Ok);
    }
  }

  // The button the user chose; a box closed without one answers its
  // escape button.
  PromptAnswer Answer() const {
    switch (standardButton(clickedButton())) {
      case QMessageBox::Ok: return PromptAnswer::Ok;
      case QMessageBox::Yes: return PromptAnswer::Yes;
      case QMessageBox::No: return PromptAnswer::No;
      case QMessageBox::Retry: return PromptAnswer::Retry;
      case QMessageBox::Cancel: return PromptAnswer::Cancel;
      default: return DismissedAnswer(buttons_);
    }
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (buttons_ == PromptButtons::YesNo && event->key() == Qt::Key_Escape) {
      event->accept();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    // A Yes/No box closes only through one of its buttons (which hides it
    // without a close event).
    if (buttons_ == PromptButtons::YesNo) {
      event->ignore();
      return;
    }
    QMessageBox::closeEvent(event);
  }

 private:
  static QMessageBox::StandardButtons StandardButtons(PromptButtons buttons) {
    switch (buttons) {
      case PromptButtons::Ok: return QMessageBox::Ok;
      case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
      case PromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
      case PromptButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
  }

  PromptButtons buttons_;
};

}  // namespace

void SetApplicationTitle(const QString& title) { TitleStorage() = title; }
QString ApplicationTitle() { return TitleStorage(); }

PromptAnswer MessageBoxPrompter::Box(const QString& text, const QString& caption,
                                     PromptButtons buttons) {
  HintBox box(caption, text, buttons, parent_);
  box.exec();
  return box.Answer();
}

void MessageBoxPrompter::Ask(const QString& text, const QString& caption, PromptButtons buttons,
                             AnswerHandler on_answer) {
  auto* box = new HintBox(caption, text, buttons, parent_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  QObject::connect(box, &QDialog::finished, box, [box, on_answer = std::move(on_answer)](int) {
    if (on_answer) on_answer(box->Answer());
  });
  box->show();
}

void MessageBoxPrompter::Plain(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, parent_);
  box.exec();
}

PromptAnswer ScriptedPrompter::Box(const QString& text, const QString& caption,
                                   PromptButtons buttons) {
  shown_.push_back(Prompt{caption, text, buttons, false});
  if (on_prompt) on_prompt(shown_.back());
  if (script_.empty()) return DismissedAnswer(buttons);
  PromptAnswer answer = script_.front();
  script_.pop_front();
  return answer;
}

void ScriptedPrompter::Plain(const QString& text) {
  shown_.push_back(Prompt{ApplicationTitle(), text, PromptButtons::Ok, true});
  if (on_prompt) on_prompt(shown_.back());
}

}  // namespace tvq31
