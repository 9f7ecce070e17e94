// Mitsubishi (TV, VCR and audio): 16 pulse-distance bits without a header,
// 8 address bits then 8 command bits, least significant first; a 300 µs
// unit: 300 µs marks, 900 µs (0) or 2100 µs (1) spaces, a stop mark, 33 kHz.
// The frame is sent again after 24 ms of silence while the key is held. The
// decoder also takes the 250 µs marks and 1 ms / 2 ms bit times this family
// was once sent with here.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 33000;
constexpr uint32_t kBitMark = 300;
constexpr uint32_t kZeroSpace = 900;
constexpr uint32_t kOneSpace = 2100;
constexpr uint32_t kGap = 24000;
}  // namespace

std::optional<Press> EncodeMitsubishi(std::string_view protocol, uint32_t address,
                                      uint32_t command, std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = address | (command << 8);
  FrameBuilder frame;
  frame.DistanceBits(data, 16, true, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

namespace {
constexpr DistanceCode kReadCode{275, 825, 1925, 150, 400};
constexpr size_t kFrameLength = 33;  // 16 bits and the stop mark
constexpr uint32_t kMinTrailer = 10000;
}  // namespace

std::optional<DecodedFrame> DecodeMitsubishi(std::span<const uint32_t> durations,
                                             uint32_t /*gap_after*/, uint32_t /*carrier_hz*/) {
  if (durations.size() < kFrameLength) return std::nullopt;
  size_t pos = 0;
  const std::optional<uint64_t> data = ReadDistanceBits(durations, pos, 16, true, kReadCode);
  if (!data || !Near(durations[pos], kReadCode.mark, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < durations.size() && durations[pos] < kMinTrailer) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Mitsubishi";
  out.address = *data & 0xFFu;
  out.command = (*data >> 8) & 0xFFu;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
