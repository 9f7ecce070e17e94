// Xiaomi (Mi Box and Mi TV remotes): 36 kHz, a 290 µs unit. A leader of a
// 1000 µs mark and a 2-unit space, then ten 2-bit symbols, most significant
// first, each a 2-unit mark and a space of 2, 3, 4 or 5 units (00, 01, 10,
// 11): the 8-bit device, the 8-bit function and a 4-bit check (the four
// nibbles of device and function XORed), a stop mark, and a new frame every
// 30 ms while the key is held. The frame lasts 13.8 to 22.5 ms, so the
// silence before the next one is 7.5 to 16.2 ms.
//
// Values: the address is the device, the command the function.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 36000;
constexpr uint32_t kUnit = 290;
constexpr uint32_t kLeaderMark = 1000;
constexpr uint32_t kMark = 2 * kUnit;
constexpr uint32_t kPeriod = 30000;
constexpr uint32_t kMinGap = 5000;
constexpr int kSymbols = 10;

constexpr uint32_t kLeaderSlack = 300;
constexpr uint32_t kMarkSlack = 220;
// A space is read as the symbol whose nominal value lies between 100 µs
// below and 190 µs above it: a receiver shortens spaces (its demodulator
// lets go of a burst late), so the windows lean that way, and together
// they cover 390 to 1550 µs without a hole.
constexpr uint32_t kSpaceAbove = 100;
constexpr uint32_t kSpaceBelow = 190;
constexpr size_t kFrameLength = 2 + 2 * kSymbols + 1;  // leader, symbols, stop mark
constexpr uint32_t kMinTrailer = 5000;

uint32_t Space(uint32_t symbol) { return (2 + symbol) * kUnit; }

uint32_t Check(uint32_t device, uint32_t function) {
  return ((device >> 4) ^ device ^ (function >> 4) ^ function) & 0xFu;
}

// The symbol (0 to 3) of a space; nullopt when it is none.
std::optional<uint32_t> SymbolOf(uint32_t space) {
  for (uint32_t v = 0; v < 4; ++v) {
    if (space + kSpaceBelow >= Space(v) && space < Space(v) + kSpaceAbove) return v;
  }
  return std::nullopt;
}
}  // namespace

std::optional<Press> EncodeXiaomi(std::string_view protocol, uint32_t address, uint32_t command,
                                  std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t data = (address << 12) | (command << 4) | Check(address, command);
  FrameBuilder frame;
  frame.Mark(kLeaderMark);
  frame.Space(kMark);
  for (int symbol = kSymbols - 1; symbol >= 0; --symbol) {
    frame.Mark(kMark);
    frame.Space(Space((data >> (2 * symbol)) & 3u));
  }
  frame.Mark(kMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeXiaomi(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                         uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength || !Near(d[0], kLeaderMark, kLeaderSlack) ||
      !Near(d[1], kMark, kMarkSlack)) {
    return std::nullopt;
  }
  uint32_t data = 0;
  for (size_t i = 2; i < kFrameLength - 1; i += 2) {
    const std::optional<uint32_t> symbol = SymbolOf(d[i + 1]);
    if (!Near(d[i], kMark, kMarkSlack) || !symbol) return std::nullopt;
    data = (data << 2) | *symbol;
  }
  const size_t stop = kFrameLength - 1;
  if (!Near(d[stop], kMark, kMarkSlack) || (d.size() > stop + 1 && d[stop + 1] < kMinTrailer)) {
    return std::nullopt;
  }
  const uint32_t address = data >> 12;
  const uint32_t command = (data >> 4) & 0xFFu;
  if ((data & 0xFu) != Check(address, command)) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Xiaomi";
  out.address = address;
  out.command = command;
  out.used = kFrameLength;
  return out;
}

}  // namespace tvq31::ir
