// Sharp and Denon: 15 pulse-distance bits without a header, least
// significant first: 5 address bits, 8 command bits and 2 frame bits, then
// a stop mark. Every message is sent twice: as is, then with the command
// and the frame bits inverted, so the receiver can check one against the
// other. The pair repeats while the key is held.
//   Sharp: 320 µs marks, 1 ms / 2 ms bit times, frame bits 1,0 (expansion,
//          check), 40 ms between frames.
//   Denon: 260 µs marks, 780 / 1820 µs spaces, frame bits 0,0, 45 ms
//          between frames.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;

struct Timing {
  uint32_t mark;
  uint32_t zero_space;
  uint32_t one_space;
  uint32_t gap;
  uint32_t frame_bits;  // the two bits after the command, first sent in bit 0
};

constexpr Timing kSharp{320, 680, 1680, 40000, 0b01};
constexpr Timing kDenon{260, 780, 1820, 45000, 0b00};

SignalFrame Frame(const Timing& t, uint32_t address, uint32_t command, uint32_t frame_bits) {
  const uint64_t data = address | ((command & 0xFFu) << 5) | ((frame_bits & 3u) << 13);
  FrameBuilder frame;
  frame.DistanceBits(data, 15, true, t.mark, t.zero_space, t.one_space);
  frame.Mark(t.mark);
  return frame.Finish(t.gap);
}
}  // namespace

std::optional<Press> EncodeSharp(std::string_view protocol, uint32_t address, uint32_t command,
                                 std::string* error) {
  if (!FitsBits(address, 5, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const Timing& t = protocol == "Sharp" ? kSharp : kDenon;
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {Frame(t, address, command, t.frame_bits),
                 Frame(t, address, ~command, ~t.frame_bits)};
  return press;
}

}  // namespace tvq31::ir
