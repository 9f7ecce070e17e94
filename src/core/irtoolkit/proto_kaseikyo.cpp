// Kaseikyo (the Japanese manufacturers' 48-bit code, Panasonic and others):
// a header of 8 and 4 units (unit 432 µs), 48 pulse-distance bits sent as
// six bytes, each least significant bit first, and a stop mark.
// The address is laid out as Flipper .ir files write it:
//   bits 0-3 genre 2, bits 4-7 genre 1, bits 8-23 the vendor id,
//   bits 24-25 the id; the command has 10 bits.
// Bytes: vendor low, vendor high, vendor parity | genre1 << 4,
// genre2 | command low nibble << 4, command >> 4 | id << 6, and the XOR of
// bytes 2 to 4. The whole frame is sent again every 130 ms.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 37000;
constexpr uint32_t kUnit = 432;
constexpr uint32_t kPeriod = 130000;
constexpr uint32_t kMinGap = 10000;
}  // namespace

std::optional<Press> EncodeKaseikyo(std::string_view protocol, uint32_t address,
                                    uint32_t command, std::string* error) {
  if (!FitsBits(address, 26, protocol, "address", error) ||
      !FitsBits(command, 10, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t id = (address >> 24) & 3u;
  const uint32_t vendor = (address >> 8) & 0xFFFFu;
  const uint32_t genre1 = (address >> 4) & 0xFu;
  const uint32_t genre2 = address & 0xFu;
  uint8_t bytes[6];
  bytes[0] = static_cast<uint8_t>(vendor & 0xFF);
  bytes[1] = static_cast<uint8_t>(vendor >> 8);
  uint8_t parity = bytes[0] ^ bytes[1];
  parity = static_cast<uint8_t>((parity & 0xF) ^ (parity >> 4));
  bytes[2] = static_cast<uint8_t>((parity & 0xF) | (genre1 << 4));
  bytes[3] = static_cast<uint8_t>(genre2 | ((command & 0xF) << 4));
  bytes[4] = static_cast<uint8_t>((id << 6) | (command >> 4));
  bytes[5] = static_cast<uint8_t>(bytes[2] ^ bytes[3] ^ bytes[4]);

  FrameBuilder frame;
  frame.Mark(8 * kUnit);
  frame.Space(4 * kUnit);
  for (uint8_t byte : bytes) frame.DistanceBits(byte, 8, true, kUnit, kUnit, 3 * kUnit);
  frame.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

}  // namespace tvq31::ir
