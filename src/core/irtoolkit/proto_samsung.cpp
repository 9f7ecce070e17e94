// Samsung32: NEC-like pulse-distance bits after a 4.5 ms / 4.5 ms header:
// address, address again (or a second address byte), command, inverted
// command, least significant bit first, then a stop mark. Samsung remotes
// send the whole frame again every 108 ms while the key is held; some
// (LG's among them) send a short repeat code instead: the header, a one bit
// and the stop mark.
//
// Samsung36: the same header on a 500 µs unit (bits 1 / 1 or 3 units), 16
// address bits, a stop mark and a 4.5 ms space, then 4 extra bits, the
// command and its inverse, a stop mark and 59 ms (118 units) of silence;
// the whole frame again while the key is held. Its address is 16 bits; its
// command is the 8-bit command | the 4 extra bits << 8.
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
constexpr uint32_t kUnit36 = 500;
constexpr uint32_t kGap36 = 118 * kUnit36;
// Both units (500 and 550 µs) as receivers deliver them.
constexpr DistanceCode kBits{kBitMark, kZeroSpace, kOneSpace, 300, 440};

FrameBuilder Header() {
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  return frame;
}
}  // namespace

std::optional<Press> EncodeSamsung(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  FrameBuilder frame = Header();
  if (protocol == "Samsung36") {
    if (!FitsBits(address, 16, protocol, "address", error) ||
        !FitsBits(command, 12, protocol, "command", error)) {
      return std::nullopt;
    }
    const uint32_t f = command & 0xFFu;
    frame.DistanceBits(address, 16, true, kUnit36, kUnit36, 3 * kUnit36);
    frame.Mark(kUnit36);
    frame.Space(kHeaderSpace);
    const uint64_t rest = (command >> 8) | (f << 4) | ((~f & 0xFFu) << 12);
    frame.DistanceBits(rest, 20, true, kUnit36, kUnit36, 3 * kUnit36);
    frame.Mark(kUnit36);
    Press press;
    press.carrier_hz = kCarrier;
    press.first = {frame.Finish(kGap36)};
    return press;
  } else {
    if (!FitsBits(address, 16, protocol, "address", error) ||
        !FitsBits(command, 8, protocol, "command", error)) {
      return std::nullopt;
    }
    // An 8-bit address is sent twice; a 16-bit one as its two bytes.
    const uint64_t a = address > 0xFF ? address : address | (address << 8);
    const uint64_t data = a | (command << 16) | ((~command & 0xFFu) << 24);
    frame.DistanceBits(data, 32, true, kBitMark, kZeroSpace, kOneSpace);
  }
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeSamsung(std::span<const uint32_t> d, uint32_t, uint32_t) {
  if (d.size() < 5 || !Near(d[0], kHeaderMark, 700) || !Near(d[1], kHeaderSpace, 700)) {
    return std::nullopt;
  }
  DecodedFrame out;
  size_t pos = 2;
  const int bits = BitsToStop(d, pos, 3000);
  if (bits == 16) {
    const std::optional<uint64_t> address = ReadDistanceBits(d, pos, 16, true, kBits);
    if (!address || pos + 1 >= d.size() || !Near(d[pos], kBitMark, kBits.mark_slack) ||
        !Near(d[pos + 1], kHeaderSpace, 700)) {
      return std::nullopt;
    }
    pos += 2;
    if (BitsToStop(d, pos, 3000) != 20) return std::nullopt;
    const std::optional<uint64_t> rest = ReadDistanceBits(d, pos, 20, true, kBits);
    if (!rest || !Near(d[pos], kBitMark, kBits.mark_slack)) return std::nullopt;
    const uint64_t f = (*rest >> 4) & 0xFFu;
    if ((f ^ (*rest >> 12)) != 0xFFu) return std::nullopt;
    out.protocol = "Samsung36";
    out.address = *address;
    out.command = f | ((*rest & 0xFu) << 8);
  } else if (bits == 1) {
    // The short repeat code: a one bit.
    if (!Near(d[2], kBitMark, kBits.mark_slack) || !Near(d[3], kOneSpace, kBits.space_slack) ||
        !Near(d[4], kBitMark, kBits.mark_slack)) {
      return std::nullopt;
    }
    out.protocol = "Samsung32";
    out.repeat = true;
    out.used = 5;
    return out;
  } else if (bits == 32) {
    const std::optional<uint64_t> data = ReadDistanceBits(d, pos, 32, true, kBits);
    if (!data || !Near(d[pos], kBitMark, kBits.mark_slack)) return std::nullopt;
    const uint64_t v = *data;
    if ((((v >> 16) ^ (v >> 24)) & 0xFFu) != 0xFFu) return std::nullopt;
    out.protocol = "Samsung32";
    const uint64_t a = v & 0xFFu, s = (v >> 8) & 0xFFu;
    out.address = a == s ? a : (v & 0xFFFFu);
    out.command = (v >> 16) & 0xFFu;
  } else {
    return std::nullopt;
  }
  out.used = pos + 1;
  return out;
}

}  // namespace tvq31::ir
