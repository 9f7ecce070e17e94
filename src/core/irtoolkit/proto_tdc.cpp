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
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
struct Variant {
  std::string_view name;
  uint32_t carrier;
  uint32_t half_bit;
};
constexpr Variant kVariants[] = {
    {"TDC-38", 38000, 315},
    {"TDC-56", 56300, 213},
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

std::optional<DecodedFrame> DecodeTdc(std::span<const uint32_t> durations, uint32_t /*gap_after*/,
                                      uint32_t /*carrier_hz*/) {
  for (const Variant& v : kVariants) {
    // Each duration is taken as the nearer of one and two half bits: a
    // receiver lengthens marks and shortens spaces by up to about 100 µs,
    // a third of the 315 µs half bit, and the count of 36 half bits with a
    // start bit and the mean half bit keep other frames out.
    const std::optional<HalfBitRun> run =
        HalfBits(durations, 0, v.half_bit, 2, kHalves, v.half_bit / 2);
    if (!run || run->levels.size() != kHalves || run->used == 0 ||
        run->used > durations.size()) {
      continue;
    }
    // The half bits the durations read stand for: up to the last mark.
    size_t covered = kHalves;
    while (covered > 0 && run->levels[covered - 1] == 0) --covered;
    uint64_t length = 0;
    for (size_t i = 0; i < run->used; ++i) length += durations[i];
    if (covered == 0) continue;
    const uint64_t mean = length / covered;
    const bool long_half = mean >= kSplitHalfBit;
    if (long_half != (v.half_bit > kSplitHalfBit)) continue;
    uint32_t data = 0;
    bool biphase = true;
    for (size_t bit = 0; bit < static_cast<size_t>(kBits); ++bit) {
      const uint8_t first = run->levels[2 * bit];
      if (first == run->levels[2 * bit + 1]) {
        biphase = false;
        break;
      }
      data = (data << 1) | first;
    }
    if (!biphase || ((data >> 17) & 1U) == 0) continue;
    DecodedFrame out;
    out.protocol = std::string(v.name);
    out.address = (data >> 7) & 0x3FFu;
    out.command = data & 0x7Fu;
    out.used = run->used;
    return out;
  }
  return std::nullopt;
}

}  // namespace tvq31::ir
