// linkstate: the link monitor. For the whole run it asks the remote every
// 200 ms whether it is attached, shows the answer in lab_usbstate, locks the
// learning controls and asks the user to reconnect while the remote is away,
// checks after a reconnection that the same remote is back, and unlocks the
// controls again. It ends when told to, when another remote (or none that
// answers) comes back, or when the user agrees to close the program; the
// window closes on every end it did not ask for (LinkMonitorEnded).
#pragma once

#include "workerthread.h"

#include <chrono>
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
  // exists.
  linkstate(Tmainselfstudy& window, EndHandler on_end,
            std::chrono::milliseconds period = std::chrono::milliseconds(200));

 protected:
  void Execute() override;

 private:
  Tmainselfstudy& window_;
  DeviceAccess& device_;
  const std::string device_id_;
  const std::chrono::milliseconds period_;
};

}  // namespace tvq31
