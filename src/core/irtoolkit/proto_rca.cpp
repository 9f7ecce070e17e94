// RCA: a 4 ms / 4 ms header, then 24 pulse-distance bits (0.5 ms mark,
// 1 ms space for 0, 2 ms for 1): the 4-bit address, the 8-bit command, and
// both again inverted, then a stop mark. Bits go out in the order Flipper's
// infrared library numbers them (least significant first), so the address
// and command of .ir files give back the same signal. 56 kHz carrier; the
// whole frame is repeated after 8 ms of silence while the key is held.
// That silence is shorter than a receiver's frame split, so the decoder
// reads one frame from the start of a run of joined frames and leaves the
// rest as the next.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 56000;
constexpr uint32_t kHeader = 4000;
constexpr uint32_t kBitMark = 500;
constexpr uint32_t kZeroSpace = 1000;
constexpr uint32_t kOneSpace = 2000;
constexpr uint32_t kGap = 8000;
}  // namespace

std::optional<Press> EncodeRca(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  if (!FitsBits(address, 4, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data =
      address | (command << 4) | ((~address & 0xFu) << 12) | ((~command & 0xFFu) << 16);
  FrameBuilder frame;
  frame.Mark(kHeader);
  frame.Space(kHeader);
  frame.DistanceBits(data, 24, true, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

namespace {
constexpr DistanceCode kReadCode{kBitMark, kZeroSpace, kOneSpace, 250, 400};
constexpr uint32_t kHeaderSlack = 700;
constexpr size_t kFrameLength = 51;  // header, 24 bits, stop mark
constexpr uint32_t kMinTrailer = 6000;
}  // namespace

std::optional<DecodedFrame> DecodeRca(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                      uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength || !Near(d[0], kHeader, kHeaderSlack) ||
      !Near(d[1], kHeader, kHeaderSlack)) {
    return std::nullopt;
  }
  size_t pos = 2;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, 24, true, kReadCode);
  if (!data || !Near(d[pos], kBitMark, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < d.size() && d[pos] < kMinTrailer) return std::nullopt;
  const uint32_t address = *data & 0xFu;
  const uint32_t command = (*data >> 4) & 0xFFu;
  if (((*data >> 12) & 0xFu) != (~address & 0xFu) || ((*data >> 16) & 0xFFu) != (~command & 0xFFu)) {
    return std::nullopt;
  }
  DecodedFrame out;
  out.protocol = "RCA";
  out.address = address;
  out.command = command;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
