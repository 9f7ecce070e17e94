#include "signal/signal.h"

namespace tvq31 {

uint64_t SignalLength(const Signal& signal) noexcept {
  uint64_t total = 0;
  for (const SignalFrame& frame : signal.frames) {
    for (uint32_t d : frame.durations) total += d;
    total += frame.gap;
  }
  return total;
}

}  // namespace tvq31
