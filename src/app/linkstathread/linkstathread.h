// linkstate: the link monitor. For the whole run it asks the remote every
// 200 ms whether it is attached, shows the answer in lab_usbstate, locks the
// learning controls and asks the user to reconnect while the remote is away,
// checks after a reconnection that the same remote is back, and unlocks the
// controls again. It ends when told to, when another remote (or none that
// answers) comes back, or when the user agrees to close the program; the
// window closes on every end it did not ask for (LinkMonitorEnded).
#pragma once

#include "prompter/prompter.h"
#include "workerthread.h"

#include <chrono>
#include <functional>
#include <string>

namespace tvq31 {

class DeviceAccess;
class Tmainselfstudy;

inline const char kConnectionWell[] = " Connection is well";
inline const char kConnectionBad[] = " Connection is bad";

// Whether the window starts its monitor when first shown (on by default).
// Tests of the window over a scripted device, which is not made for calls
// from several threads, turn it off.
void SetLinkMonitorEnabled(bool on);

class linkstate : public TWorkerThread {
  Q_OBJECT

 public:
  // `window` outlives the monitor (its destructor abandons it). The identity
  // to compare against is the window's device_id, fixed before any worker
  // exists. `on_end` learns whether the monitor ended because another
  // remote came back.
  linkstate(Tmainselfstudy& window, std::function<void(bool other_remote)> on_end,
            std::chrono::milliseconds period = std::chrono::milliseconds(200));

 protected:
  void Execute() override;

 private:
  PromptAnswer Ask(const QString& text, PromptButtons buttons);

  // Written by Execute only, read by the end handler after it returned.
  bool other_remote_ = false;
  Tmainselfstudy& window_;
  DeviceAccess& device_;
  const std::string device_id_;
  const std::chrono::milliseconds period_;
};

}  // namespace tvq31
