// Dish Network (satellite receivers): 57.6 kHz, a 406 µs unit. A lead-in
// of one unit of mark and 15 of space, then frames of 16 pulse-distance
// bits (a unit of mark, 7 units of space for 0, 4 for 1): the 6-bit
// command most significant bit first, then the 5-bit unit code and the
// 5-bit address least significant first, a stop mark and 15 units (6.1 ms)
// of space, the frame again while the key is held. That silence is below a
// receiver's frame split, so a press is one captured frame; the decoder
// reads a frame with or without the lead-in and leaves the rest as the
// next. The address of the encoder is unit code × 32 + address.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 57600;
constexpr uint32_t kUnit = 406;
constexpr uint32_t kZeroSpace = 7 * kUnit;
constexpr uint32_t kOneSpace = 4 * kUnit;
constexpr uint32_t kLeadSpace = 15 * kUnit;

constexpr DistanceCode kReadCode{kUnit, kZeroSpace, kOneSpace, 200, 500};
constexpr uint32_t kLeadSlack = 1000;
constexpr uint32_t kMinTrailer = 5000;

uint32_t Reversed(uint32_t v, int bits) {
  uint32_t out = 0;
  for (int i = 0; i < bits; ++i) out |= ((v >> i) & 1u) << (bits - 1 - i);
  return out;
}

SignalFrame Frame(bool lead_in, uint32_t address, uint32_t command) {
  FrameBuilder frame;
  if (lead_in) {
    frame.Mark(kUnit);
    frame.Space(kLeadSpace);
  }
  const uint64_t data = Reversed(command, 6) | ((address >> 5) << 6) | ((address & 0x1Fu) << 11);
  frame.DistanceBits(data, 16, true, kUnit, kZeroSpace, kOneSpace);
  frame.Mark(kUnit);
  return frame.Finish(kLeadSpace);
}
}  // namespace

std::optional<Press> EncodeDish(std::string_view protocol, uint32_t address, uint32_t command,
                                std::string* error) {
  if (!FitsBits(address, 10, protocol, "address", error) ||
      !FitsBits(command, 6, protocol, "command", error)) {
    return std::nullopt;
  }
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {Frame(true, address, command)};
  press.repeat = {Frame(false, address, command)};
  return press;
}

std::optional<DecodedFrame> DecodeDish(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                       uint32_t /*carrier_hz*/) {
  size_t pos = 0;
  if (d.size() >= 2 && Near(d[0], kUnit, kReadCode.mark_slack) && Near(d[1], kLeadSpace, kLeadSlack)) {
    pos = 2;
  }
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, 16, true, kReadCode);
  if (!data || pos >= d.size() || !Near(d[pos], kUnit, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < d.size() && d[pos] < kMinTrailer) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Dish";
  out.command = Reversed(*data & 0x3Fu, 6);
  out.address = (((*data >> 6) & 0x1Fu) << 5) | ((*data >> 11) & 0x1Fu);
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
