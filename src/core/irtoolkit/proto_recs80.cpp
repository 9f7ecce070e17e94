// RECS80 (older TVs and VCRs, e.g. Nokia, Thomson and Philips sets built
// on the SAA3008 / M3004 chips): no leader; 11 pulse-distance bits most
// significant first, a start bit of 1, a toggle, the 3-bit address and the
// 6-bit command, then a stop mark. A bit is one unit of carrier and 31 (0)
// or 47 (1) units of silence.
//   RECS80: 38 kHz, a 158 µs unit, 45 ms of silence after each frame.
//   RECS80-0068: 33.3 kHz, a 180 µs unit, a new frame every 138 ms.
// The toggle changes from one press to the next, not within a press.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
struct Variant {
  std::string_view name;
  uint32_t carrier;
  uint32_t unit;
};
constexpr Variant kRecs80{"RECS80", 38000, 158};
constexpr Variant kRecs80_68{"RECS80-0068", 33300, 180};
constexpr uint32_t kGap = 45000;          // RECS80
constexpr uint32_t kPeriod68 = 138000;    // RECS80-0068
constexpr uint32_t kMinGap = 15000;
constexpr int kBits = 11;
constexpr size_t kFrameLength = 2 * kBits + 1;

// The start bit's space tells the variants apart: 7426 µs against 8460.
constexpr uint32_t kStartSplit = 7900;
constexpr uint32_t kMarkSlack = 200;
constexpr uint32_t kMinTrailer = 10000;

DistanceCode ReadCode(const Variant& v) {
  // A space is within 8 % (a receiver's jitter and its lengthened marks).
  const uint32_t one = 47 * v.unit;
  return {v.unit, 31 * v.unit, one, kMarkSlack, one * 8 / 100};
}
}  // namespace

std::optional<Press> EncodeRecs80(std::string_view protocol, uint32_t address, uint32_t command,
                                  std::string* error) {
  if (!FitsBits(address, 3, protocol, "address", error) ||
      !FitsBits(command, 6, protocol, "command", error)) {
    return std::nullopt;
  }
  const bool sixty_eight = protocol == kRecs80_68.name;
  const Variant& v = sixty_eight ? kRecs80_68 : kRecs80;
  const uint32_t data = (1u << 10) | (address << 6) | command;  // toggle 0
  FrameBuilder frame;
  frame.DistanceBits(data, kBits, false, v.unit, 31 * v.unit, 47 * v.unit);
  frame.Mark(v.unit);
  Press press;
  press.carrier_hz = v.carrier;
  press.first = {sixty_eight ? frame.FinishPeriod(kPeriod68, kMinGap) : frame.Finish(kGap)};
  return press;
}

std::optional<DecodedFrame> DecodeRecs80(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                         uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength) return std::nullopt;
  const Variant& v = d[1] < kStartSplit ? kRecs80 : kRecs80_68;
  const DistanceCode code = ReadCode(v);
  size_t pos = 0;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, kBits, false, code);
  if (!data || (*data >> 10) != 1 || !Near(d[pos], v.unit, kMarkSlack)) return std::nullopt;
  ++pos;
  if (pos < d.size() && d[pos] < kMinTrailer) return std::nullopt;
  DecodedFrame out;
  out.protocol = std::string(v.name);
  out.address = (*data >> 6) & 0x7u;
  out.command = *data & 0x3Fu;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
