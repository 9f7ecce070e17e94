// JVC: a header of 16 and 8 units (unit 526 µs), 8 address and 8 command
// bits, least significant first, pulse-distance (1 unit mark, 1 or 3 units
// space), a stop mark. While the key is held the frame is sent again
// without the header, 23.7 ms (45 units) after the previous one ends.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kUnit = 526;
constexpr uint32_t kGap = 45 * kUnit;
}  // namespace

std::optional<Press> EncodeJvc(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = address | (command << 8);
  FrameBuilder first;
  first.Mark(16 * kUnit);
  first.Space(8 * kUnit);
  first.DistanceBits(data, 16, true, kUnit, kUnit, 3 * kUnit);
  first.Mark(kUnit);
  FrameBuilder repeat;
  repeat.DistanceBits(data, 16, true, kUnit, kUnit, 3 * kUnit);
  repeat.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {first.Finish(kGap)};
  press.repeat = {repeat.Finish(kGap)};
  return press;
}

}  // namespace tvq31::ir
