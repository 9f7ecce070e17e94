// Philips RC5 and RC5X: 14 bi-phase bits of 2 x 889 µs, most significant
// first: two start bits, the toggle bit, 5 address bits, 6 command bits.
// A 1 is a space then a mark, a 0 a mark then a space; the first start bit's
// leading space is invisible, so the frame begins with a mark. RC5X carries
// the 7th command bit inverted in the second start bit. The frame repeats
// every 113.8 ms (64 bit times) while the key is held, with the same toggle.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 36000;
constexpr uint32_t kHalfBit = 889;
constexpr uint32_t kPeriod = 113778;
constexpr uint32_t kMinGap = 10000;
}  // namespace

std::optional<Press> EncodeRc5(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  const bool extended = protocol == "RC5X";
  if (!FitsBits(address, 5, protocol, "address", error) ||
      !FitsBits(command, extended ? 7 : 6, protocol, "command", error)) {
    return std::nullopt;
  }
  const bool second_start = extended ? ((command >> 6) & 1U) == 0 : true;
  const bool toggle = false;
  // 14 bits, most significant first.
  const uint32_t data = (1u << 13) | (uint32_t{second_start} << 12) | (uint32_t{toggle} << 11) |
                        (address << 6) | (command & 0x3Fu);
  FrameBuilder frame;
  for (int bit = 13; bit >= 0; --bit) {
    if ((data >> bit) & 1U) {
      frame.Space(kHalfBit);
      frame.Mark(kHalfBit);
    } else {
      frame.Mark(kHalfBit);
      frame.Space(kHalfBit);
    }
  }
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

}  // namespace tvq31::ir
