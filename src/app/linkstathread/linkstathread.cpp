#include "linkstathread/linkstathread.h"

#include "mainstudy/mainstudy.h"

#include <thread>

namespace tvq31 {
namespace {

constexpr std::size_t kIdentityChars = 30;

}  // namespace

linkstate::linkstate(Tmainselfstudy& window, std::function<void(bool other_remote)> on_end,
                     std::chrono::milliseconds period)
    // The handler runs after Execute has returned, so the flag is final.
    : TWorkerThread([this, on_end = std::move(on_end)] {
        if (on_end) on_end(other_remote_);
      }),
      window_(window),
      device_(window.device()),
      device_id_(window.device_id),
      period_(period) {
  setObjectName(QStringLiteral("linkstate"));
}

// The question waits for its answer here, while the window stays usable.
// An abandoned monitor gets no answer and stops at its next loop test.
PromptAnswer linkstate::Ask(const QString& text, PromptButtons buttons) {
  return UiAwait<PromptAnswer>([this, text, buttons](std::function<void(PromptAnswer)> reply) {
    window_.prompter().Ask(text, kHintCaption, buttons, std::move(reply));
  });
}

void linkstate::Execute() {
  bool was_bad = false;
  while (!Terminated()) {
    bool bad = false;
    if (device_.LinkState()) {
      UiPost([this] { window_.lab_usbstate->setText(QString::fromLatin1(kConnectionWell)); });
      if (was_bad) {
        // Plugged back in: it must be the remote the program started with.
        // A failed read gives the empty text, which never matches.
        const std::string info = device_.ReadBasicInfo();
        if (info.substr(0, kIdentityChars) != device_id_) {
          other_remote_ = true;
          return;
        }
      }
    } else {
      bad = true;
      UiPost([this] { window_.lab_usbstate->setText(QString::fromLatin1(kConnectionBad)); });
    }

    std::this_thread::sleep_for(period_);

    if (bad) {
      UiCall([this] { window_.SetControlsEnabled(false); });
      was_bad = true;
      const PromptAnswer retry =
          Ask(QStringLiteral("Connection is bad，please connect the rc！"), PromptButtons::RetryCancel);
      if (retry == PromptAnswer::Cancel) {
        if (Ask(QStringLiteral("Do you close the software?"), PromptButtons::OkCancel) ==
            PromptAnswer::Ok) {
          return;
        }
      }
      if (device_id_.empty()) return;
    }
    if (was_bad && !bad) {
      was_bad = false;
      UiCall([this] { window_.SetControlsEnabled(true); });
    }
  }
}

}  // namespace tvq31
