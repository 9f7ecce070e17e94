#include <algorithm>
#include <sstream>

#include "irtoolkit/irtoolkit.h"

namespace tvq31 {

Signal SignalFromDurations(uint32_t carrier_hz, const std::vector<uint32_t>& durations,
                           uint32_t split_us) {
  // Merge across zero durations first so that marks and spaces alternate.
  std::vector<uint64_t> merged;
  bool mark = true;   // kind of the next duration in `durations`
  bool last_mark = false;
  for (uint32_t d : durations) {
    if (d != 0) {
      if (!merged.empty() && last_mark == mark) {
        merged.back() += d;
      } else if (!merged.empty() || mark) {  // a leading space is dropped
        merged.push_back(d);
        last_mark = mark;
      }
    }
    mark = !mark;
  }

  Signal signal;
  signal.carrier_hz = carrier_hz;
  SignalFrame frame;
  const auto clamp = [](uint64_t v) { return static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX)); };
  for (size_t i = 0; i < merged.size(); ++i) {
    const bool is_mark = (i % 2) == 0;
    if (is_mark) {
      frame.durations.push_back(clamp(merged[i]));
      continue;
    }
    const bool last = i + 1 == merged.size();
    if (merged[i] > split_us || last) {
      frame.gap = clamp(merged[i]);
      signal.frames.push_back(std::move(frame));
      frame = SignalFrame{};
    } else {
      frame.durations.push_back(clamp(merged[i]));
    }
  }
  if (!frame.durations.empty()) {
    frame.gap = signal.frames.empty() ? kDefaultEndGapUs : signal.frames.back().gap;
    signal.frames.push_back(std::move(frame));
  }
  return signal;
}

std::string DescribeSignal(const Signal& signal) {
  std::ostringstream out;
  out << "carrier " << signal.carrier_hz << " Hz, " << signal.frames.size() << " frame"
      << (signal.frames.size() == 1 ? "" : "s") << ", " << SignalLength(signal) << " us\n";
  for (size_t i = 0; i < signal.frames.size(); ++i) {
    const SignalFrame& f = signal.frames[i];
    out << "frame " << (i + 1) << ":";
    for (size_t k = 0; k < f.durations.size(); ++k) {
      out << ' ' << (k % 2 == 0 ? '+' : '-') << f.durations[k];
    }
    out << " gap " << f.gap << '\n';
  }
  return out.str();
}

}  // namespace tvq31
