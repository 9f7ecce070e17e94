// Grundig16 (Grundig TVs and satellite receivers): a 578 µs unit, a leader
// of an 806 µs mark, a 2960 µs space and a 1346 µs mark, then 16 bits sent
// most significant first as eight 2-bit symbols of six units each, every
// symbol starting with a space: 0 is 4 units of silence and a 2-unit mark,
// 1 to 3 are (4 - n) units of silence, a mark, n units of silence and a
// mark. The bits are a toggle, the 8-bit command and the 7-bit address.
// 100 units of silence follow before the frame comes again. Grundig16
// runs at 35.7 kHz, Grundig16-30 the same frame at 30.3 kHz.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kUnit = 578;
constexpr uint32_t kLeaderMark = 806;
constexpr uint32_t kLeaderSpace = 2960;
constexpr uint32_t kSyncMark = 1346;
constexpr uint32_t kGap = 100 * kUnit;
constexpr uint32_t kCarrier = 35700;
constexpr uint32_t kCarrier30 = 30300;
constexpr uint32_t kCarrierSplit = 33000;  // between the two carriers
constexpr int kSymbols = 8;

// A duration read as whole units: within this of n units.
constexpr uint32_t kSlack = 250;
constexpr uint32_t kLeaderSlack = 400;
constexpr uint32_t kMinTrailer = 10000;

bool IsThirty(std::string_view protocol) { return protocol == "Grundig16-30"; }

// How many units `d` is (1 to `max_units`), or 0.
uint32_t Units(uint32_t d, uint32_t max_units) {
  for (uint32_t n = 1; n <= max_units; ++n) {
    if (Near(d, n * kUnit, kSlack)) return n;
  }
  return 0;
}
}  // namespace

std::optional<Press> EncodeGrundig16(std::string_view protocol, uint32_t address,
                                     uint32_t command, std::string* error) {
  if (!FitsBits(address, 7, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t data = (command << 7) | address;  // toggle 0
  FrameBuilder frame;
  frame.Mark(kLeaderMark);
  frame.Space(kLeaderSpace);
  frame.Mark(kSyncMark);
  for (int i = 0; i < kSymbols; ++i) {
    const uint32_t symbol = (data >> (14 - 2 * i)) & 3u;
    if (symbol == 0) {
      frame.Space(4 * kUnit);
      frame.Mark(2 * kUnit);
    } else {
      frame.Space((4 - symbol) * kUnit);
      frame.Mark(kUnit);
      frame.Space(symbol * kUnit);
      frame.Mark(kUnit);
    }
  }
  Press press;
  press.carrier_hz = IsThirty(protocol) ? kCarrier30 : kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

std::optional<DecodedFrame> DecodeGrundig16(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                            uint32_t carrier_hz) {
  if (d.size() < 3 + 2 * kSymbols || !Near(d[0], kLeaderMark, kSlack) ||
      !Near(d[1], kLeaderSpace, kLeaderSlack) || !Near(d[2], kSyncMark, kSlack)) {
    return std::nullopt;
  }
  size_t pos = 3;
  uint32_t data = 0;
  for (int i = 0; i < kSymbols; ++i) {
    if (pos + 2 > d.size()) return std::nullopt;
    const uint32_t first = Units(d[pos], 4);
    if (first == 0) return std::nullopt;
    uint32_t symbol = 0;
    if (first == 4) {
      if (!Near(d[pos + 1], 2 * kUnit, kSlack)) return std::nullopt;
      pos += 2;
    } else {
      symbol = 4 - first;
      if (pos + 4 > d.size() || Units(d[pos + 1], 1) != 1 ||
          Units(d[pos + 2], 3) != symbol || Units(d[pos + 3], 1) != 1) {
        return std::nullopt;
      }
      pos += 4;
    }
    data = (data << 2) | symbol;
  }
  if (pos < d.size() && d[pos] < kMinTrailer) return std::nullopt;
  DecodedFrame out;
  out.protocol = carrier_hz != 0 && carrier_hz < kCarrierSplit ? "Grundig16-30" : "Grundig16";
  out.address = data & 0x7Fu;
  out.command = (data >> 7) & 0xFFu;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
