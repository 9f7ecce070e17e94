// Philips RC5 and RC5X: 14 bi-phase bits of 2 x 889 µs, most significant
// first: two start bits, the toggle bit, 5 address bits, 6 command bits.
// A 1 is a space then a mark, a 0 a mark then a space; the first start bit's
// leading space is invisible, so the frame begins with a mark. RC5X carries
// the 7th command bit inverted in the second start bit. The frame repeats
// every 113.8 ms (64 bit times) while the key is held, with the same toggle.
//
// RC5-20 (the protocol database's "RC5x", not Flipper's RC5X) is the
// 20-bit extended form: the start bit, the inverted seventh bit of the
// subdevice S, the toggle, the 5 device bits D, a pause of 4 half bits of
// silence, the low 6 bits of S and the 6 function bits F; the frame starts
// every 114 ms. The address is D, the command S and F in the order they
// are sent (S in the high 7 bits, F in the low 6): S holds the 7-bit
// command in RC5X's places (its seventh bit in the second start bit), F
// extends it.
//
// RC5-7F is the 15-bit form with a seventh function bit: the start bit,
// the inverted sixth device bit, the toggle, the device's low 5 bits and
// 7 function bits, the frame again every 114 ms. The address is the 6-bit
// device, the command the 7-bit function. (StreamZap sends the same 15
// bits, read as the inverted seventh function bit, 6 device and 6 function
// bits; the frames are one, so one name reads them.)
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

// RC5-20: 8 bits, the pause, 12 bits: 44 half bits, the pause's 4 among them.
constexpr uint32_t kPeriod20 = 114000;
constexpr int kBitsBeforePause = 8;
constexpr int kBits20 = 20;
constexpr int kPauseHalves = 4;
constexpr size_t kHalves20 = 2 * kBits20 + kPauseHalves;

// RC5-7F: 15 bits on RC5's half bit.
constexpr uint32_t kPeriod7F = 114000;
constexpr int kBits7F = 15;

// Half bit k of the RC5-20 frame (0 = the first start bit's silent half):
// the position of bit `bit`'s first half, past the pause for the bits
// after it.
constexpr size_t Half20(int bit) {
  return static_cast<size_t>(2 * bit + (bit >= kBitsBeforePause ? kPauseHalves : 0));
}

// Sends `bits` bi-phase bits of `data`, most significant first, and the
// silence to the next frame `period` µs after this one's start. A frame
// with a pause (RC5-20) leaves `pause` µs of silence after its first
// `bits_before_pause` bits.
Press BiPhasePress(uint32_t data, int bits, uint32_t period, int bits_before_pause = 0,
                   uint32_t pause = 0) {
  FrameBuilder frame;
  for (int bit = bits - 1; bit >= 0; --bit) {
    if (pause != 0 && bit == bits - 1 - bits_before_pause) frame.Space(pause);
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
  press.first = {frame.FinishPeriod(period, kMinGap)};
  return press;
}

std::optional<Press> EncodeRc5SevenBit(uint32_t address, uint32_t command, std::string* error) {
  if (!FitsBits(address, 6, "RC5-7F", "address", error) ||
      !FitsBits(command, 7, "RC5-7F", "command", error)) {
    return std::nullopt;
  }
  const bool toggle = false;
  const uint32_t data = (1u << 14) | (uint32_t{((address >> 5) & 1U) == 0} << 13) |
                        (uint32_t{toggle} << 12) | ((address & 0x1Fu) << 7) | command;
  return BiPhasePress(data, kBits7F, kPeriod7F);
}

// The 15-bit frame: as RC5, one bit longer.
std::optional<DecodedFrame> DecodeRc5SevenBit(std::span<const uint32_t> durations) {
  std::optional<HalfBitRun> run = HalfBits(durations, 0, kHalfBit, 2, 2 * kBits7F - 1);
  if (!run) return std::nullopt;
  uint32_t data = 0;
  for (int bit = 1; bit < kBits7F; ++bit) {
    const uint8_t a = run->levels[2 * bit - 1];
    const uint8_t b = run->levels[2 * bit];
    if (a == b) return std::nullopt;
    data = (data << 1) | (b == 1 ? 1u : 0u);
  }
  // data holds the 14 bits after the start bit.
  DecodedFrame out;
  out.protocol = "RC5-7F";
  out.address = (((data >> 13) & 1U) == 0 ? 0x20u : 0u) | ((data >> 7) & 0x1Fu);
  out.command = data & 0x7Fu;
  out.used = run->used;
  return out;
}

std::optional<Press> EncodeRc5Paused(uint32_t address, uint32_t command, std::string* error) {
  if (!FitsBits(address, 5, "RC5-20", "address", error) ||
      !FitsBits(command, 13, "RC5-20", "command", error)) {
    return std::nullopt;
  }
  const uint32_t s = command >> 6;
  const bool toggle = false;
  // 20 bits, most significant first.
  const uint32_t data = (1u << 19) | (uint32_t{((s >> 6) & 1U) == 0} << 18) |
                        (uint32_t{toggle} << 17) | (address << 12) | ((s & 0x3Fu) << 6) |
                        (command & 0x3Fu);
  return BiPhasePress(data, kBits20, kPeriod20, kBitsBeforePause, kPauseHalves * kHalfBit);
}

// The pause joins the half bits of silence next to it, so the space there
// spans 4 to 6 half bits (its own, the last half of a zero before it, the
// first half of a one after it); everywhere else a bit's two halves differ,
// which the bit check below makes sure of.
std::optional<DecodedFrame> DecodeRc5Paused(std::span<const uint32_t> durations) {
  std::optional<HalfBitRun> run = HalfBits(durations, 0, kHalfBit, 2 + kPauseHalves, kHalves20 - 1);
  if (!run) return std::nullopt;
  std::vector<uint8_t> halves(1, 0);  // the silent first half
  halves.insert(halves.end(), run->levels.begin(), run->levels.end());
  for (size_t k = Half20(kBitsBeforePause) - kPauseHalves; k < Half20(kBitsBeforePause); ++k) {
    if (halves[k] != 0) return std::nullopt;
  }
  uint32_t data = 0;
  for (int bit = 0; bit < kBits20; ++bit) {
    const uint8_t a = halves[Half20(bit)];
    const uint8_t b = halves[Half20(bit) + 1];
    if (a == b) return std::nullopt;
    data = (data << 1) | (b == 1 ? 1u : 0u);
  }
  // The first start bit is a one: the frame began with its mark.
  if (((data >> 19) & 1U) == 0) return std::nullopt;
  const uint32_t s = (((data >> 18) & 1U) == 0 ? 0x40u : 0u) | ((data >> 6) & 0x3Fu);
  DecodedFrame out;
  out.protocol = "RC5-20";
  out.address = (data >> 12) & 0x1Fu;
  out.command = (s << 6) | (data & 0x3Fu);
  out.used = run->used;
  return out;
}
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
  if (protocol == "RC5-20") return EncodeRc5Paused(address, command, error);
  if (protocol == "RC5-7F") return EncodeRc5SevenBit(address, command, error);
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
  return BiPhasePress(data, kBits, kPeriod);
}

std::optional<DecodedFrame> DecodeRc5(std::span<const uint32_t> durations, uint32_t /*gap_after*/,
                                      uint32_t /*carrier_hz*/) {
  // The first start bit's space is not seen: the frame's first half bit is
  // silence before the first mark.
  std::optional<HalfBitRun> run = HalfBits(durations, 0, kHalfBit, 2, 2 * kBits - 1);
  // A 14-bit read fails on a 15-bit frame (the frame goes on past its
  // end) and stops at RC5-20's pause (4 half bits of silence).
  if (!run) {
    if (std::optional<DecodedFrame> seven = DecodeRc5SevenBit(durations)) return seven;
    return DecodeRc5Paused(durations);
  }
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
