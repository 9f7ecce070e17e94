// NEC and its extended forms (NECext, NEC42, NEC48): pulse-distance bits,
// least significant first, a 9 ms / 4.5 ms header and a stop mark. While the
// key is held the remote sends the short repeat code (9 ms mark, 2.25 ms
// space, stop mark), each frame starting 108 ms after the previous one.
//   NEC     address, ~address, command, ~command
//   NECext  16-bit address, 16-bit command (any frame of 32 bits whose
//           bytes are not pairs of a value and its inverse)
//   NEC42   13-bit address, its inverse, command, its inverse
//   NEC48   16-bit address, command, ~command, a second command byte and
//           its inverse; the command is the first byte | the second << 8
// Aiwa (the LC7461 code, also Sanyo's) sends NEC42's frame on a 550 µs
// unit, 23.1 ms (42 units) of silence, and while held a repeat code of the
// full leader (8.8 ms, 4.4 ms) and a stop mark, each followed by 90.75 ms
// (165 units). Its frames read as NEC42.
// Epson (proto_epson.cpp) sends NEC's frame and repeats it in full; its
// frames read as NEC or NECext. Kelon (proto_kelon.cpp) sends 48 bits on
// NEC's timing without NEC48's inverted bytes: DecodeNec hands such frames
// to DecodeKelon.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kHeaderMark = 9000;
constexpr uint32_t kHeaderSpace = 4500;
constexpr uint32_t kBitMark = 560;
constexpr uint32_t kZeroSpace = 560;
constexpr uint32_t kOneSpace = 1690;
constexpr uint32_t kRepeatSpace = 2250;
constexpr uint32_t kPeriod = 108000;
constexpr uint32_t kMinGap = 10000;
}  // namespace

namespace {

std::optional<Press> EncodeAiwa(uint32_t address, uint32_t command, std::string* error) {
  constexpr uint32_t kUnit = 550;
  if (!FitsBits(address, 13, "Aiwa", "address", error) ||
      !FitsBits(command, 8, "Aiwa", "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = uint64_t{address} | (uint64_t{~address & 0x1FFFu} << 13) |
                        (uint64_t{command} << 26) | (uint64_t{~command & 0xFFu} << 34);
  FrameBuilder frame;
  frame.Mark(16 * kUnit);
  frame.Space(8 * kUnit);
  frame.DistanceBits(data, 42, true, kUnit, kUnit, 3 * kUnit);
  frame.Mark(kUnit);
  FrameBuilder repeat;
  repeat.Mark(16 * kUnit);
  repeat.Space(8 * kUnit);
  repeat.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(42 * kUnit)};
  press.repeat = {repeat.Finish(165 * kUnit)};
  return press;
}

}  // namespace

std::optional<Press> EncodeNec(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  uint64_t data = 0;
  int bits = 32;
  if (protocol == "Aiwa") return EncodeAiwa(address, command, error);
  if (protocol == "Epson") return EncodeEpson(protocol, address, command, error);
  if (protocol == "Kelon") return EncodeKelon(protocol, address, command, error);
  if (protocol == "NEC48") {
    if (!FitsBits(address, 16, protocol, "address", error) ||
        !FitsBits(command, 16, protocol, "command", error)) {
      return std::nullopt;
    }
    const uint64_t f = command & 0xFFu, e = command >> 8;
    data = uint64_t{address} | (f << 16) | ((~f & 0xFFu) << 24) | (e << 32) |
           ((~e & 0xFFu) << 40);
    bits = 48;
  } else if (protocol == "NEC") {
    if (!FitsBits(address, 8, protocol, "address", error) ||
        !FitsBits(command, 8, protocol, "command", error)) {
      return std::nullopt;
    }
    data = address | ((~address & 0xFFu) << 8) | (command << 16) | ((~command & 0xFFu) << 24);
  } else if (protocol == "NECext") {
    if (!FitsBits(address, 16, protocol, "address", error) ||
        !FitsBits(command, 16, protocol, "command", error)) {
      return std::nullopt;
    }
    data = address | (uint64_t{command} << 16);
  } else {  // NEC42: 13-bit address and 8-bit command, each followed by its inverse
    if (!FitsBits(address, 13, protocol, "address", error) ||
        !FitsBits(command, 8, protocol, "command", error)) {
      return std::nullopt;
    }
    data = uint64_t{address} | (uint64_t{~address & 0x1FFFu} << 13) | (uint64_t{command} << 26) |
           (uint64_t{~command & 0xFFu} << 34);
    bits = 42;
  }

  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  frame.DistanceBits(data, bits, true, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);

  FrameBuilder repeat;
  repeat.Mark(kHeaderMark);
  repeat.Space(kRepeatSpace);
  repeat.Mark(kBitMark);

  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  press.repeat = {repeat.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

int BitsToStop(std::span<const uint32_t> durations, size_t pos, uint32_t end_space) {
  int bits = 0;
  for (size_t i = pos + 1; i < durations.size(); i += 2) {
    if (durations[i] >= end_space) return bits;
    ++bits;
  }
  return pos < durations.size() ? bits : -1;
}

namespace {

// Bit timing as receivers deliver it: marks up to ~150 µs longer, spaces
// shorter; the zero and one spaces split at about 1.1 ms.
constexpr DistanceCode kBits{kBitMark, kZeroSpace, kOneSpace, 300, 440};

bool Inverse(uint64_t data, int at, int bits) {
  const uint64_t mask = (uint64_t{1} << bits) - 1;
  return (((data >> at) ^ (data >> (at + bits))) & mask) == mask;
}

}  // namespace

std::optional<DecodedFrame> DecodeNec(std::span<const uint32_t> d, uint32_t gap_after, uint32_t) {
  if (d.size() < 3 || !Near(d[0], kHeaderMark, 1200)) return std::nullopt;
  DecodedFrame out;
  out.protocol = "NEC";
  // The repeat code: leader, 2.25 ms, stop mark.
  if (Near(d[1], kRepeatSpace, 450)) {
    if (!Near(d[2], kBitMark, kBits.mark_slack)) return std::nullopt;
    if (d.size() > 3 && d[3] < kMinGap) return std::nullopt;
    out.repeat = true;
    out.used = 3;
    return out;
  }
  if (!Near(d[1], kHeaderSpace, 600) || IsPioneerShaped(d, gap_after)) return std::nullopt;
  const int bits = BitsToStop(d, 2, 3000);
  if (bits == 0) {
    // Aiwa's repeat code: the full leader and a stop mark, then silence.
    if (!Near(d[2], kBitMark, kBits.mark_slack)) return std::nullopt;
    if (d.size() > 3 && d[3] < kMinGap) return std::nullopt;
    out.protocol = "NEC42";
    out.repeat = true;
    out.used = 3;
    return out;
  }
  if (bits != 32 && bits != 42 && bits != 48) return std::nullopt;
  size_t pos = 2;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, bits, true, kBits);
  if (!data || !Near(d[pos], kBitMark, kBits.mark_slack)) return std::nullopt;
  out.used = pos + 1;
  const uint64_t v = *data;
  if (bits == 42) {
    if (!Inverse(v, 0, 13) || !Inverse(v, 26, 8)) return std::nullopt;
    out.protocol = "NEC42";
    out.address = v & 0x1FFFu;
    out.command = (v >> 26) & 0xFFu;
  } else if (bits == 48) {
    if (!Inverse(v, 16, 8) || !Inverse(v, 32, 8)) return DecodeKelon(d, gap_after, 0);
    out.protocol = "NEC48";
    out.address = v & 0xFFFFu;
    out.command = ((v >> 16) & 0xFFu) | (((v >> 32) & 0xFFu) << 8);
  } else if (Inverse(v, 0, 8) && Inverse(v, 16, 8)) {
    out.address = v & 0xFFu;
    out.command = (v >> 16) & 0xFFu;
  } else {
    out.protocol = "NECext";
    out.address = v & 0xFFFFu;
    out.command = (v >> 16) & 0xFFFFu;
  }
  return out;
}

}  // namespace tvq31::ir
