// Blaupunkt: 30.3 kHz bi-phase on a 512 µs unit. Every frame opens with a
// one-unit mark and five units of silence, then ten bits of two half bits
// each: a 1 is a mark then a space, a 0 a space then a mark. A press is a
// start frame of ten ones with 44 units of silence after it, then the data
// frame (a 1 start bit, the 6-bit command F and the 3-bit address D, each
// least significant bit first, and 236 units of silence) for as long as the
// key is held, then an end frame equal to the start frame.
//
// The start and end frames carry no values: the decoder reads them as a
// repeat code of the family. A data frame of command 63 and address 7 is ten
// ones as well and cannot be told from them; the decoder reads it the same
// way.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 30300;
constexpr uint32_t kUnit = 512;
constexpr uint32_t kLeaderSpace = 5 * kUnit;
constexpr uint32_t kSyncGap = 44 * kUnit;
constexpr uint32_t kDataGap = 236 * kUnit;
constexpr int kBits = 10;
constexpr uint32_t kSyncBits = (1u << kBits) - 1;

// Leader windows: the mark as wide as the half bits' (a receiver lengthens
// marks by about 100 µs), the five-unit space within a unit.
constexpr uint32_t kLeaderMarkSlack = kUnit * 2 / 5;
constexpr uint32_t kLeaderSpaceSlack = 500;

}  // namespace

SignalFrame LeaderBiPhaseFrame(uint32_t unit, uint32_t leader_space, uint32_t bits, int count,
                               uint32_t gap) {
  FrameBuilder frame;
  frame.Mark(unit);
  frame.Space(leader_space);
  for (int i = 0; i < count; ++i) {
    if ((bits >> i) & 1u) {
      frame.Mark(unit);
      frame.Space(unit);
    } else {
      frame.Space(unit);
      frame.Mark(unit);
    }
  }
  return frame.Finish(gap);
}

std::optional<Press> EncodeBlaupunkt(std::string_view protocol, uint32_t address, uint32_t command,
                                     std::string* error) {
  if (!FitsBits(address, 3, protocol, "address", error) ||
      !FitsBits(command, 6, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t data = 1u | (command << 1) | (address << 7);
  const SignalFrame sync = LeaderBiPhaseFrame(kUnit, kLeaderSpace, kSyncBits, kBits, kSyncGap);
  const SignalFrame frame = LeaderBiPhaseFrame(kUnit, kLeaderSpace, data, kBits, kDataGap);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {sync, frame};
  press.repeat = {frame};
  press.last = {sync};
  return press;
}

std::optional<DecodedFrame> DecodeBlaupunkt(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                            uint32_t /*carrier_hz*/) {
  if (d.size() < 3 || !Near(d[0], kUnit, kLeaderMarkSlack) ||
      !Near(d[1], kLeaderSpace, kLeaderSpaceSlack)) {
    return std::nullopt;
  }
  // The first bit is always a one: its mark follows the leader's space.
  const std::optional<HalfBitRun> run = HalfBits(d, 2, kUnit, 2, 2 * kBits);
  if (!run) return std::nullopt;
  uint32_t bits = 0;
  for (int i = 0; i < kBits; ++i) {
    const uint8_t a = run->levels[static_cast<size_t>(2 * i)];
    const uint8_t b = run->levels[static_cast<size_t>(2 * i + 1)];
    if (a == b) return std::nullopt;
    if (a == 1) bits |= 1u << i;
  }
  if ((bits & 1u) == 0) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Blaupunkt";
  out.used = run->used;
  if (bits == kSyncBits) {
    out.repeat = true;
  } else {
    out.command = (bits >> 1) & 0x3Fu;
    out.address = (bits >> 7) & 0x7u;
  }
  return out;
}

}  // namespace tvq31::ir
