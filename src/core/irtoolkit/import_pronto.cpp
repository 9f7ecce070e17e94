// Pronto hex, learned form: "0000 FREQ ONCE REPEAT" then ONCE + REPEAT pairs
// of mark and space counts, all four-digit hexadecimal words. FREQ gives the
// carrier period in units of 0.241246 µs; every count is in carrier periods.
#include <cmath>
#include <numeric>

#include "hextext/hextext.h"
#include "irtoolkit/encoding.h"
#include "irtoolkit/irtoolkit.h"
#include "irtoolkit/textutil.h"

namespace tvq31 {

namespace {
constexpr double kProntoClockUs = 0.241246;

uint64_t FramesLength(const std::vector<SignalFrame>& frames) {
  uint64_t total = 0;
  for (const SignalFrame& f : frames) {
    total += std::accumulate(f.durations.begin(), f.durations.end(), uint64_t{0}) + f.gap;
  }
  return total;
}
}  // namespace

std::optional<Signal> ParsePronto(std::string_view text, uint32_t hold_ms, std::string* error) {
  if (hold_ms > kMaxHoldMs) {
    ir::SetError(error, "hold time " + std::to_string(hold_ms) + " ms is longer than " +
                            std::to_string(kMaxHoldMs) + " ms");
    return std::nullopt;
  }
  std::vector<uint32_t> words;
  size_t word_no = 0;
  for (std::string_view line : ir::SplitLines(text)) {
    for (std::string_view w : ir::Words(ir::Trim(line))) {
      ++word_no;
      if (w.size() != 4 || !IsHexText(w)) {
        ir::SetError(error, "Pronto word " + std::to_string(word_no) + " \"" +
                                std::string(w.substr(0, 12)) + "\" is not four hexadecimal digits");
        return std::nullopt;
      }
      words.push_back(static_cast<uint32_t>(*ReadHexNumber(w)));
    }
  }
  if (words.size() < 4) {
    ir::SetError(error, "Pronto code needs at least four words");
    return std::nullopt;
  }
  if (words[0] != 0) {
    ir::SetError(error, "Pronto code of type " + WriteHex(words[0], 4) +
                            " is not a learned code (0000)");
    return std::nullopt;
  }
  if (words[1] == 0) {
    ir::SetError(error, "Pronto frequency word is zero");
    return std::nullopt;
  }
  const size_t once = words[2];
  const size_t repeat = words[3];
  if (once + repeat == 0) {
    ir::SetError(error, "Pronto code has no burst pairs");
    return std::nullopt;
  }
  const size_t expected = 4 + 2 * (once + repeat);
  if (words.size() != expected) {
    ir::SetError(error, "Pronto code announces " + std::to_string(expected) + " words but has " +
                            std::to_string(words.size()));
    return std::nullopt;
  }
  const double period_us = words[1] * kProntoClockUs;
  const uint32_t carrier = static_cast<uint32_t>(std::lround(1e6 / period_us));
  const auto durations = [&](size_t first, size_t pairs) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < 2 * pairs; ++i) {
      out.push_back(static_cast<uint32_t>(std::llround(words[first + i] * period_us)));
    }
    return out;
  };
  const Signal once_part = SignalFromDurations(carrier, durations(4, once));
  const Signal repeat_part = SignalFromDurations(carrier, durations(4 + 2 * once, repeat));

  Signal signal;
  signal.carrier_hz = carrier;
  signal.frames = once > 0 ? once_part.frames : repeat_part.frames;
  const uint64_t unit = FramesLength(repeat_part.frames);
  if (repeat == 0 || unit == 0) return signal;
  uint64_t start = FramesLength(signal.frames);
  const uint64_t hold_us = uint64_t{hold_ms} * 1000;
  while (start < hold_us) {
    signal.frames.insert(signal.frames.end(), repeat_part.frames.begin(), repeat_part.frames.end());
    start += unit;
  }
  return signal;
}

}  // namespace tvq31
