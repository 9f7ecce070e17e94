// TDC (IPTV set-top box remotes): 18 bi-phase bits, most significant first:
// a start bit (always 1), the 5-bit device, the 5-bit subdevice and the
// 7-bit function. A 1 is a mark then a space, a 0 a space then a mark, so
// the start bit's mark opens the frame and a frame that ends on a 1 loses
// its last half bit in the silence after it. The frame again after 89 ms of
// silence while the key is held; no toggle.
//
//   TDC-38  38 kHz, half bit 315 µs (a frame of 11.3 ms)
//   TDC-56  56.3 kHz, half bit 213 µs
//
// The encoder's address is device × 32 + subdevice (the ten bits as sent),
// its command the function.
#include <algorithm>
#include <vector>

#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
struct Variant {
  std::string_view name;
  uint32_t carrier;
  uint32_t half_bit;
  // A receiver lengthens marks and shortens spaces by up to about 100 µs:
  // a third of TDC-38's half bit, which the nearer of one and two half bits
  // still reads, nearly half of TDC-56's, which needs the frame evened out.
  bool evened;
};
constexpr Variant kVariants[] = {
    {"TDC-38", 38000, 315, false},
    {"TDC-56", 56300, 213, true},
};
constexpr uint32_t kGap = 89000;
constexpr int kBits = 18;  // start bit and 17 data bits
constexpr size_t kHalves = 2 * kBits;
// The two half bits lie within each other's reading windows (a 213 µs
// half-bit run of two is 426 µs, one of 315 is close), so a frame is taken
// by the variant whose half bit its mean half bit is nearer to.
constexpr uint32_t kSplitHalfBit = (315 + 213) / 2;
}  // namespace

std::optional<Press> EncodeTdc(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  const Variant* variant = nullptr;
  for (const Variant& v : kVariants) {
    if (protocol == v.name) variant = &v;
  }
  if (variant == nullptr) {
    SetError(error, std::string(protocol) + " is no TDC protocol");
    return std::nullopt;
  }
  if (!FitsBits(address, 10, protocol, "address", error) ||
      !FitsBits(command, 7, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t data = (1u << 17) | (address << 7) | command;
  FrameBuilder frame;
  for (int bit = kBits - 1; bit >= 0; --bit) {
    if ((data >> bit) & 1U) {
      frame.Mark(variant->half_bit);
      frame.Space(variant->half_bit);
    } else {
      frame.Space(variant->half_bit);
      frame.Mark(variant->half_bit);
    }
  }
  Press press;
  press.carrier_hz = variant->carrier;
  // A last half bit of silence joins the gap: 89 ms plus that half bit.
  press.first = {frame.Finish(kGap)};
  return press;
}

namespace {

// The frame read on variant `v`'s half bit; nullopt when it is none.
std::optional<DecodedFrame> ReadFrame(std::span<const uint32_t> durations, const Variant& v) {
  // Each duration is taken as the nearer of one and two half bits; the
  // count of 36 half bits, the start bit and the mean half bit keep other
  // frames out.
  const std::optional<HalfBitRun> run =
      HalfBits(durations, 0, v.half_bit, 2, kHalves, v.half_bit / 2);
  if (!run || run->levels.size() != kHalves || run->used == 0 || run->used > durations.size()) {
    return std::nullopt;
  }
  // The half bits the durations read stand for: up to the last mark.
  size_t covered = kHalves;
  while (covered > 0 && run->levels[covered - 1] == 0) --covered;
  if (covered == 0) return std::nullopt;
  uint64_t length = 0;
  for (size_t i = 0; i < run->used; ++i) length += durations[i];
  const bool long_half = length / covered >= kSplitHalfBit;
  if (long_half != (v.half_bit > kSplitHalfBit)) return std::nullopt;
  uint32_t data = 0;
  for (size_t bit = 0; bit < static_cast<size_t>(kBits); ++bit) {
    const uint8_t first = run->levels[2 * bit];
    if (first == run->levels[2 * bit + 1]) return std::nullopt;
    data = (data << 1) | first;
  }
  if (((data >> 17) & 1U) == 0) return std::nullopt;
  DecodedFrame out;
  out.protocol = std::string(v.name);
  out.address = (data >> 7) & 0x3FFu;
  out.command = data & 0x7Fu;
  out.used = run->used;
  return out;
}

}  // namespace

std::optional<DecodedFrame> DecodeTdc(std::span<const uint32_t> durations, uint32_t /*gap_after*/,
                                      uint32_t /*carrier_hz*/) {
  constexpr size_t kMaxDurations = kHalves;  // no merged half bits at all
  std::vector<uint32_t> evened;
  for (const Variant& v : kVariants) {
    if (std::optional<DecodedFrame> out = ReadFrame(durations, v)) return out;
    if (!v.evened) continue;
    // Read again with a quarter half bit taken from every mark and given to
    // every space.
    const size_t n = std::min(durations.size(), kMaxDurations + 1);
    evened.assign(durations.begin(), durations.begin() + static_cast<std::ptrdiff_t>(n));
    const uint32_t shift = v.half_bit / 4;
    for (size_t i = 0; i < evened.size(); ++i) {
      if (i % 2 == 0) {
        evened[i] = evened[i] > shift ? evened[i] - shift : 0;
      } else if (evened[i] <= UINT32_MAX - shift) {
        evened[i] += shift;
      }
    }
    if (std::optional<DecodedFrame> out = ReadFrame(evened, v)) return out;
  }
  return std::nullopt;
}

}  // namespace tvq31::ir
