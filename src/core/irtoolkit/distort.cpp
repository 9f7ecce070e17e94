// A receiver sees marks longer and spaces shorter than the remote sent them
// (its demodulator needs a few carrier periods to notice the start and the
// end of a burst), and its timer adds jitter. The random numbers come from
// std::mt19937_64, whose output the standard fixes, reduced with plain
// integer arithmetic so every platform gives the same result for a seed.
#include <algorithm>
#include <random>

#include "irtoolkit/irtoolkit.h"

namespace tvq31 {

namespace {
constexpr uint64_t kMaxShiftUs = 100;
constexpr int64_t kMaxJitterPermille = 50;

uint32_t Distort(uint32_t d, bool mark, std::mt19937_64& rng) {
  const uint64_t shift = rng() % (kMaxShiftUs + 1);
  const int64_t jitter = static_cast<int64_t>(rng() % (2 * kMaxJitterPermille + 1)) -
                         kMaxJitterPermille;
  uint64_t v = d;
  if (mark) {
    v += shift;
  } else {
    v = v > shift ? v - shift : 1;
  }
  v = (v * static_cast<uint64_t>(1000 + jitter) + 500) / 1000;
  if (v < 1) v = 1;
  return static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX));
}
}  // namespace

Signal DistortSignal(const Signal& signal, uint64_t seed) {
  std::mt19937_64 rng(seed);
  Signal out = signal;
  for (SignalFrame& frame : out.frames) {
    for (size_t i = 0; i < frame.durations.size(); ++i) {
      frame.durations[i] = Distort(frame.durations[i], i % 2 == 0, rng);
    }
    if (frame.gap != 0) frame.gap = Distort(frame.gap, false, rng);
  }
  return out;
}

}  // namespace tvq31
