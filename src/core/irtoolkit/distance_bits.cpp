// Reading pulse-distance bits: the decoders of the header-less and simple
// leader codes (Sharp, Denon, Mitsubishi, Mitsubishi2, RCA, GI Cable) share
// it.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

bool Near(uint32_t duration, uint32_t nominal, uint32_t slack) {
  const uint32_t low = nominal > slack ? nominal - slack : 0;
  return duration >= low && duration <= nominal + slack;
}

std::optional<uint64_t> ReadDistanceBits(std::span<const uint32_t> durations, size_t& pos,
                                         int count, bool lsb_first, const DistanceCode& code) {
  if (count < 0 || count > 64) return std::nullopt;
  const size_t need = static_cast<size_t>(count) * 2;
  if (pos > durations.size() || durations.size() - pos < need) return std::nullopt;
  uint64_t value = 0;
  for (int bit = 0; bit < count; ++bit) {
    const uint32_t mark = durations[pos];
    const uint32_t space = durations[pos + 1];
    if (!Near(mark, code.mark, code.mark_slack)) return std::nullopt;
    bool one = false;
    if (Near(space, code.one_space, code.space_slack)) {
      one = true;
    } else if (!Near(space, code.zero_space, code.space_slack)) {
      return std::nullopt;
    }
    if (one) value |= lsb_first ? (uint64_t{1} << bit) : (uint64_t{1} << (count - 1 - bit));
    pos += 2;
  }
  return value;
}

}  // namespace tvq31::ir
