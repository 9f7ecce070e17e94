#include "transmitter/signalformat.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "hextext/hextext.h"

namespace tvq31 {
namespace {

// Appends " " and the text. Built by appending rather than with `" " + text`:
// GCC 12 at -O3 reports a false -Wrestrict overlap inside that operator+.
void AppendItem(std::string& out, std::string_view text) {
  out += ' ';
  out += text;
}

void AppendNumber(std::string& out, uint32_t value) { AppendItem(out, std::to_string(value)); }

}  // namespace

std::string FlipperRawEntry(const Signal& signal, std::string_view name) {
  std::string out = "name: ";
  out += name;
  out += "\ntype: raw\nfrequency: ";
  out += std::to_string(signal.carrier_hz);
  out += "\nduty_cycle: 0.330000\ndata:";
  for (size_t i = 0; i < signal.frames.size(); ++i) {
    const SignalFrame& f = signal.frames[i];
    for (uint32_t d : f.durations) AppendNumber(out, d);
    if (i + 1 < signal.frames.size()) AppendNumber(out, f.gap);
  }
  out += "\n";
  return out;
}

std::string FlipperRawFile(const Signal& signal, std::string_view name) {
  return "Filetype: IR signals file\nVersion: 1\n#\n" + FlipperRawEntry(signal, name);
}

std::string ProntoHex(const Signal& signal) {
  if (signal.frames.empty()) return {};
  const bool modulated = signal.carrier_hz > 0;
  // The carrier word counts units of 0.241246 us per carrier period.
  const double hz = modulated ? signal.carrier_hz : 38000.0;
  const long word = std::clamp<long>(std::lround(1000000.0 / (hz * 0.241246)), 1, 0xFFFF);
  const double cycle_hz = 1000000.0 / (word * 0.241246);

  std::vector<uint32_t> times;
  for (const SignalFrame& f : signal.frames) {
    for (size_t k = 0; k < f.durations.size(); ++k) {
      // A space before the frame's end merges with a following gap.
      if (k % 2 == 1 && times.size() % 2 == 0) {
        times.back() += f.durations[k];
      } else {
        times.push_back(f.durations[k]);
      }
    }
    if (times.size() % 2 == 1) {
      times.push_back(f.gap);
    } else {
      times.back() += f.gap;
    }
  }
  std::string out = modulated ? "0000" : "0100";
  AppendItem(out, WriteHex(word, 4));
  AppendItem(out, WriteHex(static_cast<int64_t>(times.size() / 2), 4));
  out += " 0000";
  for (uint32_t t : times) {
    const long cycles = std::clamp<long>(std::lround(t * cycle_hz / 1000000.0), 1, 0xFFFF);
    AppendItem(out, WriteHex(cycles, 4));
  }
  return out;
}

}  // namespace tvq31
