// XMP (cable and satellite boxes): 38 kHz; each 4-bit nibble is a 210 µs
// mark and a space of 760 + 136 × n µs, most significant nibble first. A
// press sends two frames of eight nibbles and a 210 µs stop mark each:
//   first:  S high, C1, S low, 15, OEM (2 nibbles), D (2 nibbles); 13.8 ms
//   second: S high, C2, T, S low, F (4 nibbles); 80.4 ms
// C1 and C2 make the nibbles of their frame sum to 0 mod 16. T is 0 in the
// first pair and 8 in the pairs sent while the key is held.
//
// Values: the first frame's address is (S << 16) | (OEM << 8) | D, its
// command 0; the second's address is S << 16, its command F (T is not a
// value). The encoder takes address (S << 16) | (OEM << 8) | D and
// command F.
#include <array>

#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kMark = 210;
constexpr uint32_t kZeroSpace = 760;
constexpr uint32_t kStep = 136;
constexpr uint32_t kInnerGap = 13800;
constexpr uint32_t kGap = 80400;
constexpr int kNibbles = 8;

using Nibbles = std::array<uint32_t, kNibbles>;

// The nibble that makes the frame's nibbles sum to 0 mod 16.
uint32_t Check(const Nibbles& n, size_t at) {
  uint32_t sum = 0;
  for (size_t i = 0; i < n.size(); ++i) {
    if (i != at) sum += n[i];
  }
  return (16 - sum % 16) % 16;
}

SignalFrame Frame(const Nibbles& n, uint32_t gap) {
  FrameBuilder f;
  for (uint32_t v : n) f.DistanceBit(false, kMark, kZeroSpace + kStep * v, 0);
  f.Mark(kMark);
  return f.Finish(gap);
}
}  // namespace

std::optional<Press> EncodeXmp(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  if (!FitsBits(address, 24, protocol, "address", error) ||
      !FitsBits(command, 16, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t s = address >> 16, oem = (address >> 8) & 0xFF, d = address & 0xFF;
  Nibbles first = {s >> 4, 0, s & 15, 15, oem >> 4, oem & 15, d >> 4, d & 15};
  first[1] = Check(first, 1);
  auto second = [&](uint32_t t) {
    Nibbles n = {s >> 4, 0, t, s & 15, command >> 12, (command >> 8) & 15, (command >> 4) & 15,
                 command & 15};
    n[1] = Check(n, 1);
    return Frame(n, kGap);
  };
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {Frame(first, kInnerGap), second(0)};
  press.repeat = {Frame(first, kInnerGap), second(8)};
  return press;
}

std::optional<DecodedFrame> DecodeXmp(std::span<const uint32_t> durations, uint32_t gap_after,
                                      uint32_t /*carrier_hz*/) {
  if (durations.size() < 2 * kNibbles + 1) return std::nullopt;
  Nibbles n{};
  for (size_t i = 0; i < kNibbles; ++i) {
    const uint32_t mark = durations[2 * i];
    if (mark < 100 || mark > 420) return std::nullopt;
    // A nibble is read from mark + space: a receiver lengthens the mark by
    // what it takes from the space, the sum keeps the sender's timing.
    const uint64_t total = uint64_t{mark} + durations[2 * i + 1];
    const uint64_t base = kMark + kZeroSpace;
    if (total + kStep / 2 < base) return std::nullopt;
    const uint64_t v = (total + kStep / 2 - base) / kStep;
    const uint64_t nominal = base + v * kStep;
    const uint64_t off = total > nominal ? total - nominal : nominal - total;
    if (v > 15 || off > kStep * 2 / 5) return std::nullopt;
    n[i] = static_cast<uint32_t>(v);
  }
  const uint32_t stop = durations[2 * kNibbles];
  if (stop < 100 || stop > 420) return std::nullopt;
  // The stop mark ends the frame: silence follows, or nothing.
  if (durations.size() > 2 * kNibbles + 1 && durations[2 * kNibbles + 1] < 5000) return std::nullopt;
  uint32_t sum = 0;
  for (uint32_t v : n) sum += v;
  if (sum % 16 != 0) return std::nullopt;
  DecodedFrame out;
  out.protocol = "XMP";
  out.used = 2 * kNibbles + 1;
  const uint64_t s_high = n[0];
  // Which frame: the first has 15 as its fourth nibble, the second 0 or 8
  // (T) as its third. Both can hold at once (S low 0 or 8 in a first frame,
  // S low 15 in a second); the silence after the frame decides then: 13.8 ms
  // after the first, 80 ms after the second.
  const bool can_be_first = n[3] == 15;
  const bool can_be_second = n[2] == 0 || n[2] == 8;
  bool first = can_be_first;
  if (can_be_first && can_be_second && gap_after >= 40000) first = false;
  if (first) {
    out.address = (s_high << 20) | (uint64_t{n[2]} << 16) | (n[4] << 12) | (n[5] << 8) |
                  (n[6] << 4) | n[7];
    return out;
  }
  if (can_be_second) {
    // T is left out: the pairs sent while the key is held say the same.
    out.address = (s_high << 20) | (uint64_t{n[3]} << 16);
    out.command = (n[4] << 12) | (n[5] << 8) | (n[6] << 4) | n[7];
    return out;
  }
  return std::nullopt;
}

}  // namespace tvq31::ir
