#include "linkstathread/linkstathread.h"

#include "mainstudy/mainstudy.h"

#include <thread>

namespace tvq31 {
namespace {

constexpr std::size_t kIdentityChars = 30;

}  // namespace

linkstate::linkstate(Tmainselfstudy& window, EndHandler on_end,
                     std::chrono::milliseconds period)
    : TWorkerThread(std::move(on_end)),
      window_(window),
      device_(window.device()),
      device_id_(window.device_id),
      period_(period) {
  setObjectName(QStringLiteral("linkstate"));
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
        if (info.substr(0, kIdentityChars) != device_id_) return;
      }
    } else {
      bad = true;
      UiPost([this] { window_.lab_usbstate->setText(QString::fromLatin1(kConnectionBad)); });
    }

    std::this_thread::sleep_for(period_);

    if (bad) {
      UiCall([this] { window_.SetControlsEnabled(false); });
      was_bad = true;
      const PromptAnswer retry = UiCall([this] {
        return window_.prompter().Box(QStringLiteral("Connection is bad，please connect the rc！"),
                                      kHintCaption, PromptButtons::RetryCancel);
      });
      if (retry == PromptAnswer::Cancel) {
        const PromptAnswer close = UiCall([this] {
          return window_.prompter().Box(QStringLiteral("Do you close the software?"),
                                        kHintCaption, PromptButtons::OkCancel);
        });
        if (close == PromptAnswer::Ok) return;
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
