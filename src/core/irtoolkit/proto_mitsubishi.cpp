// Mitsubishi (TV, VCR and audio): 16 pulse-distance bits without a header,
// 8 address bits then 8 command bits, least significant first; 250 µs marks,
// bit times of 1 ms (0) and 2 ms (1), a stop mark, 40 kHz. The frame is
// sent again after 25 ms of silence while the key is held.
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

}  // namespace tvq31::ir
