// Kelon (air conditioners, also Hisense): NEC's leader and bit timing
// (9 ms / 4.6 ms, 560 µs marks, 600 µs / 1680 µs spaces) carrying 48 bits
// least significant first, a stop mark and 200 ms of silence. The remote
// sends its whole state in one frame per key press. The first two bytes
// are the fixed 0x83 0x06; the other four bytes (bits 16..47) are the
// command. The family has no address: it is 0.
// NEC48 sends frames of the same length and timing whose command bytes are
// each followed by their inverse; such a frame is NEC48's, not Kelon's.
// Kelon is a protocol of the NEC family: DecodeNec hands it the 48-bit
// frames that are not NEC48's, and the recogniser meets its frames with the
// NEC48 styles (their record sends the frame as it came).
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kHeaderMark = 9000;
constexpr uint32_t kHeaderSpace = 4600;
constexpr uint32_t kBitMark = 560;
constexpr uint32_t kZeroSpace = 600;
constexpr uint32_t kOneSpace = 1680;
constexpr uint32_t kGap = 200000;
constexpr uint32_t kMinGap = 10000;
constexpr uint32_t kPreamble = 0x0683;
constexpr int kBits = 48;

constexpr DistanceCode kReadCode{kBitMark, kZeroSpace, kOneSpace, 300, 440};
constexpr size_t kFrameLength = 2 + 2 * kBits + 1;

bool InversePair(uint64_t v, int at) { return ((v >> at) & 0xFFu) == (~(v >> (at + 8)) & 0xFFu); }
}  // namespace

std::optional<Press> EncodeKelon(std::string_view protocol, uint32_t address, uint32_t command,
                                 std::string* error) {
  if (!FitsBits(address, 0, protocol, "address", error)) return std::nullopt;
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  frame.DistanceBits(uint64_t{kPreamble} | (uint64_t{command} << 16), kBits, true, kBitMark,
                     kZeroSpace, kOneSpace);
  frame.Mark(kBitMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

std::optional<DecodedFrame> DecodeKelon(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                        uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength || !Near(d[0], kHeaderMark, 1200) ||
      !Near(d[1], kHeaderSpace, 600) || BitsToStop(d, 2, 3000) != kBits) {
    return std::nullopt;
  }
  size_t pos = 2;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, kBits, true, kReadCode);
  if (!data || !Near(d[pos], kBitMark, kReadCode.mark_slack)) return std::nullopt;
  ++pos;
  if (pos < d.size() && d[pos] < kMinGap) return std::nullopt;
  if ((*data & 0xFFFFu) != kPreamble) return std::nullopt;
  if (InversePair(*data, 16) && InversePair(*data, 32)) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Kelon";
  out.command = *data >> 16;
  out.used = pos;
  return out;
}

}  // namespace tvq31::ir
