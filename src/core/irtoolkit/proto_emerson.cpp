// Emerson (also Magnavox, Funai, Symphonic and Sylvania TVs, VCRs and DVD
// players): 36.7 kHz, an 872 µs unit, a 4 + 4 unit leader, the 6-bit device
// D, the 6-bit command F, then both inverted (~D, ~F), each least
// significant bit first, as pulse-distance bits (one-unit marks, one-unit
// or three-unit spaces), a stop mark, and 39 units (34 ms) of silence
// before the whole frame comes again.
//
// Old Panasonic sends the same shape with 5-bit devices (22 bits, unit
// 833 µs): the bit count alone tells the two apart, in the decoders as in
// the code styles.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 36700;
constexpr uint32_t kUnit = 872;
constexpr uint32_t kLeader = 4 * kUnit;
constexpr uint32_t kGap = 39 * kUnit;
constexpr int kBits = 24;
constexpr size_t kFrameLength = 2 + 2 * kBits + 1;  // leader, bits, stop mark

// Marks up to about 1.2 units (receivers lengthen them), spaces ±0.5 unit:
// the zero and one spaces split near two units. RCA's 460 µs marks and
// Old Panasonic's 22 bits stay outside.
constexpr DistanceCode kReadCode{kUnit, kUnit, 3 * kUnit, 300, 450};
constexpr uint32_t kLeaderSlack = 500;
// Longer than any space of the frame: what follows the stop mark.
constexpr uint32_t kMinTrailer = 10000;
}  // namespace

std::optional<Press> EncodeEmerson(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  if (!FitsBits(address, 6, protocol, "address", error) ||
      !FitsBits(command, 6, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = address | (command << 6) | (uint64_t{~address & 0x3Fu} << 12) |
                        (uint64_t{~command & 0x3Fu} << 18);
  FrameBuilder frame;
  frame.Mark(kLeader);
  frame.Space(kLeader);
  frame.DistanceBits(data, kBits, true, kUnit, kUnit, 3 * kUnit);
  frame.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

std::optional<DecodedFrame> DecodeEmerson(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                          uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength || !Near(d[0], kLeader, kLeaderSlack) ||
      !Near(d[1], kLeader, kLeaderSlack)) {
    return std::nullopt;
  }
  size_t pos = 2;
  if (BitsToStop(d, pos, kMinTrailer) != kBits) return std::nullopt;
  const std::optional<uint64_t> v = ReadDistanceBits(d, pos, kBits, true, kReadCode);
  if (!v || pos >= d.size() || !Near(d[pos], kUnit, kReadCode.mark_slack)) return std::nullopt;
  const uint64_t device = *v & 0x3F, command = (*v >> 6) & 0x3F;
  if (((*v >> 12) & 0x3F) != (~device & 0x3F) || ((*v >> 18) & 0x3F) != (~command & 0x3F)) {
    return std::nullopt;
  }
  DecodedFrame out;
  out.protocol = "Emerson";
  out.address = device;
  out.command = command;
  out.used = pos + 1;
  return out;
}

}  // namespace tvq31::ir
