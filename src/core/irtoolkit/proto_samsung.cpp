// Samsung32: NEC-like pulse-distance bits after a 4.5 ms / 4.5 ms header:
// address, address again, command, inverted command, least significant bit
// first, then a stop mark. Samsung remotes send the whole frame again every
// 108 ms while the key is held.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kHeaderMark = 4500;
constexpr uint32_t kHeaderSpace = 4500;
constexpr uint32_t kBitMark = 550;
constexpr uint32_t kZeroSpace = 550;
constexpr uint32_t kOneSpace = 1650;
constexpr uint32_t kPeriod = 108000;
constexpr uint32_t kMinGap = 10000;
}  // namespace

std::optional<Press> EncodeSamsung(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = address | (address << 8) | (command << 16) | ((~command & 0xFFu) << 24);
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  frame.DistanceBits(data, 32, true, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

}  // namespace tvq31::ir
