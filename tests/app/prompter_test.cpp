// The real message boxes on the offscreen platform: what Escape and the
// window's close button answer, and the box that leaves the window usable.
#include "prompter/prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tvq31 {
namespace {

// The message box shown now, or nullptr.
QMessageBox* OpenBox() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(top);
    if (box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

bool WaitForBox(int ms = 3000) {
  for (int waited = 0; OpenBox() == nullptr; waited += 5) {
    if (waited > ms) return false;
    QTest::qWait(5);
  }
  return true;
}

enum class Dismiss { Escape, CloseButton };

void DismissBox(QMessageBox* box, Dismiss how) {
  if (how == Dismiss::Escape) {
    QTest::keyClick(box, Qt::Key_Escape);
  } else {
    box->close();  // what the window's close button asks for
  }
}

struct DismissCase {
  const char* name;
  PromptButtons buttons;
  Dismiss how;
  // The answer, or none: the box stays open.
  std::optional<PromptAnswer> answer;
};

const DismissCase kDismissCases[] = {
    {"Yes/No, Escape", PromptButtons::YesNo, Dismiss::Escape, std::nullopt},
    {"Yes/No, close button", PromptButtons::YesNo, Dismiss::CloseButton, std::nullopt},
    {"Retry/Cancel, Escape", PromptButtons::RetryCancel, Dismiss::Escape, PromptAnswer::Cancel},
    {"OK/Cancel, close button", PromptButtons::OkCancel, Dismiss::CloseButton,
     PromptAnswer::Cancel},
    {"OK, Escape", PromptButtons::Ok, Dismiss::Escape, PromptAnswer::Ok},
};

TEST(MessageBoxPrompter, EscapeAndCloseNeverAnswerAYesNoQuestion) {
  QWidget parent;
  parent.show();
  MessageBoxPrompter prompter(&parent);
  for (const DismissCase& c : kDismissCases) {
    SCOPED_TRACE(c.name);
    std::optional<bool> still_open;
    // The "user", inside the box's own event loop.
    QTimer::singleShot(0, [&] {
      ASSERT_TRUE(WaitForBox());
      QMessageBox* box = OpenBox();
      DismissBox(box, c.how);
      QTest::qWait(20);
      still_open = box->isVisible();
      if (*still_open) box->button(QMessageBox::Yes)->click();
    });
    const PromptAnswer answer = prompter.Box(QStringLiteral("question?"), kHintCaption, c.buttons);
    ASSERT_TRUE(still_open.has_value());
    EXPECT_EQ(*still_open, !c.answer.has_value());
    EXPECT_EQ(answer, c.answer.value_or(PromptAnswer::Yes));
  }
}

TEST(MessageBoxPrompter, AskLeavesTheWindowUsableAndAnswersLater) {
  QWidget parent;
  parent.show();
  MessageBoxPrompter prompter(&parent);
  for (const DismissCase& c : kDismissCases) {
    SCOPED_TRACE(c.name);
    std::optional<PromptAnswer> answer;
    prompter.Ask(QStringLiteral("question?"), kHintCaption, c.buttons,
                 [&](PromptAnswer a) { answer = a; });
    // Ask has returned; the box is open and not modal.
    ASSERT_TRUE(WaitForBox());
    // The box frees itself once answered.
    QPointer<QMessageBox> box = OpenBox();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(box->windowTitle(), kHintCaption);
    EXPECT_FALSE(answer.has_value());
    DismissBox(box, c.how);
    QTest::qWait(20);
    if (!c.answer) {
      ASSERT_TRUE(box && box->isVisible());
      EXPECT_FALSE(answer.has_value());
      box->button(QMessageBox::No)->click();
    }
    QTest::qWait(20);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, c.answer.value_or(PromptAnswer::No));
    EXPECT_EQ(OpenBox(), nullptr);
  }
}

}  // namespace
}  // namespace tvq31
