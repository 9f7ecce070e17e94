// Philips RC6: a leader of 6t mark and 2t space (t = 444 µs), the start
// bit 1, three mode bits, the double-length trailer bit, then the data,
// most significant bit first. In RC6 a 1 is a mark then a space, a 0 a
// space then a mark.
//
// Mode 0 ("RC6"): 8 address and 8 command bits; the trailer bit is the
// toggle; the frame again every 107 ms while the key is held.
// Mode 6 (6A), the form of cable and satellite boxes and media-centre
// remotes: a customer code, then the command in the last 8 bits:
//   RC6-6-20  address 12 bits (device 8, subdevice 4), 100 ms after each frame
//   RC6-6-24  address 16 bits (device 8, subdevice 8), 100 ms after each frame
//   RC6-6-32  address 24 bits, every 107 ms
//   MCE       the 32-bit form whose customer code starts with 0x80: the
//             address is the second customer byte and the 7 device bits
//             ((OEM2 << 8) | device); bit 15 of the data is the toggle,
//             which is not part of the values. Every 107 ms.
// In mode 6 the trailer bit is sent 0.
#include <array>

#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 36000;
constexpr uint32_t kUnit = 444;
constexpr uint32_t kLeaderMark = 2666;
constexpr uint32_t kLeaderSpace = 889;
constexpr uint32_t kPeriod = 107000;
constexpr uint32_t kMode6Gap = 100000;
constexpr uint32_t kMinGap = 2666;
constexpr uint32_t kMceOem = 0x80;

void Bit(FrameBuilder& frame, bool one, uint32_t half) {
  if (one) {
    frame.Mark(half);
    frame.Space(half);
  } else {
    frame.Space(half);
    frame.Mark(half);
  }
}

// Data bits of a protocol name; 0 for a name that is not RC6.
int DataBits(std::string_view protocol) {
  if (protocol == "RC6") return 16;
  if (protocol == "RC6-6-20") return 20;
  if (protocol == "RC6-6-24") return 24;
  if (protocol == "RC6-6-32" || protocol == "MCE") return 32;
  return 0;
}

bool Within(uint32_t d, uint32_t nominal, uint32_t slack) {
  return (d > nominal ? d - nominal : nominal - d) <= slack;
}
}  // namespace

std::optional<Press> EncodeRc6(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  const int bits = DataBits(protocol);
  if (bits == 0) {
    SetError(error, "unknown RC6 form " + std::string(protocol));
    return std::nullopt;
  }
  const bool mce = protocol == "MCE";
  const int address_bits = mce ? 16 : bits - 8;
  if (!FitsBits(address, address_bits, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  if (mce && (address & 0x80u) != 0) {
    SetError(error, "MCE address bit 7 is the toggle and must be 0");
    return std::nullopt;
  }
  const bool toggle = false;
  const int mode = bits == 16 ? 0 : 6;
  uint64_t data = (uint64_t{address} << 8) | command;
  if (mce) data |= uint64_t{kMceOem} << 24;
  FrameBuilder frame;
  frame.Mark(kLeaderMark);
  frame.Space(kLeaderSpace);
  Bit(frame, true, kUnit);  // start bit
  for (int i = 2; i >= 0; --i) Bit(frame, ((mode >> i) & 1) != 0, kUnit);
  Bit(frame, mode == 0 && toggle, 2 * kUnit);  // trailer bit
  for (int bit = bits - 1; bit >= 0; --bit) Bit(frame, ((data >> bit) & 1U) != 0, kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  const bool gap_form = bits == 20 || bits == 24;
  press.first = {gap_form ? frame.Finish(kMode6Gap) : frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeRc6(std::span<const uint32_t> durations, uint32_t /*gap_after*/,
                                      uint32_t /*carrier_hz*/) {
  // The leader: 6t within one t (receivers lengthen it), 2t within t/2
  // (RC5's double half bit is 1778, a 2t space is 889).
  if (durations.size() < 3 || !Within(durations[0], kLeaderMark, kUnit) ||
      !Within(durations[1], kLeaderSpace, kUnit * 2 / 3)) {
    return std::nullopt;
  }
  // Start bit, mode, trailer: 12 half bits; then 2 per data bit. Runs of up
  // to 3t occur where the trailer meets its neighbours.
  constexpr std::array<int, 4> kLengths = {16, 20, 24, 32};
  for (int bits : kLengths) {
    std::optional<HalfBitRun> run = HalfBits(durations, 2, kUnit, 3, 12 + 2 * static_cast<size_t>(bits));
    if (!run) continue;
    const std::vector<uint8_t>& h = run->levels;
    auto bit_at = [&](size_t half) -> int {
      if (h[half] == h[half + 1]) return -1;
      return h[half] == 1 ? 1 : 0;
    };
    if (bit_at(0) != 1) return std::nullopt;  // start bit
    int mode = 0;
    for (size_t i = 0; i < 3; ++i) {
      const int b = bit_at(2 + 2 * i);
      if (b < 0) return std::nullopt;
      mode = (mode << 1) | b;
    }
    // The trailer bit: two halves of carrier then two of silence, or the
    // other way round.
    if (h[8] != h[9] || h[10] != h[11] || h[8] == h[10]) return std::nullopt;
    uint64_t data = 0;
    for (int i = 0; i < bits; ++i) {
      const int b = bit_at(12 + 2 * static_cast<size_t>(i));
      if (b < 0) return std::nullopt;
      data = (data << 1) | static_cast<uint64_t>(b);
    }
    if ((bits == 16) != (mode == 0) || (mode != 0 && mode != 6)) return std::nullopt;
    DecodedFrame out;
    out.used = run->used;
    out.command = data & 0xFFu;
    if (bits == 32 && (data >> 24) == kMceOem) {
      out.protocol = "MCE";
      out.address = (data >> 8) & 0xFF7Fu;  // without the toggle
    } else {
      out.protocol = bits == 16 ? "RC6" : "RC6-6-" + std::to_string(bits);
      out.address = data >> 8;
    }
    return out;
  }
  return std::nullopt;
}

}  // namespace tvq31::ir
