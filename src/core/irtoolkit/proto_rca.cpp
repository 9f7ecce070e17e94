// RCA: a 4 ms / 4 ms header, then 24 pulse-distance bits (0.5 ms mark,
// 1 ms space for 0, 2 ms for 1): the 4-bit address, the 8-bit command, and
// both again inverted, then a stop mark. Bits go out in the order Flipper's
// infrared library numbers them (least significant first), so the address
// and command of .ir files give back the same signal. 56 kHz carrier; the
// whole frame is repeated after 8 ms of silence while the key is held.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 56000;
constexpr uint32_t kHeader = 4000;
constexpr uint32_t kBitMark = 500;
constexpr uint32_t kZeroSpace = 1000;
constexpr uint32_t kOneSpace = 2000;
constexpr uint32_t kGap = 8000;
}  // namespace

std::optional<Press> EncodeRca(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  if (!FitsBits(address, 4, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data =
      address | (command << 4) | ((~address & 0xFu) << 12) | ((~command & 0xFFu) << 16);
  FrameBuilder frame;
  frame.Mark(kHeader);
  frame.Space(kHeader);
  frame.DistanceBits(data, 24, true, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

}  // namespace tvq31::ir
