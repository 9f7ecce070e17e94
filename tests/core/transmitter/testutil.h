// Helpers shared by the transmitter tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hextext/hextext.h"
#include "signal/signal.h"

namespace tvq31::testing {

inline std::string HexBytes(const std::vector<int>& bytes) {
  std::string out;
  for (int b : bytes) AppendByteHex(out, b);
  return out;
}

// A key record around a timing part and a data part.
inline std::string Record(int key, const std::vector<int>& head, const std::vector<int>& data) {
  const int lt = static_cast<int>(head.size());
  return HexBytes({0x00, 0x01, key, 0xC7, 0x0A, 0x00, lt, (lt + 10) & 0xFF, (lt + 10) >> 8,
                   static_cast<int>(data.size())}) +
         HexBytes(head) + HexBytes(data);
}

// Faithful playback: same frames, each mark and space within
// max(5 %, 60 us), every gap but the last within 10 %. An empty text when
// faithful, else what differs first.
inline std::string Unfaithful(const Signal& want, const Signal& got) {
  if (want.frames.size() != got.frames.size()) {
    return "frames " + std::to_string(want.frames.size()) + " vs " + std::to_string(got.frames.size());
  }
  for (size_t i = 0; i < want.frames.size(); ++i) {
    const auto& a = want.frames[i];
    const auto& b = got.frames[i];
    if (a.durations.size() != b.durations.size()) {
      return "frame " + std::to_string(i) + " durations " + std::to_string(a.durations.size()) + " vs " +
             std::to_string(b.durations.size());
    }
    for (size_t k = 0; k < a.durations.size(); ++k) {
      const double tol = std::max(0.05 * a.durations[k], 60.0);
      if (std::abs(static_cast<double>(a.durations[k]) - b.durations[k]) > tol) {
        return "frame " + std::to_string(i) + " duration " + std::to_string(k) + ": " +
               std::to_string(a.durations[k]) + " vs " + std::to_string(b.durations[k]);
      }
    }
    if (i + 1 < want.frames.size() && std::abs(static_cast<double>(a.gap) - b.gap) > 0.1 * a.gap) {
      return "gap " + std::to_string(i) + ": " + std::to_string(a.gap) + " vs " + std::to_string(b.gap);
    }
  }
  return {};
}

}  // namespace tvq31::testing
