// Bose (sound bars and audio systems): a 500 µs unit, a 2 + 3 unit leader,
// the 8-bit command and its inverse, most significant bit first, as pulse-
// distance bits (500 µs marks, 500 µs / 1500 µs spaces), a stop mark, and
// 50 ms of silence before the frame comes again. 38 kHz. The family has no
// address: it is 0.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kUnit = 500;
constexpr uint32_t kLeaderMark = 2 * kUnit;
constexpr uint32_t kLeaderSpace = 3 * kUnit;
constexpr uint32_t kGap = 50000;

constexpr DistanceCode kReadCode{kUnit, kUnit, 3 * kUnit, 250, 400};
constexpr uint32_t kLeaderSlack = 350;
constexpr size_t kFrameLength = 35;  // leader, 16 bits, stop mark
constexpr uint32_t kMinTrailer = 10000;
}  // namespace

std::optional<Press> EncodeBose(std::string_view protocol, uint32_t address, uint32_t command,
                                std::string* error) {
  if (!FitsBits(address, 0, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  FrameBuilder frame;
  frame.Mark(kLeaderMark);
  frame.Space(kLeaderSpace);
  frame.DistanceBits((command << 8) | (~command & 0xFFu), 16, false, kUnit, kUnit, 3 * kUnit);
  frame.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

std::optional<DecodedFrame> DecodeBose(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                       uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength || !Near(d[0], kLeaderMark, kLeaderSlack) ||
      !Near(d[1], kLeaderSpace, kLeaderSlack)) {
    return std::nullopt;
  }
  size_t pos = 2;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, 16, false, kReadCode);
  if (!data || !Near(d[pos], kUnit, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < d.size() && d[pos] < kMinTrailer) return std::nullopt;
  const uint32_t command = static_cast<uint32_t>(*data >> 8) & 0xFFu;
  if ((*data & 0xFFu) != (~command & 0xFFu)) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Bose";
  out.command = command;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
