// Shared by both record layouts: a transmission assembled frame by frame in
// device ticks (a sixth of a microsecond) and turned into a Signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "signal/signal.h"

namespace tvq31::transmit_detail {

inline constexpr int64_t kTicksPerUs = 6;

struct Piece {
  bool mark = false;
  int64_t ticks = 0;
};

using PieceList = std::vector<Piece>;

// Total length of a frame's pieces in ticks.
int64_t PiecesLength(const PieceList& pieces) noexcept;

class Transmission {
 public:
  // Appends a frame followed by `gap_ticks` of silence.
  void AddFrame(const PieceList& pieces, int64_t gap_ticks);
  size_t FrameCount() const noexcept { return frames_.size(); }
  // Silence after the last frame added so far.
  void SetLastGap(int64_t gap_ticks);
  int64_t LastGap() const;

  // The signal: adjacent pieces of one level merged, a frame's leading
  // silence added to the gap before it (dropped before the first frame),
  // its trailing silence to the gap after it, frames without any mark
  // folded into the gap they stand in. Durations are rounded to whole
  // microseconds.
  Signal Finish(uint32_t carrier_hz) const;

 private:
  std::vector<PieceList> frames_;
  std::vector<int64_t> gaps_;
};

}  // namespace tvq31::transmit_detail
