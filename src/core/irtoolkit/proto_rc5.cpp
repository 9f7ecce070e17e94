// Philips RC5 and RC5X: 14 bi-phase bits of 2 x 889 µs, most significant
// first: two start bits, the toggle bit, 5 address bits, 6 command bits.
// A 1 is a space then a mark, a 0 a mark then a space; the first start bit's
// leading space is invisible, so the frame begins with a mark. RC5X carries
// the 7th command bit inverted in the second start bit. The frame repeats
// every 113.8 ms (64 bit times) while the key is held, with the same toggle.
//
// The bi-phase reader below (HalfBits) is shared with RC6 and TDC.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 36000;
constexpr uint32_t kHalfBit = 889;
constexpr uint32_t kPeriod = 113778;
constexpr uint32_t kMinGap = 10000;
constexpr int kBits = 14;
}  // namespace

std::optional<HalfBitRun> HalfBits(std::span<const uint32_t> durations, size_t first,
                                   uint32_t unit, int max_units, size_t wanted) {
  // A duration of n half bits lies within 40 % of a half bit of n halves:
  // wide enough for remotes a few percent off and for a receiver's
  // lengthened marks and shortened spaces, narrow enough that the 500 µs
  // halves of other bi-phase codes do not pass for RC5's 889.
  return HalfBits(durations, first, unit, max_units, wanted, unit * 2 / 5);
}

std::optional<HalfBitRun> HalfBits(std::span<const uint32_t> durations, size_t first,
                                   uint32_t unit, int max_units, size_t wanted, uint32_t slack) {
  HalfBitRun run;
  run.used = first;
  const uint32_t longest = static_cast<uint32_t>(max_units) * unit + slack;
  for (size_t i = first; i < durations.size(); ++i) {
    const bool mark = (i % 2) == 0;
    const uint64_t d = durations[i];  // 64 bits: no overflow for any measured duration
    const uint64_t n = (d + unit / 2) / unit;
    const bool fits = n >= 1 && n <= static_cast<uint64_t>(max_units) &&
                      (d > n * unit ? d - n * unit : n * unit - d) <= slack;
    const size_t room = wanted - run.levels.size();
    if (!mark && room == 1) {
      // The last half bit is silence: this space closes the frame, the
      // rest of it is the gap (or the silence before a joined frame).
      if (d + slack < unit) return std::nullopt;
      if (d <= longest && i + 1 < durations.size()) return std::nullopt;  // the frame goes on
      run.levels.push_back(0);
      run.used = i;
      return run;
    }
    if (!fits || n > room) return std::nullopt;
    run.levels.insert(run.levels.end(), static_cast<size_t>(n), mark ? 1 : 0);
    if (mark) run.used = i + 1;
    if (run.levels.size() == wanted) {
      // The frame ends on this mark: what follows must be silence longer
      // than any run inside a frame.
      if (i + 1 < durations.size() && durations[i + 1] <= longest) return std::nullopt;
      return run;
    }
  }
  // The durations ran out: a frame whose last half bit is silence ends on
  // the mark before it.
  if (run.levels.size() + 1 == wanted && !run.levels.empty() && run.levels.back() == 1) {
    run.levels.push_back(0);
    return run;
  }
  return std::nullopt;
}

std::optional<Press> EncodeRc5(std::string_view protocol, uint32_t address, uint32_t command,
                               std::string* error) {
  const bool extended = protocol == "RC5X";
  if (!FitsBits(address, 5, protocol, "address", error) ||
      !FitsBits(command, extended ? 7 : 6, protocol, "command", error)) {
    return std::nullopt;
  }
  const bool second_start = extended ? ((command >> 6) & 1U) == 0 : true;
  const bool toggle = false;
  // 14 bits, most significant first.
  const uint32_t data = (1u << 13) | (uint32_t{second_start} << 12) | (uint32_t{toggle} << 11) |
                        (address << 6) | (command & 0x3Fu);
  FrameBuilder frame;
  for (int bit = kBits - 1; bit >= 0; --bit) {
    if ((data >> bit) & 1U) {
      frame.Space(kHalfBit);
      frame.Mark(kHalfBit);
    } else {
      frame.Mark(kHalfBit);
      frame.Space(kHalfBit);
    }
  }
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeRc5(std::span<const uint32_t> durations, uint32_t /*gap_after*/,
                                      uint32_t /*carrier_hz*/) {
  // The first start bit's space is not seen: the frame's first half bit is
  // silence before the first mark.
  std::optional<HalfBitRun> run = HalfBits(durations, 0, kHalfBit, 2, 2 * kBits - 1);
  if (!run) return std::nullopt;
  uint32_t data = 0;
  // levels[0] is the second half of the first start bit (a mark: a 1).
  for (int bit = 1; bit < kBits; ++bit) {
    const uint8_t a = run->levels[2 * bit - 1];
    const uint8_t b = run->levels[2 * bit];
    if (a == b) return std::nullopt;
    data = (data << 1) | (b == 1 ? 1u : 0u);
  }
  // data now holds the 13 bits after the first start bit.
  const bool second_start = ((data >> 12) & 1U) != 0;
  DecodedFrame out;
  out.protocol = second_start ? "RC5" : "RC5X";
  out.address = (data >> 6) & 0x1Fu;
  out.command = (data & 0x3Fu) | (second_start ? 0u : 0x40u);
  out.used = run->used;
  return out;
}

}  // namespace tvq31::ir
