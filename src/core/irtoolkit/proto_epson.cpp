// Epson (projectors): NEC's frame (9 ms / 4.5 ms leader, 32 pulse-distance
// bits least significant first, stop mark) every 108 ms, but a held key
// repeats the whole frame instead of NEC's short repeat code, and a press
// is never shorter than the frame and two copies. The address is the 16
// bits of the first two bytes as sent (Epson's second byte is not the
// first's inverse); the command is the third byte, the fourth its inverse.
//
// One frame alone is an NEC (or NECext) frame, and only the press tells
// Epson apart: so Epson is a protocol of the NEC family (EncodeNec hands it
// here), DecodeSignal reports its frames as NEC or NECext with the same
// bits, and NEC's full-repeat style takes a held press and plays it back as
// the projector expects. DecodeEpson reads a frame in Epson's own terms for
// callers that know the remote.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr int kCopies = 3;  // the frame and two full repeats
}  // namespace

std::optional<Press> EncodeEpson(std::string_view protocol, uint32_t address, uint32_t command,
                                 std::string* error) {
  if (!FitsBits(address, 16, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  // NECext's frame carries the 16 address bits as they are.
  std::optional<Press> press =
      EncodeNec("NECext", address, command | ((~command & 0xFFu) << 8), error);
  if (!press) return std::nullopt;
  const SignalFrame frame = press->first.front();
  press->first.assign(kCopies, frame);
  press->repeat = {frame};
  return press;
}

std::optional<DecodedFrame> DecodeEpson(std::span<const uint32_t> d, uint32_t gap_after,
                                        uint32_t carrier_hz) {
  std::optional<DecodedFrame> out = DecodeNec(d, gap_after, carrier_hz);
  if (!out || out->repeat) return std::nullopt;
  if (out->protocol == "NEC") {
    out->address |= (~out->address & 0xFFu) << 8;
  } else if (out->protocol == "NECext") {
    const uint64_t command = out->command & 0xFFu;
    if ((out->command >> 8) != (~command & 0xFFu)) return std::nullopt;
    out->command = command;
  } else {
    return std::nullopt;
  }
  out->protocol = "Epson";
  return out;
}

}  // namespace tvq31::ir
