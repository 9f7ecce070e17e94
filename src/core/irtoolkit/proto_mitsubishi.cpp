// Mitsubishi (TV, VCR and audio): 16 pulse-distance bits without a header,
// 8 address bits then 8 command bits, least significant first; 250 µs marks,
// bit times of 1 ms (0) and 2 ms (1), a stop mark, 40 kHz. The frame is
// sent again after 25 ms of silence while the key is held. Other write-ups
// give 300 µs marks and 900 / 2100 µs spaces at 33 kHz; the decoder takes
// both.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 40000;
constexpr uint32_t kBitMark = 250;
constexpr uint32_t kZeroSpace = 750;
constexpr uint32_t kOneSpace = 1750;
constexpr uint32_t kGap = 25000;
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
