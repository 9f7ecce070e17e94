#include "prompter/prompter.h"

#include <QMessageBox>

namespace tvq31 {
namespace {

QString& TitleStorage() {
  static QString title;
  return title;
}

PromptAnswer LastButton(PromptButtons buttons) {
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

}  // namespace

void SetApplicationTitle(const QString& title) { TitleStorage() = title; }
QString ApplicationTitle() { return TitleStorage(); }

PromptAnswer MessageBoxPrompter::Box(const QString& text, const QString& caption,
                                     PromptButtons buttons) {
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  QMessageBox::StandardButton escape = QMessageBox::Ok;
  switch (buttons) {
    case PromptButtons::Ok:
      break;
    case PromptButtons::OkCancel:
      set = QMessageBox::Ok | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
    case PromptButtons::YesNo:
      set = QMessageBox::Yes | QMessageBox::No;
      escape = QMessageBox::No;
      break;
    case PromptButtons::RetryCancel:
      set = QMessageBox::Retry | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
  }
  QMessageBox box(QMessageBox::NoIcon, caption, text, set, parent_);
  box.setEscapeButton(escape);
  switch (static_cast<QMessageBox::StandardButton>(box.exec())) {
    case QMessageBox::Ok:
      return PromptAnswer::Ok;
    case QMessageBox::Yes:
      return PromptAnswer::Yes;
    case QMessageBox::No:
      return PromptAnswer::No;
    case QMessageBox::Retry:
      return PromptAnswer::Retry;
    case QMessageBox::Cancel:
      return PromptAnswer::Cancel;
    default:
      return LastButton(buttons);
  }
}

void MessageBoxPrompter::Plain(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok,
                  parent_);
  box.exec();
}

PromptAnswer ScriptedPrompter::Box(const QString& text, const QString& caption,
                                   PromptButtons buttons) {
  shown_.push_back(Prompt{caption, text, buttons, false});
  if (on_prompt) on_prompt(shown_.back());
  if (script_.empty()) return LastButton(buttons);
  PromptAnswer answer = script_.front();
  script_.pop_front();
  return answer;
}

void ScriptedPrompter::Plain(const QString& text) {
  shown_.push_back(Prompt{ApplicationTitle(), text, PromptButtons::Ok, true});
  if (on_prompt) on_prompt(shown_.back());
}

}  // namespace tvq31
