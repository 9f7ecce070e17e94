// TCollectCode: the code capture thread. It puts the remote into capture
// mode and polls it until a capture arrives, the time limit passes, the
// link drops or it is told to stop, and leaves the capture in the text it
// was given (the window's capture_text), which only its end handler reads.
#pragma once

#include "workerthread.h"

#include <chrono>
#include <string>

namespace tvq31 {

class DeviceAccess;

// How long one key waits for its capture.
inline constexpr std::chrono::milliseconds kCaptureTimeLimit{7000};

class TCollectCode : public TWorkerThread {
  Q_OBJECT

 public:
  // `capture_text` is written by this thread only, until its end handler
  // runs; both it and `device` outlive the thread.
  TCollectCode(DeviceAccess& device, std::string& capture_text, EndHandler on_end,
               std::chrono::milliseconds time_limit = kCaptureTimeLimit);

 protected:
  void Execute() override;

 private:
  DeviceAccess& device_;
  std::string& capture_text_;
  const std::chrono::milliseconds time_limit_;
};

}  // namespace tvq31
