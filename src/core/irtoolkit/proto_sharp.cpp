// Sharp and Denon: 15 pulse-distance bits without a header, least
// significant first: 5 address bits, 8 command bits and 2 frame bits, then
// a stop mark. Every message is sent twice: as is, then with the command
// and the frame bits inverted, so the receiver can check one against the
// other. The pair repeats while the key is held. One family with two
// protocols: the decoder tells them apart by the frame bits alone (Sharp
// 1,0 then 0,1; Denon 0,0 then 1,1), as recorded remotes of both use either
// timing, and the recogniser, which counts symbols without looking at their
// values, cannot. Each half decodes to the values of the press, so a pair
// reads as one key.
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

namespace {

// Remotes of both families send marks of 260 to 320 µs (a receiver adds up
// to about 100) and spaces of 680 to 792 µs (zero) or 1680 to 1848 µs
// (one); one window serves both, the frame bits tell them apart.
constexpr DistanceCode kReadCode{300, 736, 1764, 200, 330};
// After the stop mark: the end of the frame or the silence before the
// second half. A shorter space means a longer frame (Mitsubishi's 16 bits).
constexpr uint32_t kMinTrailer = 5000;
constexpr size_t kFrameLength = 31;  // 15 bits and the stop mark

// Reads one half of a pair: `first_bits` are the frame bits of the first
// half; the second half carries them inverted, with the command.
std::optional<DecodedFrame> DecodeHalf(std::span<const uint32_t> durations, uint32_t first_bits,
                                       std::string_view protocol) {
  if (durations.size() < kFrameLength) return std::nullopt;
  size_t pos = 0;
  const std::optional<uint64_t> data = ReadDistanceBits(durations, pos, 15, true, kReadCode);
  if (!data || !Near(durations[pos], kReadCode.mark, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < durations.size() && durations[pos] < kMinTrailer) return std::nullopt;
  const uint32_t frame_bits = static_cast<uint32_t>(*data >> 13) & 3u;
  uint32_t command = static_cast<uint32_t>(*data >> 5) & 0xFFu;
  if (frame_bits == (~first_bits & 3u)) {
    command = ~command & 0xFFu;
  } else if (frame_bits != first_bits) {
    return std::nullopt;
  }
  DecodedFrame out;
  out.protocol = std::string(protocol);
  out.address = *data & 0x1Fu;
  out.command = command;
  out.used = pos;
  return out;
}

}  // namespace

std::optional<DecodedFrame> DecodeSharp(std::span<const uint32_t> durations,
                                        uint32_t /*gap_after*/, uint32_t /*carrier_hz*/) {
  std::optional<DecodedFrame> out = DecodeHalf(durations, kSharp.frame_bits, "Sharp");
  return out ? out : DecodeHalf(durations, kDenon.frame_bits, "Denon");
}

}  // namespace tvq31::ir
