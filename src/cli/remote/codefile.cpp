#include "remote/codefile.h"

#include <cctype>

#include "hextext/hextext.h"

namespace tvq31::cli {

namespace {

struct Line {
  std::string_view text;
  int number;
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::vector<Line> Lines(std::string_view text) {
  std::vector<Line> lines;
  int number = 0;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    lines.push_back({Trim(text.substr(0, nl)), ++number});
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

bool IsProntoWord(std::string_view word) { return word.size() == 4 && IsHexText(word); }

// True when every blank-separated word of `text` is a Pronto word.
bool AllProntoWords(std::string_view text) {
  bool any = false;
  while (true) {
    text = Trim(text);
    if (text.empty()) return any;
    size_t end = 0;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    if (!IsProntoWord(text.substr(0, end))) return false;
    any = true;
    text.remove_prefix(end);
  }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// Pronto words of one code, counted so that a code that has all the pairs
// its header announces ends by itself, even without a blank line after it.
size_t ProntoWordsExpected(const std::vector<std::string_view>& words) {
  if (words.size() < 4) return 0;
  const auto once = ReadHexNumber(words[2]), repeat = ReadHexNumber(words[3]);
  return 4 + 2 * static_cast<size_t>(*once + *repeat);
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (true) {
    text = Trim(text);
    if (text.empty()) return words;
    size_t end = 0;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    words.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
}

std::vector<NamedSignal> ReadPronto(const std::vector<Line>& lines) {
  std::vector<NamedSignal> codes;
  std::string pending_name;
  std::vector<std::string_view> words;
  NamedSignal current;
  auto finish = [&] {
    if (words.empty()) return;
    std::string joined;
    for (std::string_view w : words) joined += std::string(w) + " ";
    current.signal = ParsePronto(joined, kDefaultHoldMs, &current.error);
    codes.push_back(std::move(current));
    current = NamedSignal{};
    words.clear();
  };
  for (const Line& line : lines) {
    std::string_view text = line.text;
    if (text.empty() || text.front() == '#') {
      finish();
      continue;
    }
    std::string_view name;
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
      name = Trim(text.substr(0, colon));
      text = Trim(text.substr(colon + 1));
    }
    if (!AllProntoWords(text)) {
      // A name on a line of its own.
      finish();
      pending_name = std::string(name.empty() ? text : name);
      continue;
    }
    const size_t expected = ProntoWordsExpected(words);
    if (!name.empty() || (expected > 0 && words.size() >= expected)) finish();
    if (words.empty()) {
      current.line = line.number;
      current.protocol = "raw";
      current.name = !name.empty() ? std::string(name) : pending_name;
      pending_name.clear();
    }
    for (std::string_view w : Words(text)) words.push_back(w);
  }
  finish();
  return codes;
}

std::vector<NamedSignal> ReadMode2(const std::vector<Line>& lines) {
  std::vector<NamedSignal> codes;
  std::string block;
  NamedSignal current;
  bool any_data = false;
  auto finish = [&] {
    if (any_data) {
      current.signal = ParseMode2(block, &current.error);
      codes.push_back(std::move(current));
    }
    current = NamedSignal{};
    current.protocol = "raw";
    block.clear();
    any_data = false;
  };
  current.protocol = "raw";
  for (const Line& line : lines) {
    if (!line.text.empty() && line.text.front() == '#') {
      std::string_view comment = Trim(line.text.substr(1));
      if (StartsWithNoCase(comment, "name:")) {
        finish();
        current.name = std::string(Trim(comment.substr(5)));
        current.line = line.number;
        continue;
      }
    }
    if (!line.text.empty() && line.text.front() != '#') {
      if (!any_data && current.line == 0) current.line = line.number;
      any_data = true;
    }
    block += std::string(line.text) + "\n";
  }
  finish();
  return codes;
}

}  // namespace

std::optional<ImportFormat> GuessCodeFileFormat(std::string_view text) {
  bool pronto = false;
  for (const Line& line : Lines(text)) {
    if (line.text.substr(0, 9) == "Filetype:") return ImportFormat::kFlipper;
    if (StartsWithNoCase(line.text, "pulse") || StartsWithNoCase(line.text, "space")) {
      return ImportFormat::kMode2;
    }
    std::string_view rest = line.text;
    if (const size_t colon = rest.find(':'); colon != std::string_view::npos) {
      rest = Trim(rest.substr(colon + 1));
    }
    if (rest.substr(0, 4) == "0000" && AllProntoWords(rest)) pronto = true;
  }
  if (pronto) return ImportFormat::kPronto;
  return std::nullopt;
}

std::optional<std::vector<NamedSignal>> ReadCodeFile(std::string_view text, ImportFormat format,
                                                     const std::string& fallback_name,
                                                     std::string* error) {
  std::vector<NamedSignal> codes;
  if (format == ImportFormat::kFlipper) {
    const std::optional<std::vector<IrEntry>> entries = ParseFlipperIr(text, error);
    if (!entries) return std::nullopt;
    for (const IrEntry& entry : *entries) {
      NamedSignal code;
      code.name = entry.name;
      code.line = entry.line;
      code.protocol = entry.parsed ? entry.protocol : "raw";
      code.signal = EntrySignal(entry, kDefaultHoldMs, &code.error);
      codes.push_back(std::move(code));
    }
  } else if (format == ImportFormat::kPronto) {
    codes = ReadPronto(Lines(text));
  } else {
    codes = ReadMode2(Lines(text));
  }
  if (codes.empty()) {
    *error = "the file holds no code";
    return std::nullopt;
  }
  // Codes without a name of their own: the file's name, numbered when
  // there are several.
  int unnamed = 0;
  for (const NamedSignal& c : codes) unnamed += c.name.empty() ? 1 : 0;
  int n = 0;
  for (NamedSignal& c : codes) {
    if (!c.name.empty()) continue;
    c.name = unnamed == 1 ? fallback_name : fallback_name + "_" + std::to_string(++n);
  }
  return codes;
}

std::string FileStem(const std::string& path) {
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name.empty() ? "code" : name;
}

}  // namespace tvq31::cli
