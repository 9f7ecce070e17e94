// Zenith (TVs): 40 kHz, a 520 µs unit, every mark one unit. The frame is
// built from two symbols of 11 units each: A, a mark and 10 units of
// silence; B, a mark, a unit of silence, a mark and 8 units of silence.
// First a start bit (A for 0, B for 1), then the D bits of the function
// (5 to 8 of them), most significant first, each as a pair: 0 is A B, 1 is
// B A. The last symbol's silence runs into the 90 ms before the next frame.
//
// Values: the protocol names the bit count ("Zenith5" to "Zenith8"), the
// address is the start bit, the command the function. Decode only: there is
// no code style for these frames, so nothing learned needs encoding here.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kUnit = 520;
constexpr uint32_t kMarkSlack = 250;
constexpr uint32_t kShortSlack = 250;
// The two long spaces are 2 units apart: each is taken within 450 µs.
constexpr uint32_t kLongSlack = 450;
constexpr uint32_t kSpaceA = 10 * kUnit;
constexpr uint32_t kSpaceB = 8 * kUnit;
// Longer than any space of the frame: where the frame ends.
constexpr uint32_t kMinTrailer = 20000;
constexpr int kMinBits = 5;
constexpr int kMaxBits = 8;
constexpr int kMaxSymbols = 1 + 2 * kMaxBits;
}  // namespace

std::optional<DecodedFrame> DecodeZenith(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                         uint32_t /*carrier_hz*/) {
  // The symbols (0 for A, 1 for B) up to the end of the frame: the end of
  // the durations or a space of more than any the frame holds.
  uint32_t symbols = 0;
  int count = 0;
  size_t i = 0;
  auto at_end = [&](size_t k) { return k >= d.size() || d[k] >= kMinTrailer; };
  for (;;) {
    if (i >= d.size() || !Near(d[i], kUnit, kMarkSlack) || count == kMaxSymbols) {
      return std::nullopt;
    }
    bool last = false;
    if (at_end(i + 1)) {  // A, its silence in the gap
      symbols <<= 1;
      i += 1;
      last = true;
    } else if (Near(d[i + 1], kSpaceA, kLongSlack)) {
      symbols <<= 1;
      i += 2;
    } else if (Near(d[i + 1], kUnit, kShortSlack)) {
      if (i + 2 >= d.size() || !Near(d[i + 2], kUnit, kMarkSlack)) return std::nullopt;
      symbols = (symbols << 1) | 1u;
      if (at_end(i + 3)) {  // B, its long silence in the gap
        i += 3;
        last = true;
      } else if (Near(d[i + 3], kSpaceB, kLongSlack)) {
        i += 4;
      } else {
        return std::nullopt;
      }
    } else {
      return std::nullopt;
    }
    ++count;
    if (last) break;
  }
  const int bits = (count - 1) / 2;
  if (count % 2 == 0 || bits < kMinBits || bits > kMaxBits) return std::nullopt;
  uint32_t function = 0;
  for (int b = bits - 1; b >= 0; --b) {
    const uint32_t pair = (symbols >> (2 * b)) & 3u;
    if (pair != 1u && pair != 2u) return std::nullopt;  // A A or B B
    function = (function << 1) | (pair == 2u ? 1u : 0u);
  }
  DecodedFrame out;
  out.protocol = "Zenith" + std::to_string(bits);
  out.address = symbols >> (2 * bits);
  out.command = function;
  out.used = i;
  return out;
}

}  // namespace tvq31::ir
