// LIRC mode2 text, as `mode2` prints what a receiver saw: "pulse N" and
// "space N" lines in microseconds, "timeout N" for the silence that ends a
// recording and an optional "carrier N".
#include <algorithm>

#include "irtoolkit/encoding.h"
#include "irtoolkit/irtoolkit.h"
#include "irtoolkit/textutil.h"

namespace tvq31 {

namespace {
constexpr uint32_t kLircDefaultCarrier = 38000;
}

std::optional<Signal> ParseMode2(std::string_view text, std::string* error) {
  uint32_t carrier = kLircDefaultCarrier;
  std::vector<uint32_t> durations;  // alternating, mark first
  bool last_is_pulse = false;
  const std::vector<std::string_view> lines = ir::SplitLines(text);
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string_view line = ir::Trim(lines[n]);
    if (line.empty() || line.front() == '#') continue;
    const std::vector<std::string_view> words = ir::Words(line);
    if (words.size() != 2) {
      ir::SetError(error, ir::AtLine(n + 1, "expected \"pulse N\", \"space N\" or \"carrier N\""));
      return std::nullopt;
    }
    const std::optional<uint32_t> value = ir::ParseDecimal(words[1]);
    if (!value) {
      ir::SetError(error, ir::AtLine(n + 1, "bad number \"" + std::string(words[1].substr(0, 20)) + "\""));
      return std::nullopt;
    }
    const std::string_view kind = words[0];
    if (kind == "carrier") {
      carrier = *value;
      continue;
    }
    const bool pulse = kind == "pulse";
    if (!pulse && kind != "space" && kind != "timeout") {
      ir::SetError(error, ir::AtLine(n + 1, "unknown line kind \"" + std::string(kind.substr(0, 20)) + "\""));
      return std::nullopt;
    }
    if (*value == 0) continue;
    if (durations.empty() && !pulse) continue;  // silence before the first pulse
    if (!durations.empty() && last_is_pulse == pulse) {
      const uint64_t sum = uint64_t{durations.back()} + *value;
      durations.back() = static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX));
    } else {
      durations.push_back(*value);
    }
    last_is_pulse = pulse;
  }
  if (durations.empty()) {
    ir::SetError(error, "no pulse in the mode2 text");
    return std::nullopt;
  }
  return SignalFromDurations(carrier, durations);
}

std::optional<ImportFormat> GuessImportFormat(std::string_view text) {
  bool all_hex_words = true;
  bool any_word = false;
  std::string_view first_word;
  for (std::string_view raw : ir::SplitLines(text)) {
    const std::string_view line = ir::Trim(raw);
    if (line.substr(0, 9) == "Filetype:") return ImportFormat::kFlipper;
    if (line.substr(0, 5) == "pulse" || line.substr(0, 5) == "space") return ImportFormat::kMode2;
    for (std::string_view w : ir::Words(line)) {
      if (!any_word) first_word = w;
      any_word = true;
      if (w.size() != 4 || w.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        all_hex_words = false;
      }
    }
  }
  if (any_word && all_hex_words && first_word == "0000") return ImportFormat::kPronto;
  return std::nullopt;
}

}  // namespace tvq31
