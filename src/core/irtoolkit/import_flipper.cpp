// Flipper .ir files: "Filetype: IR signals file", "Version: 1", then one
// block of "key: value" lines per key, each block starting with "name:".
// Lines starting with '#' are comments.
#include <charconv>

#include "hextext/hextext.h"
#include "irtoolkit/encoding.h"
#include "irtoolkit/irtoolkit.h"
#include "irtoolkit/textutil.h"

namespace tvq31 {

namespace {

// "04 00 00 00": up to four bytes, little-endian.
std::optional<uint32_t> ParseLeBytes(std::string_view value) {
  const std::vector<std::string_view> words = ir::Words(value);
  if (words.empty() || words.size() > 4) return std::nullopt;
  uint32_t result = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i].size() != 2 || !IsHexText(words[i])) return std::nullopt;
    const uint32_t byte =
        static_cast<uint32_t>(HexDigitValue(words[i][0]) * 16 + HexDigitValue(words[i][1]));
    result |= byte << (8 * i);
  }
  return result;
}

std::optional<double> ParseReal(std::string_view text) {
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

void Flag(IrEntry& entry, size_t line, std::string_view message) {
  if (entry.error.empty()) entry.error = ir::AtLine(line, message);
}

}  // namespace

std::optional<std::vector<IrEntry>> ParseFlipperIr(std::string_view text, std::string* error) {
  const std::vector<std::string_view> lines = ir::SplitLines(text);
  std::vector<IrEntry> entries;
  bool have_filetype = false;
  // Which keys the current entry has seen.
  bool seen_type = false, seen_protocol = false, seen_address = false, seen_command = false,
       seen_frequency = false, seen_data = false;

  const auto finish_entry = [&]() {
    if (entries.empty()) return;
    IrEntry& e = entries.back();
    const size_t at = static_cast<size_t>(e.line);
    if (!seen_type) {
      Flag(e, at, "entry \"" + e.name + "\" has no type");
    } else if (e.parsed && !(seen_protocol && seen_address && seen_command)) {
      Flag(e, at, "parsed entry \"" + e.name + "\" needs protocol, address and command");
    } else if (!e.parsed && !(seen_frequency && seen_data)) {
      Flag(e, at, "raw entry \"" + e.name + "\" needs frequency and data");
    } else if (!e.parsed && e.raw.empty()) {
      Flag(e, at, "raw entry \"" + e.name + "\" has no durations");
    }
  };

  for (size_t n = 0; n < lines.size(); ++n) {
    const size_t line_no = n + 1;
    const std::string_view line = ir::Trim(lines[n]);
    if (line.empty() || line.front() == '#') continue;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      if (!entries.empty()) {
        Flag(entries.back(), line_no, "expected \"key: value\"");
        continue;
      }
      ir::SetError(error, ir::AtLine(line_no, "expected \"key: value\""));
      return std::nullopt;
    }
    const std::string_view key = ir::Trim(line.substr(0, colon));
    const std::string_view value = ir::Trim(line.substr(colon + 1));

    if (key == "Filetype") {
      if (value != "IR signals file" && value != "IR library file") {
        ir::SetError(error, ir::AtLine(line_no, "not an IR signals file: \"" + std::string(value) + "\""));
        return std::nullopt;
      }
      have_filetype = true;
      continue;
    }
    if (key == "Version") continue;
    if (!have_filetype) {
      ir::SetError(error, ir::AtLine(line_no, "missing \"Filetype: IR signals file\""));
      return std::nullopt;
    }
    if (key == "name") {
      finish_entry();
      entries.emplace_back();
      entries.back().name = std::string(value);
      entries.back().line = static_cast<int>(line_no);
      seen_type = seen_protocol = seen_address = seen_command = seen_frequency = seen_data = false;
      continue;
    }
    if (entries.empty()) {
      ir::SetError(error, ir::AtLine(line_no, "\"" + std::string(key) + "\" before the first name"));
      return std::nullopt;
    }
    IrEntry& e = entries.back();
    if (key == "type") {
      seen_type = true;
      if (value == "parsed") {
        e.parsed = true;
      } else if (value == "raw") {
        e.parsed = false;
      } else {
        Flag(e, line_no, "unknown type \"" + std::string(value) + "\"");
      }
    } else if (key == "protocol") {
      seen_protocol = true;
      e.protocol = std::string(value);
    } else if (key == "address" || key == "command") {
      const std::optional<uint32_t> number = ParseLeBytes(value);
      if (!number) {
        Flag(e, line_no, "bad " + std::string(key) + " \"" + std::string(value) + "\"");
      } else if (key == "address") {
        seen_address = true;
        e.address = *number;
      } else {
        seen_command = true;
        e.command = *number;
      }
    } else if (key == "frequency") {
      const std::optional<uint32_t> hz = ir::ParseDecimal(value);
      if (!hz) {
        Flag(e, line_no, "bad frequency \"" + std::string(value) + "\"");
      } else {
        seen_frequency = true;
        e.frequency = *hz;
      }
    } else if (key == "duty_cycle") {
      const std::optional<double> duty = ParseReal(value);
      if (!duty || !(*duty >= 0.0 && *duty <= 1.0)) {
        Flag(e, line_no, "bad duty_cycle \"" + std::string(value) + "\"");
      } else {
        e.duty_cycle = *duty;
      }
    } else if (key == "data") {
      seen_data = true;
      for (std::string_view word : ir::Words(value)) {
        const std::optional<uint32_t> us = ir::ParseDecimal(word);
        if (!us) {
          Flag(e, line_no, "bad duration \"" + std::string(word.substr(0, 20)) + "\"");
          break;
        }
        e.raw.push_back(*us);
      }
    }
    // Other keys are ignored: later file versions may add some.
  }
  finish_entry();
  if (!have_filetype) {
    ir::SetError(error, "missing \"Filetype: IR signals file\"");
    return std::nullopt;
  }
  return entries;
}

std::optional<Signal> EntrySignal(const IrEntry& entry, uint32_t hold_ms, std::string* error) {
  if (!entry.error.empty()) {
    ir::SetError(error, entry.error);
    return std::nullopt;
  }
  if (entry.parsed) {
    std::string why;
    std::optional<Signal> signal =
        EncodeProtocol(entry.protocol, entry.address, entry.command, hold_ms, &why);
    if (!signal) ir::SetError(error, ir::AtLine(static_cast<size_t>(entry.line), why));
    return signal;
  }
  return SignalFromDurations(entry.frequency, entry.raw);
}

}  // namespace tvq31
