// Sony SIRC (12, 15 and 20 bits): a 2.4 ms header mark, then pulse-width
// bits (1.2 ms mark for 1, 0.6 ms for 0, each after a 0.6 ms space), the
// 7-bit command first, then the address (5, 8 or 13 bits), least
// significant bit first. No stop bit: the frame ends on the last data mark.
// The whole frame is sent again every 45 ms while the key is held.
//
// SIRC8 is the 8-bit form on the same timing: the header and 8 command
// bits, low bit first, no address (it reads as address 0).
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 40000;
constexpr uint32_t kHeaderMark = 2400;
constexpr uint32_t kSpace = 600;
constexpr uint32_t kZeroMark = 600;
constexpr uint32_t kOneMark = 1200;
constexpr uint32_t kPeriod = 45000;
constexpr uint32_t kMinGap = 10000;
}  // namespace

std::optional<Press> EncodeSirc(std::string_view protocol, uint32_t address, uint32_t command,
                                std::string* error) {
  const bool eight = protocol == "SIRC8";
  const int address_bits = eight                 ? 0
                           : protocol == "SIRC"   ? 5
                           : protocol == "SIRC15" ? 8
                                                  : 13;
  const int command_bits = eight ? 8 : 7;
  if (!FitsBits(address, address_bits, protocol, "address", error) ||
      !FitsBits(command, command_bits, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = command | (uint64_t{address} << command_bits);
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kSpace);
  for (int i = 0; i < command_bits + address_bits; ++i) {
    frame.WidthBit(((data >> i) & 1U) != 0, kZeroMark, kOneMark, kSpace);
  }
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeSirc(std::span<const uint32_t> durations, uint32_t /*gap_after*/,
                                       uint32_t /*carrier_hz*/) {
  // A 0 and a 1 mark are told apart at 1.5 units (900 µs); the spaces are
  // one unit, from a receiver's shortened 350 µs to 800. The header's
  // window (2100 to 2640 µs, 2400 + 10 %) and the first space keep RC6's
  // 2666 + 889 µs leader out; a frame that reads as RC6 is RC6 in any case.
  auto in = [](uint32_t d, uint32_t lo, uint32_t hi) { return d >= lo && d <= hi; };
  constexpr uint32_t kSpaceLow = 350;
  constexpr uint32_t kSpaceHigh = 800;
  if (durations.size() < 2 || !in(durations[0], kHeaderMark - 300, kHeaderMark + 240) ||
      !in(durations[1], kSpaceLow, kSpaceHigh)) {
    return std::nullopt;
  }
  if (DecodeRc6(durations, 0, 0)) return std::nullopt;
  uint64_t data = 0;
  int bits = 0;
  size_t i = 1;
  while (i + 1 < durations.size() && in(durations[i], kSpaceLow, kSpaceHigh)) {
    const uint32_t mark = durations[i + 1];
    if (!in(mark, kZeroMark / 2, kOneMark + kSpace / 2) || bits == 20) return std::nullopt;
    if (mark > kZeroMark + kSpace / 2) data |= uint64_t{1} << bits;
    ++bits;
    i += 2;
  }
  // After the last mark only the gap: a space that is no bit space.
  if (i < durations.size() && durations[i] < 2 * kSpace + kSpace / 2) return std::nullopt;
  DecodedFrame out;
  out.used = i;
  if (bits == 8) {
    out.protocol = "SIRC8";
    out.command = data;
    return out;
  }
  switch (bits) {
    case 12: out.protocol = "SIRC"; break;
    case 15: out.protocol = "SIRC15"; break;
    case 20: out.protocol = "SIRC20"; break;
    default: return std::nullopt;
  }
  out.command = data & 0x7Fu;
  out.address = data >> 7;
  return out;
}

}  // namespace tvq31::ir
