#include "Collect_code/Collect_code.h"

#include "devicelink/device_access.h"

namespace tvq31 {

TCollectCode::TCollectCode(DeviceAccess& device, std::string& capture_text, EndHandler on_end,
                           std::chrono::milliseconds time_limit)
    : TWorkerThread(std::move(on_end)),
      device_(device),
      capture_text_(capture_text),
      time_limit_(time_limit) {
  setObjectName(QStringLiteral("TCollectCode"));
}

void TCollectCode::Execute() {
  capture_text_.clear();
  // Elapsed time on the monotonic clock: a capture started late in a minute
  // or before midnight gets its full time, and changing the system clock
  // does not end or prolong it.
  const auto start = std::chrono::steady_clock::now();
  if (!device_.SetCodeCarrierWave()) return;
  while (!Terminated()) {
    if (std::chrono::steady_clock::now() - start >= time_limit_) return;
    // No pause between polls: the remote holds each poll until a capture
    // arrives or a short while has passed.
    std::string capture = device_.ReadCollectCodeInfo();
    if (!capture.empty()) {
      // Stored whatever its content: a successful read is a capture.
      capture_text_ = std::move(capture);
      return;
    }
    if (!device_.LinkState()) return;
  }
}

}  // namespace tvq31
