// Kaseikyo (the Japanese manufacturers' 48-bit code, Panasonic and others):
// a header of 8 and 4 units (unit 432 µs), 48 pulse-distance bits sent as
// six bytes, each least significant bit first, and a stop mark.
// The address is laid out as Flipper .ir files write it:
//   bits 0-3 genre 2, bits 4-7 genre 1, bits 8-23 the vendor id,
//   bits 24-25 the id; the command has 10 bits.
// Bytes: vendor low, vendor high, vendor parity | genre1 << 4,
// genre2 | command low nibble << 4, command >> 4 | id << 6, and the XOR of
// bytes 2 to 4. The whole frame is sent again every 130 ms.
//
// Vendors that keep the vendor parity and the check byte (Panasonic,
// Denon-K, ...) read as "Kaseikyo". Two more forms share the frame:
//   SharpDVD     unit 400 µs, 38 kHz, vendor bytes 0xAA 0x5A, then a
//                nibble 15, D:4, S:8, F:8, E:4 and a 4-bit XOR of the
//                nibbles of D, S, F and E; 19.2 ms of silence. Address
//                D | S << 4, command F | E << 8.
//   Kaseikyo48   any other 48-bit frame of this timing (JVC-48, Teac-K,
//                Fujitsu, Mitsubishi-K check their bytes in ways of their
//                own): the six bytes as they are, address = bytes 0-2,
//                command = bytes 3-5.
// Teac-K repeats with a code of an 8 + 8 unit leader and a stop mark.
// Old Panasonic: 57.6 kHz, unit 833 µs, a 4 + 4 unit header, D:5 F:6 ~D:5
// ~F:6 pulse distance, a stop mark, 44 units of silence.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 37000;
constexpr uint32_t kUnit = 432;
constexpr uint32_t kPeriod = 130000;
constexpr uint32_t kMinGap = 10000;
constexpr uint32_t kSharpCarrier = 38000;
constexpr uint32_t kSharpUnit = 400;
constexpr uint32_t kSharpGap = 48 * kSharpUnit;
// Wide enough for both units (400 and 432 µs) as receivers deliver them;
// the zero and one spaces split near 800 µs.
constexpr DistanceCode kBits{416, 416, 1248, 250, 380};

constexpr uint32_t kOldCarrier = 57600;
constexpr uint32_t kOldUnit = 833;
constexpr DistanceCode kOldBits{kOldUnit, kOldUnit, 3 * kOldUnit, 350, 500};

uint8_t VendorParity(uint8_t b0, uint8_t b1) {
  const uint8_t x = b0 ^ b1;
  return static_cast<uint8_t>((x & 0xF) ^ (x >> 4));
}

uint8_t SharpCheck(uint32_t d, uint32_t s, uint32_t f, uint32_t e) {
  return static_cast<uint8_t>((d ^ s ^ (s >> 4) ^ f ^ (f >> 4) ^ e) & 0xF);
}

Press Frame48(const uint8_t (&bytes)[6], uint32_t carrier, uint32_t unit, uint32_t period,
              uint32_t gap) {
  FrameBuilder frame;
  frame.Mark(8 * unit);
  frame.Space(4 * unit);
  for (uint8_t byte : bytes) frame.DistanceBits(byte, 8, true, unit, unit, 3 * unit);
  frame.Mark(unit);
  Press press;
  press.carrier_hz = carrier;
  press.first = {period != 0 ? frame.FinishPeriod(period, kMinGap) : frame.Finish(gap)};
  return press;
}
}  // namespace

std::optional<Press> EncodeKaseikyo(std::string_view protocol, uint32_t address,
                                    uint32_t command, std::string* error) {
  uint8_t bytes[6];
  if (protocol == "SharpDVD") {
    if (!FitsBits(address, 12, protocol, "address", error) ||
        !FitsBits(command, 12, protocol, "command", error)) {
      return std::nullopt;
    }
    const uint32_t d = address & 0xF, s = address >> 4, f = command & 0xFF, e = command >> 8;
    const uint8_t head[6] = {0xAA,
                             0x5A,
                             static_cast<uint8_t>(0xF | (d << 4)),
                             static_cast<uint8_t>(s),
                             static_cast<uint8_t>(f),
                             static_cast<uint8_t>(e | (SharpCheck(d, s, f, e) << 4))};
    return Frame48(head, kSharpCarrier, kSharpUnit, 0, kSharpGap);
  }
  if (protocol == "Kaseikyo48") {
    if (!FitsBits(address, 24, protocol, "address", error) ||
        !FitsBits(command, 24, protocol, "command", error)) {
      return std::nullopt;
    }
    for (int i = 0; i < 3; ++i) {
      bytes[i] = static_cast<uint8_t>(address >> (8 * i));
      bytes[3 + i] = static_cast<uint8_t>(command >> (8 * i));
    }
    return Frame48(bytes, kCarrier, kUnit, kPeriod, 0);
  }
  if (!FitsBits(address, 26, protocol, "address", error) ||
      !FitsBits(command, 10, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t id = (address >> 24) & 3u;
  const uint32_t vendor = (address >> 8) & 0xFFFFu;
  const uint32_t genre1 = (address >> 4) & 0xFu;
  const uint32_t genre2 = address & 0xFu;
  bytes[0] = static_cast<uint8_t>(vendor & 0xFF);
  bytes[1] = static_cast<uint8_t>(vendor >> 8);
  bytes[2] = static_cast<uint8_t>(VendorParity(bytes[0], bytes[1]) | (genre1 << 4));
  bytes[3] = static_cast<uint8_t>(genre2 | ((command & 0xF) << 4));
  bytes[4] = static_cast<uint8_t>((id << 6) | (command >> 4));
  bytes[5] = static_cast<uint8_t>(bytes[2] ^ bytes[3] ^ bytes[4]);
  return Frame48(bytes, kCarrier, kUnit, kPeriod, 0);
}

std::optional<DecodedFrame> DecodeKaseikyo(std::span<const uint32_t> d, uint32_t, uint32_t) {
  // Teac-K's repeat code: 8 + 8 units and a stop mark, then silence.
  if (d.size() >= 3 && Near(d[0], 8 * kUnit, 560) && Near(d[1], 8 * kUnit, 560) &&
      Near(d[2], kBits.mark, kBits.mark_slack) && (d.size() == 3 || d[3] >= kMinGap)) {
    DecodedFrame out;
    out.protocol = "Kaseikyo48";
    out.repeat = true;
    out.used = 3;
    return out;
  }
  // Leader 8 + 4 units: 3200 / 1600 (unit 400) to 3456 / 1728 (unit 432).
  if (d.size() < 99 || !Near(d[0], 3330, 560) || !Near(d[1], 1664, 330)) return std::nullopt;
  size_t pos = 2;
  if (BitsToStop(d, pos, 2500) != 48) return std::nullopt;
  uint8_t b[6];
  for (uint8_t& byte : b) {
    const std::optional<uint64_t> v = ReadDistanceBits(d, pos, 8, true, kBits);
    if (!v) return std::nullopt;
    byte = static_cast<uint8_t>(*v);
  }
  if (!Near(d[pos], kBits.mark, kBits.mark_slack)) return std::nullopt;
  DecodedFrame out;
  out.used = pos + 1;
  const uint32_t n2 = b[2] >> 4, n3 = b[3] & 0xF;
  if ((b[2] & 0xF) == VendorParity(b[0], b[1]) && b[5] == (b[2] ^ b[3] ^ b[4])) {
    out.protocol = "Kaseikyo";
    out.address = (uint64_t{b[4]} >> 6 << 24) | (uint64_t{b[1]} << 16) | (uint64_t{b[0]} << 8) |
                  (n2 << 4) | n3;
    out.command = (b[3] >> 4) | (uint64_t{b[4] & 0x3Fu} << 4);
    return out;
  }
  if (b[0] == 0xAA && b[1] == 0x5A && (b[2] & 0xF) == 0xF &&
      (b[5] >> 4) == SharpCheck(n2, b[3], b[4], b[5] & 0xF)) {
    out.protocol = "SharpDVD";
    out.address = n2 | (uint64_t{b[3]} << 4);
    out.command = b[4] | (uint64_t{b[5] & 0xFu} << 8);
    return out;
  }
  out.protocol = "Kaseikyo48";
  out.address = b[0] | (uint64_t{b[1]} << 8) | (uint64_t{b[2]} << 16);
  out.command = b[3] | (uint64_t{b[4]} << 8) | (uint64_t{b[5]} << 16);
  return out;
}

std::optional<Press> EncodePanasonicOld(std::string_view protocol, uint32_t address,
                                        uint32_t command, std::string* error) {
  if (!FitsBits(address, 5, protocol, "address", error) ||
      !FitsBits(command, 6, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = address | (command << 5) | (uint64_t{~address & 0x1Fu} << 11) |
                        (uint64_t{~command & 0x3Fu} << 16);
  FrameBuilder frame;
  frame.Mark(4 * kOldUnit);
  frame.Space(4 * kOldUnit);
  frame.DistanceBits(data, 22, true, kOldUnit, kOldUnit, 3 * kOldUnit);
  frame.Mark(kOldUnit);
  Press press;
  press.carrier_hz = kOldCarrier;
  press.first = {frame.Finish(44 * kOldUnit)};
  return press;
}

std::optional<DecodedFrame> DecodePanasonicOld(std::span<const uint32_t> d, uint32_t, uint32_t) {
  if (d.size() < 47 || !Near(d[0], 4 * kOldUnit, 500) || !Near(d[1], 4 * kOldUnit, 500)) {
    return std::nullopt;
  }
  size_t pos = 2;
  if (BitsToStop(d, pos, 5000) != 22) return std::nullopt;
  const std::optional<uint64_t> v = ReadDistanceBits(d, pos, 22, true, kOldBits);
  if (!v || !Near(d[pos], kOldUnit, kOldBits.mark_slack)) return std::nullopt;
  const uint64_t a = *v & 0x1F, f = (*v >> 5) & 0x3F;
  if (((*v >> 11) & 0x1F) != (~a & 0x1F) || ((*v >> 16) & 0x3F) != (~f & 0x3F)) {
    return std::nullopt;
  }
  DecodedFrame out;
  out.protocol = "PanasonicOld";
  out.address = a;
  out.command = f;
  out.used = pos + 1;
  return out;
}

}  // namespace tvq31::ir
