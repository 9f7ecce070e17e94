#include "transmitter/playback.h"

#include <algorithm>

namespace tvq31::transmit_detail {

int64_t PiecesLength(const PieceList& pieces) noexcept {
  int64_t total = 0;
  for (const Piece& p : pieces) total += p.ticks;
  return total;
}

void Transmission::AddFrame(const PieceList& pieces, int64_t gap_ticks) {
  frames_.push_back(pieces);
  gaps_.push_back(std::max<int64_t>(0, gap_ticks));
}

void Transmission::SetLastGap(int64_t gap_ticks) {
  if (!gaps_.empty()) gaps_.back() = std::max<int64_t>(0, gap_ticks);
}

int64_t Transmission::LastGap() const { return gaps_.empty() ? 0 : gaps_.back(); }

namespace {

uint32_t TicksToUs(int64_t ticks) {
  if (ticks <= 0) return 0;
  const int64_t us = (ticks + kTicksPerUs / 2) / kTicksPerUs;
  return us > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(us);
}

}  // namespace

Signal Transmission::Finish(uint32_t carrier_hz) const {
  struct TickFrame {
    PieceList pieces;  // starts and ends with a mark
    int64_t gap = 0;
  };
  std::vector<TickFrame> out;
  for (size_t i = 0; i < frames_.size(); ++i) {
    PieceList merged;
    for (const Piece& p : frames_[i]) {
      if (p.ticks <= 0) continue;
      if (!merged.empty() && merged.back().mark == p.mark) {
        merged.back().ticks += p.ticks;
      } else {
        merged.push_back(p);
      }
    }
    int64_t lead = 0;
    if (!merged.empty() && !merged.front().mark) {
      lead = merged.front().ticks;
      merged.erase(merged.begin());
    }
    int64_t gap = gaps_[i];
    if (!merged.empty() && !merged.back().mark) {
      gap += merged.back().ticks;
      merged.pop_back();
    }
    if (merged.empty()) {
      // Silence only: it lengthens the gap it stands in.
      if (!out.empty()) out.back().gap += lead + gap;
      continue;
    }
    if (!out.empty()) out.back().gap += lead;
    out.push_back({std::move(merged), gap});
  }

  Signal signal;
  signal.carrier_hz = carrier_hz;
  signal.frames.reserve(out.size());
  for (const TickFrame& f : out) {
    SignalFrame frame;
    frame.durations.reserve(f.pieces.size());
    for (const Piece& p : f.pieces) frame.durations.push_back(TicksToUs(p.ticks));
    frame.gap = TicksToUs(f.gap);
    signal.frames.push_back(std::move(frame));
  }
  return signal;
}

}  // namespace tvq31::transmit_detail
