// Thomson (TVs and VCRs sold as Thomson, RCA, Saba): no leader; 12 pulse-
// distance bits least significant first, the 4-bit address, a toggle bit
// and the 7-bit command, of a 500 µs mark and a 2000 µs (0) or 4500 µs (1)
// space, then a stop mark. A new frame every 80 ms while the key is held;
// the toggle changes from one press to the next, not within a press. 33 kHz.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 33000;
constexpr uint32_t kMark = 500;
constexpr uint32_t kZeroSpace = 2000;
constexpr uint32_t kOneSpace = 4500;
constexpr uint32_t kPeriod = 80000;
constexpr uint32_t kMinGap = 15000;

constexpr DistanceCode kReadCode{kMark, kZeroSpace, kOneSpace, 250, 800};
constexpr size_t kFrameLength = 25;  // 12 bits and the stop mark
constexpr uint32_t kMinTrailer = 10000;
}  // namespace

std::optional<Press> EncodeThomson(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  if (!FitsBits(address, 4, protocol, "address", error) ||
      !FitsBits(command, 7, protocol, "command", error)) {
    return std::nullopt;
  }
  FrameBuilder frame;
  frame.DistanceBits(address | (command << 5), 12, true, kMark, kZeroSpace, kOneSpace);
  frame.Mark(kMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeThomson(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                          uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength) return std::nullopt;
  size_t pos = 0;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, 12, true, kReadCode);
  if (!data || !Near(d[pos], kMark, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < d.size() && d[pos] < kMinTrailer) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Thomson";
  out.address = *data & 0xFu;
  out.command = (*data >> 5) & 0x7Fu;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
