// Pioneer: NEC's frame at 40 kHz with its own timings (8.5 ms / 4.225 ms
// header, 0.5 ms marks, 0.5 / 1.5 ms spaces): address, inverted address,
// command, inverted command, least significant bit first, a stop mark. The
// whole frame is sent again after 26.5 ms of silence while the key is held.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 40000;
constexpr uint32_t kHeaderMark = 8500;
constexpr uint32_t kHeaderSpace = 4225;
constexpr uint32_t kBitMark = 500;
constexpr uint32_t kZeroSpace = 500;
constexpr uint32_t kOneSpace = 1500;
constexpr uint32_t kGap = 26500;
}  // namespace

std::optional<Press> EncodePioneer(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  if (!FitsBits(address, 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data =
      address | ((~address & 0xFFu) << 8) | (command << 16) | ((~command & 0xFFu) << 24);
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  frame.DistanceBits(data, 32, true, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

}  // namespace tvq31::ir
