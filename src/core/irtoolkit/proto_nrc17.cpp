// NRC17 (Nokia, ITT, Salora): 38 kHz bi-phase on a 500 µs unit. Every frame
// opens with a one-unit mark and five units of silence, then 17 bits of two
// half bits each: a 1 is a mark then a space, a 0 a space then a mark. The
// bits are a 1 start bit, the 8-bit command F and the 8-bit address D, each
// least significant bit first. A press is a start frame (command 254,
// address 255) with 28 units of silence after it, then the data frame every
// 130 ms for as long as the key is held (220 units of silence after it),
// then an end frame equal to the start frame.
//
// NRC16 is the same press with a 7-bit address (16 bits a frame): the start
// frame is command 254, address 127, 15 ms of silence after it, the data
// frame is followed by 110 ms.
//
// The start and end frames carry no values: the decoder reads them as a
// repeat code of the family. A data frame of command 254 and address 255
// (127) is the same frame and reads the same way.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kUnit = 500;
constexpr uint32_t kLeaderSpace = 5 * kUnit;
constexpr uint32_t kStartCommand = 254;

struct Variant {
  const char* name;
  int address_bits;
  uint32_t start_gap;  // after the start frame's last bit
  uint32_t data_gap;
  uint32_t end_gap;
};
constexpr Variant kNrc17{"NRC17", 8, 28 * kUnit, 220 * kUnit, 200 * kUnit};
constexpr Variant kNrc16{"NRC16", 7, 15000, 110000, 15000};

// Leader windows: the mark as wide as a half bit's (a receiver lengthens
// marks by about 100 µs), the five-unit space within 400 µs, which leaves
// four units out.
constexpr uint32_t kLeaderMarkSlack = kUnit * 2 / 5;
constexpr uint32_t kLeaderSpaceSlack = 400;

int Bits(const Variant& v) { return 1 + 8 + v.address_bits; }

uint32_t StartBits(const Variant& v) {
  return 1u | (kStartCommand << 1) | (((1u << v.address_bits) - 1) << 9);
}

// One frame's bits, first sent in bit 0 (a last space half joins the gap).
SignalFrame Frame(uint32_t bits, int count, uint32_t gap) {
  return LeaderBiPhaseFrame(kUnit, kLeaderSpace, bits, count, gap);
}
}  // namespace

std::optional<Press> EncodeNrc17(std::string_view protocol, uint32_t address, uint32_t command,
                                 std::string* error) {
  const Variant& v = protocol == "NRC16" ? kNrc16 : kNrc17;
  if (!FitsBits(address, v.address_bits, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t data = 1u | (command << 1) | (address << 9);
  const SignalFrame start = Frame(StartBits(v), Bits(v), v.start_gap);
  const SignalFrame frame = Frame(data, Bits(v), v.data_gap);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {start, frame};
  press.repeat = {frame};
  press.last = {Frame(StartBits(v), Bits(v), v.end_gap)};
  return press;
}

std::optional<DecodedFrame> DecodeNrc17(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                        uint32_t /*carrier_hz*/) {
  if (d.size() < 3 || !Near(d[0], kUnit, kLeaderMarkSlack) ||
      !Near(d[1], kLeaderSpace, kLeaderSpaceSlack)) {
    return std::nullopt;
  }
  for (const Variant* v : {&kNrc17, &kNrc16}) {
    const int count = Bits(*v);
    // The first bit is always a one: its mark follows the leader's space.
    // The run must end after the last bit, so a 16-bit read refuses a
    // 17-bit frame and the other way round.
    const std::optional<HalfBitRun> run =
        HalfBits(d, 2, kUnit, 2, static_cast<size_t>(2 * count));
    if (!run) continue;
    uint32_t bits = 0;
    bool valid = true;
    for (int i = 0; i < count && valid; ++i) {
      const uint8_t a = run->levels[static_cast<size_t>(2 * i)];
      const uint8_t b = run->levels[static_cast<size_t>(2 * i + 1)];
      if (a == b) valid = false;
      if (a == 1) bits |= 1u << i;
    }
    if (!valid || (bits & 1u) == 0) return std::nullopt;
    DecodedFrame out;
    out.protocol = v->name;
    out.used = run->used;
    if (bits == StartBits(*v)) {
      out.repeat = true;
    } else {
      out.command = (bits >> 1) & 0xFFu;
      out.address = bits >> 9;
    }
    return out;
  }
  return std::nullopt;
}

}  // namespace tvq31::ir
