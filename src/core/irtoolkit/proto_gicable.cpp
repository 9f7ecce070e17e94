// GI Cable (General Instrument / Motorola cable boxes): a 490 µs unit, an
// 18 + 9 unit leader, 16 pulse-distance bits least significant first (the
// 8-bit command, the 4-bit address, a 4-bit check that makes address and
// both command nibbles add up to 0 modulo 16), a stop mark. While the key is
// held the remote sends a short ditto (18 units mark, 4.5 units space, stop
// mark). Frames and dittos start every 99.6 ms (what the recorded remotes
// show too; one write-up gives 84 units of silence after the frame and 178
// after a ditto instead, which is the same for the ditto). 38.7 kHz.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38700;
constexpr uint32_t kUnit = 490;
constexpr uint32_t kLeaderMark = 18 * kUnit;
constexpr uint32_t kLeaderSpace = 9 * kUnit;
constexpr uint32_t kZeroSpace = 9 * kUnit / 2;
constexpr uint32_t kOneSpace = 9 * kUnit;
constexpr uint32_t kDittoSpace = 9 * kUnit / 2;
constexpr uint32_t kPeriod = 99600;
constexpr uint32_t kMinGap = 6450;  // after the longest frame

constexpr DistanceCode kReadCode{kUnit, kZeroSpace, kOneSpace, 250, 700};
constexpr uint32_t kLeaderMarkSlack = 1000;
constexpr uint32_t kLeaderSpaceSlack = 700;
constexpr size_t kFrameLength = 35;  // leader, 16 bits, stop mark
constexpr uint32_t kMinTrailer = 10000;

uint32_t Check(uint32_t address, uint32_t command) {
  return (16u - ((address + (command & 0xFu) + (command >> 4)) & 0xFu)) & 0xFu;
}

// After the last mark: the end of the frame, or the silence before the next.
bool EndsAt(std::span<const uint32_t> d, size_t pos) {
  return pos >= d.size() || d[pos] >= kMinTrailer;
}
}  // namespace

std::optional<Press> EncodeGiCable(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  if (!FitsBits(address, 4, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = command | (address << 8) | (Check(address, command) << 12);
  FrameBuilder frame;
  frame.Mark(kLeaderMark);
  frame.Space(kLeaderSpace);
  frame.DistanceBits(data, 16, true, kUnit, kZeroSpace, kOneSpace);
  frame.Mark(kUnit);
  FrameBuilder ditto;
  ditto.Mark(kLeaderMark);
  ditto.Space(kDittoSpace);
  ditto.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  press.repeat = {ditto.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeGiCable(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                          uint32_t /*carrier_hz*/) {
  if (d.size() < 3 || !Near(d[0], kLeaderMark, kLeaderMarkSlack)) return std::nullopt;
  DecodedFrame out;
  out.protocol = "GICable";
  if (Near(d[1], kDittoSpace, kReadCode.space_slack) && Near(d[2], kUnit, kReadCode.mark_slack) &&
      EndsAt(d, 3)) {
    out.repeat = true;
    out.used = 3;
    return out;
  }
  if (d.size() < kFrameLength || !Near(d[1], kLeaderSpace, kLeaderSpaceSlack)) return std::nullopt;
  size_t pos = 2;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, 16, true, kReadCode);
  if (!data || !Near(d[pos], kUnit, kReadCode.mark_slack) || !EndsAt(d, pos + 1)) {
    return std::nullopt;
  }
  const uint32_t command = *data & 0xFFu;
  const uint32_t address = (*data >> 8) & 0xFu;
  if (((*data >> 12) & 0xFu) != Check(address, command)) return std::nullopt;
  out.address = address;
  out.command = command;
  out.used = pos + 1;
  return out;
}

}  // namespace tvq31::ir
