// Philips RC6 mode 0: a leader of 6t mark and 2t space (t = 444 µs), the
// start bit 1, three mode bits 000, the double-length toggle bit, then 8
// address and 8 command bits, most significant first. In RC6 a 1 is a mark
// then a space, a 0 a space then a mark. The frame repeats every 107 ms
// while the key is held, with the same toggle.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 36000;
constexpr uint32_t kUnit = 444;
constexpr uint32_t kLeaderMark = 2666;
constexpr uint32_t kLeaderSpace = 889;
constexpr uint32_t kPeriod = 107000;
constexpr uint32_t kMinGap = 2666;

void Bit(FrameBuilder& frame, bool one, uint32_t half) {
  if (one) {
    frame.Mark(half);
    frame.Space(half);
  } else {
    frame.Space(half);
    frame.Mark(half);
  }
}
}  // namespace

std::optional<Press> EncodeRc6(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const bool toggle = false;
  FrameBuilder frame;
  frame.Mark(kLeaderMark);
  frame.Space(kLeaderSpace);
  Bit(frame, true, kUnit);                         // start bit
  for (int i = 0; i < 3; ++i) Bit(frame, false, kUnit);  // mode 0
  Bit(frame, toggle, 2 * kUnit);                   // trailer (toggle) bit
  const uint32_t data = (address << 8) | command;
  for (int bit = 15; bit >= 0; --bit) Bit(frame, ((data >> bit) & 1U) != 0, kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

}  // namespace tvq31::ir
