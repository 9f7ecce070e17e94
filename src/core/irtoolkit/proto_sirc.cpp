// Sony SIRC (12, 15 and 20 bits): a 2.4 ms header mark, then pulse-width
// bits (1.2 ms mark for 1, 0.6 ms for 0, each after a 0.6 ms space), the
// 7-bit command first, then the address (5, 8 or 13 bits), least
// significant bit first. No stop bit: the frame ends on the last data mark.
// The whole frame is sent again every 45 ms while the key is held.
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
  const int address_bits = protocol == "SIRC" ? 5 : protocol == "SIRC15" ? 8 : 13;
  if (!FitsBits(address, address_bits, protocol, "address", error) ||
      !FitsBits(command, 7, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = command | (uint64_t{address} << 7);
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kSpace);
  for (int i = 0; i < 7 + address_bits; ++i) {
    frame.WidthBit(((data >> i) & 1U) != 0, kZeroMark, kOneMark, kSpace);
  }
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

}  // namespace tvq31::ir
