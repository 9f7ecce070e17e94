// NEC and its extended forms (NECext, NEC42): pulse-distance bits, least
// significant first, a 9 ms / 4.5 ms header and a stop mark. While the key
// is held the remote sends the short repeat code (9 ms mark, 2.25 ms space,
// stop mark), each frame starting 108 ms after the previous one.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kHeaderMark = 9000;
constexpr uint32_t kHeaderSpace = 4500;
constexpr uint32_t kBitMark = 560;
constexpr uint32_t kZeroSpace = 560;
constexpr uint32_t kOneSpace = 1690;
constexpr uint32_t kRepeatSpace = 2250;
constexpr uint32_t kPeriod = 108000;
constexpr uint32_t kMinGap = 10000;
}  // namespace

std::optional<Press> EncodeNec(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  uint64_t data = 0;
  int bits = 32;
  if (protocol == "NEC") {
    if (!FitsBits(address, 8, protocol, "address", error) ||
        !FitsBits(command, 8, protocol, "command", error)) {
      return std::nullopt;
    }
    data = address | ((~address & 0xFFu) << 8) | (command << 16) | ((~command & 0xFFu) << 24);
  } else if (protocol == "NECext") {
    if (!FitsBits(address, 16, protocol, "address", error) ||
        !FitsBits(command, 16, protocol, "command", error)) {
      return std::nullopt;
    }
    data = address | (uint64_t{command} << 16);
  } else {  // NEC42: 13-bit address and 8-bit command, each followed by its inverse
    if (!FitsBits(address, 13, protocol, "address", error) ||
        !FitsBits(command, 8, protocol, "command", error)) {
      return std::nullopt;
    }
    data = uint64_t{address} | (uint64_t{~address & 0x1FFFu} << 13) | (uint64_t{command} << 26) |
           (uint64_t{~command & 0xFFu} << 34);
    bits = 42;
  }

  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  frame.DistanceBits(data, bits, true, kBitMark, kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);

  FrameBuilder repeat;
  repeat.Mark(kHeaderMark);
  repeat.Space(kRepeatSpace);
  repeat.Mark(kBitMark);

  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  press.repeat = {repeat.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

}  // namespace tvq31::ir
