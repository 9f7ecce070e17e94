// Mitsubishi2 (projectors): an 8.4 ms / 4.2 ms leader, 8 address bits, a
// 560 µs mark and another 4.2 ms space, 8 command bits, a stop mark; bits
// most significant first, 560 µs marks, 520 µs (0) or 1560 µs (1) spaces,
// 33 kHz. The frame is sent again after 28.5 ms of silence while the key
// is held.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 33000;
constexpr uint32_t kLeaderMark = 8400;
constexpr uint32_t kLeaderSpace = 4200;
constexpr uint32_t kBitMark = 560;
constexpr uint32_t kZeroSpace = 520;
constexpr uint32_t kOneSpace = 1560;
constexpr uint32_t kGap = 28500;

// Windows of the decoder: the leader within 1 ms / 600 µs, the bits as a
// receiver leaves them (marks up to 250 µs longer, spaces shorter).
constexpr DistanceCode kReadCode{kBitMark, kZeroSpace, kOneSpace, 250, 330};
constexpr uint32_t kLeaderMarkSlack = 1000;
constexpr uint32_t kLeaderSpaceSlack = 600;
constexpr size_t kFrameLength = 37;
constexpr uint32_t kMinTrailer = 10000;
}  // namespace

std::optional<Press> EncodeMitsubishi2(std::string_view protocol, uint32_t address,
                                       uint32_t command, std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  FrameBuilder frame;
  frame.Mark(kLeaderMark);
  frame.Space(kLeaderSpace);
  frame.DistanceBits(address, 8, false, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  frame.Space(kLeaderSpace);
  frame.DistanceBits(command, 8, false, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

std::optional<DecodedFrame> DecodeMitsubishi2(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                              uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength || !Near(d[0], kLeaderMark, kLeaderMarkSlack) ||
      !Near(d[1], kLeaderSpace, kLeaderSpaceSlack)) {
    return std::nullopt;
  }
  size_t pos = 2;
  const std::optional<uint64_t> address = ReadDistanceBits(d, pos, 8, false, kReadCode);
  if (!address || !Near(d[pos], kBitMark, kReadCode.mark_slack) ||
      !Near(d[pos + 1], kLeaderSpace, kLeaderSpaceSlack)) {
    return std::nullopt;
  }
  pos += 2;
  const std::optional<uint64_t> command = ReadDistanceBits(d, pos, 8, false, kReadCode);
  if (!command || !Near(d[pos], kBitMark, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < d.size() && d[pos] < kMinTrailer) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Mitsubishi2";
  out.address = *address;
  out.command = *command;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
