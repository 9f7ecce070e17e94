// An infrared signal as a remote sends it: a carrier and frames of
// alternating mark and space durations, each frame followed by a gap.
#pragma once

#include <cstdint>
#include <vector>

namespace tvq31 {

// How long a key is held when nothing else is said: the app asks users to
// hold the key of the remote being copied for two seconds.
inline constexpr uint32_t kDefaultHoldMs = 2000;

// The longest hold accepted anywhere (a minute of repeat frames); longer
// requests are refused or cut here so untrusted input cannot ask for
// millions of frames.
inline constexpr uint32_t kMaxHoldMs = 60000;

struct SignalFrame {
  // Microseconds, mark first, alternating mark and space. A frame normally
  // ends with a mark; the gap after it is held separately.
  std::vector<uint32_t> durations;
  // Silence after the frame, in microseconds (for the last frame: the
  // silence before the signal is over).
  uint32_t gap = 0;

  bool operator==(const SignalFrame&) const = default;
};

struct Signal {
  uint32_t carrier_hz = 0;  // 0: no carrier (unmodulated)
  std::vector<SignalFrame> frames;

  bool operator==(const Signal&) const = default;
};

}  // namespace tvq31

namespace tvq31 {
// Total length of the signal in microseconds, gaps included.
uint64_t SignalLength(const Signal& signal) noexcept;
}  // namespace tvq31
