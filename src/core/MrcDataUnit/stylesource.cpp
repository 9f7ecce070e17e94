#include "MrcDataUnit/stylesource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

#include "MrcDataUnit/timing.h"
#include "hextext/hextext.h"

namespace tvq31 {

namespace {

constexpr uint32_t kMaxV = 0xFFFFFF;
constexpr uint32_t kEntryTimeMask = kEntryPatternScale - 1;  // bits 0..19
constexpr char kSymbolLetters[] = "uvwx";

// 0 to 3 for "u" to "x", otherwise -1.
int SymbolIndex(char c) {
  switch (c) {
    case 'u': return 0;
    case 'v': return 1;
    case 'w': return 2;
    case 'x': return 3;
    default: return -1;
  }
}

// ---------------------------------------------------------------- tokens

struct Token {
  std::string text;
  bool quoted = false;
  int line = 0;
};

struct Statement {
  std::vector<Token> tokens;
};

// Thrown inside the parser only; ParseStyleSource turns it into a value.
struct SourceError {
  int line;
  std::string message;
};

[[noreturn]] void Throw(int line, std::string message) { throw SourceError{line, std::move(message)}; }

// Splits the text into statements: one per line, a line that starts with a
// blank or tab continuing the statement before it. "#" starts a comment
// outside quotes.
std::vector<Statement> Tokenize(std::string_view text) {
  std::vector<Statement> statements;
  int line_no = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
      const char c = line[i];
      if (c == ' ' || c == '\t') {
        ++i;
      } else if (c == '#') {
        break;
      } else if (c == '"') {
        Token tok{"", true, line_no};
        ++i;
        bool closed = false;
        while (i < line.size()) {
          const char d = line[i++];
          if (d == '"') {
            closed = true;
            break;
          }
          if (d != '\\') {
            tok.text.push_back(d);
            continue;
          }
          if (i >= line.size()) break;
          const char e = line[i++];
          if (e == '\\' || e == '"') {
            tok.text.push_back(e);
          } else if (e == 'x' && i + 2 <= line.size() && HexDigitValue(line[i]) >= 0 &&
                     HexDigitValue(line[i + 1]) >= 0) {
            tok.text.push_back(static_cast<char>(HexDigitValue(line[i]) * 16 + HexDigitValue(line[i + 1])));
            i += 2;
          } else {
            Throw(line_no, "bad escape in quoted text (use \\\\, \\\" or \\xHH)");
          }
        }
        if (!closed) Throw(line_no, "quoted text is not closed");
        tokens.push_back(std::move(tok));
      } else {
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '#' && line[j] != '"') ++j;
        tokens.push_back(Token{std::string(line.substr(i, j - i)), false, line_no});
        i = j;
      }
    }
    if (tokens.empty()) continue;
    const bool continuation = line.front() == ' ' || line.front() == '\t';
    if (continuation) {
      if (statements.empty()) Throw(line_no, "indented line continues no statement");
      auto& into = statements.back().tokens;
      into.insert(into.end(), tokens.begin(), tokens.end());
    } else {
      statements.push_back(Statement{std::move(tokens)});
    }
    if (end == text.size()) break;
  }
  return statements;
}

// ---------------------------------------------------------------- numbers

std::optional<uint64_t> ParseUnsigned(std::string_view s) {
  if (s.empty()) return std::nullopt;
  uint64_t v = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    if (s.size() > 8) return std::nullopt;
    for (char c : s) {
      const int d = HexDigitValue(c);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<uint64_t>(d);
    }
    return v;
  }
  if (s.size() > 12) return std::nullopt;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  return v;
}

// A decimal number with at most two decimals, in hundredths.
std::optional<uint64_t> ParseHundredths(std::string_view s) {
  const size_t dot = s.find('.');
  const std::string_view whole = s.substr(0, dot);
  std::string_view frac = dot == std::string_view::npos ? std::string_view{} : s.substr(dot + 1);
  if (whole.empty() || whole.size() > 10) return std::nullopt;
  if (dot != std::string_view::npos && (frac.empty() || frac.size() > 2)) return std::nullopt;
  uint64_t v = 0;
  for (char c : whole) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  uint64_t f = 0;
  for (size_t i = 0; i < 2; ++i) {
    f *= 10;
    if (i < frac.size()) {
      if (frac[i] < '0' || frac[i] > '9') return std::nullopt;
      f += static_cast<uint64_t>(frac[i] - '0');
    }
  }
  return v * 100 + f;
}

std::string FormatHundredths(uint64_t v) {
  char buf[32];
  if (v % 100 == 0) {
    std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v / 100));
  } else {
    std::snprintf(buf, sizeof buf, "%llu.%02llu", static_cast<unsigned long long>(v / 100),
                  static_cast<unsigned long long>(v % 100));
  }
  return buf;
}

uint8_t ByteArg(const Token& t) {
  const auto v = ParseUnsigned(t.text);
  if (!v || *v > 255) Throw(t.line, "'" + t.text + "' is not a number from 0 to 255");
  return static_cast<uint8_t>(*v);
}

// ---------------------------------------------------------------- elements

std::string RawElement(uint32_t e) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "@%02X:%06X", ElementTag(e), ElementV(e));
  return buf;
}

uint32_t ParseElement(const Token& t) {
  const std::string& s = t.text;
  auto bad = [&](const std::string& why) -> uint32_t { Throw(t.line, "element '" + s + "': " + why); };
  if (s.empty() || t.quoted) return bad("not an element");
  const char c = s[0];

  if (c == '+' || c == '-') {
    const bool mark = c == '+';
    std::string_view body = std::string_view(s).substr(1);
    uint32_t tag = mark ? kTagMarkFine : kTagSpaceFine;
    bool cycles = false;
    if (body.ends_with("cyc")) {
      body.remove_suffix(3);
      tag = mark ? kTagMarkCycles : kTagSpaceCycles;
      cycles = true;
    } else if (body.ends_with("ms")) {
      body.remove_suffix(2);
      tag = mark ? kTagMarkCoarse : kTagSpaceCoarse;
    } else if (body.ends_with("us")) {
      body.remove_suffix(2);
    }
    std::optional<uint64_t> v = cycles ? ParseUnsigned(body) : ParseHundredths(body);
    if (!v) return bad(cycles ? "expected whole carrier cycles" : "expected a duration with at most two decimals");
    if (*v > kMaxV) return bad("too long for one element");
    return MakeElement(tag, static_cast<uint32_t>(*v));
  }

  if (c == '@') {
    const size_t colon = s.find(':');
    if (colon == std::string::npos || colon < 2 || colon > 3 || s.size() - colon - 1 < 1 ||
        s.size() - colon - 1 > 6) {
      return bad("expected @TT:VVVVVV (hexadecimal tag and value)");
    }
    const auto tag = ReadHexNumber(std::string_view(s).substr(1, colon - 1));
    const auto v = ReadHexNumber(std::string_view(s).substr(colon + 1));
    if (!tag || !v) return bad("expected @TT:VVVVVV (hexadecimal tag and value)");
    return MakeElement(static_cast<uint32_t>(*tag), static_cast<uint32_t>(*v));
  }

  if (c == 'A' || c == 'B') {
    const bool first = c == 'A';
    std::string_view body = std::string_view(s).substr(1);
    const size_t colon = body.find(':');
    if (colon != std::string_view::npos) {
      const auto field = ParseUnsigned(body.substr(0, colon));
      const auto length = ParseUnsigned(body.substr(colon + 1));
      if (!field || !length || *length > 15 || *field > (kMaxV >> 4)) {
        return bad("a field definition is FIELD:LENGTH with a length of 0 to 15");
      }
      return MakeElement(first ? kTagDefineA : kTagDefineB, static_cast<uint32_t>(*field * 16 + *length));
    }
    bool second_kind = false;
    if (body.ends_with('\'')) {
      body.remove_suffix(1);
      second_kind = true;
    }
    const auto field = ParseUnsigned(body);
    if (!field || *field > 15) return bad("a field reference names a field of 0 to 15");
    const uint32_t tag = first ? (second_kind ? kTagReferA2 : kTagReferA1)
                               : (second_kind ? kTagReferB2 : kTagReferB1);
    return MakeElement(tag, static_cast<uint32_t>(*field * 17));
  }

  if (s == "free") return MakeElement(kTagFreeSymbol, 0);

  if (c == '=') {
    const std::string_view letters = std::string_view(s).substr(1);
    if (letters.empty() || letters.size() > 255) return bad("a constant has 1 to 255 symbols");
    uint32_t value = 0;
    for (size_t k = 0; k < letters.size(); ++k) {
      const int index = SymbolIndex(letters[k]);
      if (index < 0) return bad("constant symbols are u, v, w and x");
      const auto digit = static_cast<uint32_t>(index);
      const size_t exponent = letters.size() - 1 - k;
      if (exponent >= 4) {
        if (digit != 0) return bad("only the last four symbols of a constant may be other than u");
      } else {
        value |= digit << (4 * exponent);
      }
    }
    return MakeElement(kTagConstant, static_cast<uint32_t>(letters.size() << 16) | value);
  }

  if (c == 'h' || c == 't') {
    const size_t colon = s.find(':');
    if (colon == std::string::npos) return bad("a sequence entry is h<ms>:<pattern> or t<ms>:<pattern>");
    const auto time = ParseHundredths(std::string_view(s).substr(1, colon - 1));
    const auto pattern = ParseUnsigned(std::string_view(s).substr(colon + 1));
    if (!time || *time > kEntryTimeMask) return bad("the time is 0 to 10485.75 ms with at most two decimals");
    if (!pattern || *pattern > 15) return bad("the pattern number is 0 to 15");
    return MakeElement(c == 'h' ? kTagPeriod : kTagTrailingGap,
                       static_cast<uint32_t>(*pattern * kEntryPatternScale + *time));
  }

  return bad("unknown element (see the code-style format)");
}

std::string FormatElement(uint32_t e) {
  const uint32_t tag = ElementTag(e);
  const uint32_t v = ElementV(e);
  switch (tag) {
    case kTagSpaceFine: return "-" + FormatHundredths(v);
    case kTagMarkFine: return "+" + FormatHundredths(v);
    case kTagSpaceCoarse: return "-" + FormatHundredths(v) + "ms";
    case kTagMarkCoarse: return "+" + FormatHundredths(v) + "ms";
    case kTagSpaceCycles: return "-" + std::to_string(v) + "cyc";
    case kTagMarkCycles: return "+" + std::to_string(v) + "cyc";
    case kTagDefineA: return "A" + std::to_string(v / 16) + ":" + std::to_string(v % 16);
    case kTagDefineB: return "B" + std::to_string(v / 16) + ":" + std::to_string(v % 16);
    case kTagReferA1:
    case kTagReferA2:
    case kTagReferB1:
    case kTagReferB2: {
      if (v % 17 != 0 || v / 17 > 15) return RawElement(e);
      const bool first = tag == kTagReferA1 || tag == kTagReferA2;
      const bool second_kind = tag == kTagReferA2 || tag == kTagReferB2;
      return std::string(first ? "A" : "B") + std::to_string(v / 17) + (second_kind ? "'" : "");
    }
    case kTagFreeSymbol: return v == 0 ? "free" : RawElement(e);
    case kTagConstant: {
      const uint32_t count = v >> 16;
      const uint32_t digits = v & 0xFFFF;
      if (count == 0 || (count < 4 && (digits >> (4 * count)) != 0)) return RawElement(e);
      std::string out = "=";
      for (uint32_t k = 0; k < count; ++k) {
        const uint32_t exponent = count - 1 - k;
        const uint32_t d = exponent < 4 ? (digits >> (4 * exponent)) & 0xF : 0;
        if (d > 3) return RawElement(e);
        out.push_back(kSymbolLetters[d]);
      }
      return out;
    }
    case kTagTrailingGap:
    case kTagPeriod:
      return std::string(tag == kTagPeriod ? "h" : "t") + FormatHundredths(v & kEntryTimeMask) + ":" +
             std::to_string(v >> 20);
    default: return RawElement(e);
  }
}

// ---------------------------------------------------------------- lists

// Items after the "=": elements, an optional "|" after the ones in use, or a
// leading "count=N" when the stored count is more than the slots.
template <size_t N>
uint8_t ParseList(const std::vector<Token>& items, const Token& head, std::array<uint32_t, N>& slots) {
  std::optional<uint8_t> explicit_count;
  std::optional<size_t> bar;
  size_t filled = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    const Token& t = items[i];
    if (i == 0 && !t.quoted && t.text.starts_with("count=")) {
      explicit_count = ByteArg(Token{t.text.substr(6), false, t.line});
      continue;
    }
    if (!t.quoted && t.text == "|") {
      if (bar || explicit_count) Throw(t.line, "only one '|' in a list, and none with count=");
      bar = filled;
      continue;
    }
    if (filled == N) Throw(t.line, head.text + ": at most " + std::to_string(N) + " elements");
    slots[filled++] = ParseElement(t);
  }
  if (explicit_count) return *explicit_count;
  return static_cast<uint8_t>(bar ? *bar : filled);
}

template <size_t N>
std::string FormatList(uint8_t count, const std::array<uint32_t, N>& slots) {
  size_t last = N;  // one past the last non-zero slot
  while (last > 0 && slots[last - 1] == 0) --last;
  std::string out;
  auto add = [&](const std::string& item) {
    out.push_back(' ');
    out += item;
  };
  if (count > N) {
    add("count=" + std::to_string(count));
    for (size_t i = 0; i < last; ++i) add(FormatElement(slots[i]));
    return out;
  }
  for (size_t i = 0; i < count; ++i) add(FormatElement(slots[i]));
  if (last > count) {
    add("|");
    for (size_t i = count; i < last; ++i) add(FormatElement(slots[i]));
  }
  return out;
}

template <size_t N>
bool AnyNonZero(const std::array<uint32_t, N>& slots) {
  return std::any_of(slots.begin(), slots.end(), [](uint32_t e) { return e != 0; });
}

// ---------------------------------------------------------------- records

struct Builder {
  CodeStyleNode node;
  std::set<std::string> seen;
  std::optional<uint8_t> group_count, frame_count, no_carrier;
  int highest_group = -1;
  int highest_frame = -1;

  CodeStyleNode Finish() {
    node.GroupCount = group_count ? *group_count : static_cast<uint8_t>(highest_group + 1);
    node.FrameCount = frame_count ? *frame_count : static_cast<uint8_t>(highest_frame + 1);
    if (no_carrier) node.NoCarrier = *no_carrier;
    return node;
  }
};

void Once(Builder& b, const Token& t, const std::string& key) {
  if (!b.seen.insert(key).second) Throw(t.line, "'" + key + "' is given twice in this style");
}

void Expect(const std::vector<Token>& tokens, size_t count, const std::string& usage) {
  if (tokens.size() != count) Throw(tokens[0].line, "usage: " + usage);
}

// The list statement forms: "u = ...", "frame K = ...", "sequence = ...".
// Returns the index of the first item after "=".
size_t ListStart(const std::vector<Token>& tokens, size_t eq_at, const std::string& usage) {
  if (tokens.size() <= eq_at || tokens[eq_at].quoted || tokens[eq_at].text != "=") {
    Throw(tokens[0].line, "usage: " + usage);
  }
  return eq_at + 1;
}

void ApplyStatement(Builder& b, const std::vector<Token>& tokens) {
  const Token& head = tokens[0];
  const std::string& key = head.text;
  auto rest = [&](size_t from) { return std::vector<Token>(tokens.begin() + static_cast<long>(from), tokens.end()); };

  if (head.quoted) Throw(head.line, "a statement starts with a keyword, not quoted text");

  if (key.size() == 1 && SymbolIndex(key[0]) >= 0) {
    const int g = SymbolIndex(key[0]);
    Once(b, head, key);
    const size_t from = ListStart(tokens, 1, key + " = ELEMENTS");
    b.node.Groups[g].Count = ParseList(rest(from), head, b.node.Groups[g].Elements);
    b.highest_group = std::max(b.highest_group, g);
    return;
  }
  if (key == "frame") {
    if (tokens.size() < 2) Throw(head.line, "usage: frame K = ELEMENTS");
    const auto k = ParseUnsigned(tokens[1].text);
    if (!k || *k >= kMaxFrames || tokens[1].quoted) Throw(head.line, "the frame pattern number is 0 to 5");
    Once(b, head, "frame " + std::to_string(*k));
    const size_t from = ListStart(tokens, 2, "frame K = ELEMENTS");
    FramePattern& f = b.node.Frames[*k];
    f.Count = ParseList(rest(from), head, f.Elements);
    b.highest_frame = std::max(b.highest_frame, static_cast<int>(*k));
    return;
  }
  if (key == "sequence") {
    Once(b, head, key);
    const size_t from = ListStart(tokens, 1, "sequence = ENTRIES");
    b.node.SequenceCount = ParseList(rest(from), head, b.node.Sequence);
    return;
  }
  if (key == "trailer") {
    Once(b, head, key);
    const size_t from = ListStart(tokens, 1, "trailer = ENTRIES");
    b.node.TrailerCount = ParseList(rest(from), head, b.node.Trailer);
    return;
  }
  if (key == "carrier") {
    Once(b, head, key);
    Expect(tokens, 2, "carrier HERTZ | carrier none");
    if (tokens[1].text == "none" && !tokens[1].quoted) {
      b.node.NoCarrier = 1;
      b.node.CarrierFreq = 0;
      return;
    }
    std::string_view digits = tokens[1].text;
    const bool negative = digits.starts_with('-');
    if (negative) digits.remove_prefix(1);
    const auto v = ParseUnsigned(digits);
    if (!v || *v > (negative ? 2147483648ull : 2147483647ull) || tokens[1].quoted) {
      Throw(head.line, "the carrier is a frequency in hertz or 'none'");
    }
    b.node.NoCarrier = 0;
    b.node.CarrierFreq = static_cast<int32_t>(negative ? -static_cast<int64_t>(*v) : static_cast<int64_t>(*v));
    return;
  }
  if (key == "no-carrier") {
    Once(b, head, key);
    Expect(tokens, 2, "no-carrier BYTE");
    b.no_carrier = ByteArg(tokens[1]);
    return;
  }
  if (key == "carrier-select") {
    Once(b, head, key);
    Expect(tokens, 2, "carrier-select BYTE");
    b.node.CarrierSel = ByteArg(tokens[1]);
    return;
  }
  if (key == "unit-divisor") {
    Once(b, head, key);
    Expect(tokens, 2, "unit-divisor BYTE");
    b.node.UnitDivisor = ByteArg(tokens[1]);
    return;
  }
  if (key == "free-symbol") {
    Once(b, head, key);
    Expect(tokens, 4, "free-symbol MODE HIGH LOW");
    b.node.FreeSymbolMode = ByteArg(tokens[1]);
    b.node.FreeSymbolHigh = ByteArg(tokens[2]);
    b.node.FreeSymbolLow = ByteArg(tokens[3]);
    return;
  }
  if (key == "mode") {
    Once(b, head, key);
    Expect(tokens, 4, "mode HIGH BYTE LOW");
    b.node.ModeHigh = ByteArg(tokens[1]);
    b.node.ModeByte = ByteArg(tokens[2]);
    b.node.ModeLow = ByteArg(tokens[3]);
    return;
  }
  if (key == "repeat") {
    Once(b, head, key);
    Expect(tokens, 2, "repeat COUNT");
    b.node.RepeatCount = ByteArg(tokens[1]);
    return;
  }
  if (key == "groups") {
    Once(b, head, key);
    Expect(tokens, 2, "groups COUNT");
    b.group_count = ByteArg(tokens[1]);
    return;
  }
  if (key == "frames") {
    Once(b, head, key);
    Expect(tokens, 2, "frames COUNT");
    b.frame_count = ByteArg(tokens[1]);
    return;
  }
  Throw(head.line, "unknown statement '" + key + "'");
}

std::string QuoteName(const std::string& name) {
  std::string out = "\"";
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(ch);
    } else if (c < 0x20 || c >= 0x7F) {
      out += "\\x" + ByteHex(c);
    } else {
      out.push_back(ch);
    }
  }
  out.push_back('"');
  return out;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = path.string() + ": cannot open";
    return false;
  }
  std::ostringstream buf;
  buf << in.rdbuf();
  if (in.bad()) {
    if (error) *error = path.string() + ": read error";
    return false;
  }
  text = buf.str();
  return true;
}

}  // namespace

bool ParseStyleSource(std::string_view text, std::string_view file, ArrCodeStyleNode& out,
                      std::string* error) {
  ArrCodeStyleNode parsed;
  try {
    std::optional<Builder> current;
    for (const Statement& st : Tokenize(text)) {
      const Token& head = st.tokens[0];
      if (!head.quoted && head.text == "style") {
        if (st.tokens.size() != 2) Throw(head.line, "usage: style NAME (quote a name with blanks)");
        const std::string& name = st.tokens[1].text;
        if (name.size() > static_cast<size_t>(kNameSize)) {
          Throw(head.line, "the name has more than 21 bytes");
        }
        if (name.find('\0') != std::string::npos) Throw(head.line, "the name holds a zero byte");
        if (current) parsed.push_back(current->Finish());
        current.emplace();
        current->node.Name = name;
        continue;
      }
      if (!current) Throw(head.line, "expected 'style NAME' before '" + head.text + "'");
      ApplyStatement(*current, st.tokens);
    }
    if (current) parsed.push_back(current->Finish());
  } catch (const SourceError& e) {
    if (error) *error = std::string(file) + ":" + std::to_string(e.line) + ": " + e.message;
    return false;
  }
  out.insert(out.end(), parsed.begin(), parsed.end());
  return true;
}

std::string FormatStyleSource(const CodeStyleNode& s) {
  std::string out = "style " + QuoteName(s.Name) + "\n";
  if (s.NoCarrier == 1 && s.CarrierFreq == 0) {
    out += "carrier none\n";
  } else {
    out += "carrier " + std::to_string(s.CarrierFreq) + "\n";
    if (s.NoCarrier != 0) out += "no-carrier " + std::to_string(s.NoCarrier) + "\n";
  }
  if (s.CarrierSel != 0) out += "carrier-select " + std::to_string(s.CarrierSel) + "\n";
  out += "unit-divisor " + std::to_string(s.UnitDivisor) + "\n";
  if (s.FreeSymbolMode != 0 || s.FreeSymbolHigh != 0 || s.FreeSymbolLow != 0) {
    out += "free-symbol " + std::to_string(s.FreeSymbolMode) + " " + std::to_string(s.FreeSymbolHigh) + " " +
           std::to_string(s.FreeSymbolLow) + "\n";
  }
  if (s.ModeHigh != 0 || s.ModeByte != 0 || s.ModeLow != 0) {
    out += "mode " + std::to_string(s.ModeHigh) + " " + std::to_string(s.ModeByte) + " " +
           std::to_string(s.ModeLow) + "\n";
  }

  int highest = -1;
  for (int g = 0; g < kMaxGroups; ++g) {
    const SymbolGroup& group = s.Groups[g];
    if (g >= s.GroupCount && group.Count == 0 && !AnyNonZero(group.Elements)) continue;
    out += std::string(1, kSymbolLetters[g]) + " =" + FormatList(group.Count, group.Elements) + "\n";
    highest = g;
  }
  if (s.GroupCount != highest + 1) out += "groups " + std::to_string(s.GroupCount) + "\n";

  highest = -1;
  for (int f = 0; f < kMaxFrames; ++f) {
    const FramePattern& frame = s.Frames[f];
    if (f >= s.FrameCount && frame.Count == 0 && !AnyNonZero(frame.Elements)) continue;
    out += "frame " + std::to_string(f) + " =" + FormatList(frame.Count, frame.Elements) + "\n";
    highest = f;
  }
  if (s.FrameCount != highest + 1) out += "frames " + std::to_string(s.FrameCount) + "\n";

  if (s.SequenceCount != 0 || AnyNonZero(s.Sequence)) {
    out += "sequence =" + FormatList(s.SequenceCount, s.Sequence) + "\n";
  }
  if (s.RepeatCount != 0) out += "repeat " + std::to_string(s.RepeatCount) + "\n";
  if (s.TrailerCount != 0 || AnyNonZero(s.Trailer)) {
    out += "trailer =" + FormatList(s.TrailerCount, s.Trailer) + "\n";
  }
  return out;
}

std::string FormatLibrarySource(const ArrCodeStyleNode& nodes) {
  std::string out;
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (i != 0) out += "\n";
    out += "# record " + std::to_string(i) + "\n";
    out += FormatStyleSource(nodes[i]);
  }
  return out;
}

std::string StyleFileName(size_t index, size_t count, const CodeStyleNode& style) {
  const std::string last = std::to_string(count * 10);
  std::string number = std::to_string((index + 1) * 10);
  const size_t width = std::max<size_t>(3, last.size());
  if (number.size() < width) number.insert(0, width - number.size(), '0');
  std::string slug;
  for (char ch : style.Name) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      slug.push_back(ch);
    } else if (c >= 'A' && c <= 'Z') {
      slug.push_back(static_cast<char>(c - 'A' + 'a'));
    } else if (!slug.empty() && slug.back() != '-') {
      slug.push_back('-');
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  if (slug.empty()) slug = "style";
  return number + "-" + slug + kStyleFileExtension;
}

bool CompileStyleSources(const std::vector<std::string>& paths, ArrCodeStyleNode& out, std::string* error) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (const std::string& p : paths) {
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<fs::path> found;
      for (fs::directory_iterator it(p, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& f = it->path();
        if (f.extension() == kStyleFileExtension && it->is_regular_file(ec)) found.push_back(f);
      }
      if (ec) {
        if (error) *error = p + ": " + ec.message();
        return false;
      }
      std::sort(found.begin(), found.end(),
                [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
      files.insert(files.end(), found.begin(), found.end());
    } else {
      files.emplace_back(p);
    }
  }
  ArrCodeStyleNode compiled;
  for (const fs::path& f : files) {
    std::string text;
    if (!ReadWholeFile(f, text, error)) return false;
    if (!ParseStyleSource(text, f.string(), compiled, error)) return false;
  }
  out.insert(out.end(), compiled.begin(), compiled.end());
  return true;
}

}  // namespace tvq31
