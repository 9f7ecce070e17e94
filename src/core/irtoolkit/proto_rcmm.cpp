// Philips RC-MM (set-top boxes, media players): 36 kHz; a 416.7 µs mark
// and a 277.8 µs space as the header, then 2-bit symbols, most significant
// first, each a 166.7 µs mark and a space of 277.8, 444.4, 611.1 or
// 777.8 µs (00, 01, 10, 11), and a 166.7 µs stop mark. Frames of 12, 24 and
// 32 bits (6, 12 and 16 symbols), repeated every 28 ms while the key is
// held. Nokia's remotes send frames of the same shape and timing; they read
// as RC-MM of their length.
//
// Values: the command is the last 8 bits, the address the bits before.
#include <cmath>
#include <cstdlib>

#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 36000;
constexpr double kUnit = 166.667;
constexpr uint32_t kHeaderMark = 417;
constexpr uint32_t kHeaderSpace = 278;
constexpr uint32_t kMark = 167;
constexpr uint32_t kPeriod = 27778;
constexpr uint32_t kMinGap = 5000;

int BitsOf(std::string_view protocol) {
  if (protocol == "RCMM12") return 12;
  if (protocol == "RCMM24") return 24;
  if (protocol == "RCMM32") return 32;
  return 0;
}

// Mark plus space of symbol `v` (0 to 3): 444.4 + v × 166.7 µs.
uint32_t SymbolLength(uint32_t v) { return static_cast<uint32_t>(kUnit * (2.6667 + v) + 0.5); }
}  // namespace

std::optional<Press> EncodeRcmm(std::string_view protocol, uint32_t address, uint32_t command,
                                std::string* error) {
  const int bits = BitsOf(protocol);
  if (bits == 0) {
    SetError(error, "unknown RC-MM form " + std::string(protocol));
    return std::nullopt;
  }
  if (!FitsBits(address, bits - 8, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t data = (uint64_t{address} << 8) | command;
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  for (int shift = bits - 2; shift >= 0; shift -= 2) {
    const uint32_t v = static_cast<uint32_t>((data >> shift) & 3U);
    frame.Mark(kMark);
    frame.Space(SymbolLength(v) - kMark);
  }
  frame.Mark(kMark);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.FinishPeriod(kPeriod, kMinGap)};
  return press;
}

std::optional<DecodedFrame> DecodeRcmm(std::span<const uint32_t> durations, uint32_t /*gap_after*/,
                                       uint32_t /*carrier_hz*/) {
  auto in = [](uint64_t d, uint64_t lo, uint64_t hi) { return d >= lo && d <= hi; };
  // The header read as mark + space (695 µs), the mark alone loosely: a
  // receiver moves time from the space to the mark.
  if (durations.size() < 3 || !in(durations[0], 250, 650) ||
      !in(uint64_t{durations[0]} + durations[1], 600, 800)) {
    return std::nullopt;
  }
  uint64_t data = 0;
  int symbols = 0;
  size_t i = 2;
  for (;;) {
    if (i >= durations.size() || !in(durations[i], 80, 400)) return std::nullopt;
    // A mark followed by the end of the frame is the stop mark.
    if (i + 1 >= durations.size() || durations[i + 1] > 2000) break;
    const uint64_t total = uint64_t{durations[i]} + durations[i + 1];
    const double steps = (static_cast<double>(total) - kUnit * 2.6667) / kUnit;
    const long v = std::lround(steps);
    if (v < 0 || v > 3 || std::abs(steps - static_cast<double>(v)) > 0.35 || symbols == 16) {
      return std::nullopt;
    }
    data = (data << 2) | static_cast<uint64_t>(v);
    ++symbols;
    i += 2;
  }
  if (symbols != 6 && symbols != 12 && symbols != 16) return std::nullopt;
  DecodedFrame out;
  out.protocol = "RCMM" + std::to_string(symbols * 2);
  out.address = data >> 8;
  out.command = data & 0xFFu;
  out.used = i + 1;
  return out;
}

}  // namespace tvq31::ir
