// JVC: a header of 16 and 8 units (unit 526 µs), 8 address and 8 command
// bits, least significant first, pulse-distance (1 unit mark, 1 or 3 units
// space), a stop mark. While the key is held the frame is sent again
// without the header, 23.7 ms (45 units) after the previous one ends.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kUnit = 526;
constexpr uint32_t kGap = 45 * kUnit;
// Bits as receivers deliver them. The header-less repeat is told from other
// header-less 16-bit codes by its marks: JVC's 526 µs against Mitsubishi's
// 300 and Sharp's or Denon's 320 (which arrive at most about 100 µs longer).
constexpr DistanceCode kBits{kUnit, kUnit, 3 * kUnit, 300, 420};
constexpr uint32_t kRepeatMinMark = 420;
}  // namespace

std::optional<Press> EncodeJvc(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = address | (command << 8);
  FrameBuilder first;
  first.Mark(16 * kUnit);
  first.Space(8 * kUnit);
  first.DistanceBits(data, 16, true, kUnit, kUnit, 3 * kUnit);
  first.Mark(kUnit);
  FrameBuilder repeat;
  repeat.DistanceBits(data, 16, true, kUnit, kUnit, 3 * kUnit);
  repeat.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {first.Finish(kGap)};
  press.repeat = {repeat.Finish(kGap)};
  return press;
}

}  // namespace tvq31::ir

namespace tvq31::ir {

std::optional<DecodedFrame> DecodeJvc(std::span<const uint32_t> d, uint32_t, uint32_t) {
  if (d.size() < 33) return std::nullopt;
  size_t pos = 0;
  DecodedFrame out;
  if (Near(d[0], 16 * kUnit, 1000)) {
    if (!Near(d[1], 8 * kUnit, 550)) return std::nullopt;
    pos = 2;
  } else {
    // The repeat without header: every mark of JVC's width.
    for (size_t i = 0; i < 33; i += 2) {
      if (d[i] < kRepeatMinMark || !Near(d[i], kUnit, kBits.mark_slack)) return std::nullopt;
    }
  }
  if (BitsToStop(d, pos, 3000) != 16) return std::nullopt;
  const std::optional<uint64_t> v = ReadDistanceBits(d, pos, 16, true, kBits);
  if (!v || !Near(d[pos], kUnit, kBits.mark_slack)) return std::nullopt;
  out.protocol = "JVC";
  out.address = *v & 0xFFu;
  out.command = *v >> 8;
  out.used = pos + 1;
  return out;
}

}  // namespace tvq31::ir
