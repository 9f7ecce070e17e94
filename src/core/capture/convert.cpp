#include "capture/convert.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "hextext/hextext.h"

namespace tvq31 {

namespace {

constexpr int64_t kRunCounts = 0x7FFF;
// The remote's receiver stretches marks and shortens spaces; the
// conversion takes this many microseconds off every mark and adds them to
// every space and gap.
constexpr int64_t kReceiverSkew = 58;
// Runs of this many tokens end the signal; shorter ones are frame gaps.
constexpr size_t kEndRunTokens = 20;
// A lone frame is closed with this fixed gap, in milliseconds.
constexpr int64_t kLoneFrameGapMs = 0x14;

constexpr char kUpperDigits[] = "0123456789ABCDEF";

// Hex digit values by character (-1: not a digit); a table, because this
// is read four times for every token.
constexpr auto kDigitValues = [] {
  std::array<int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<int8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<int8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<int8_t>(c - 'a' + 10);
  return table;
}();

// A token of the capture: where it starts and how many characters it has
// (four, except for the last one of a capture cut short in the trailer).
struct Token {
  const char* p = nullptr;
  size_t n = 0;
};

bool IsRun(Token t) noexcept {
  return t.n == 4 && t.p[0] == '7' && t.p[1] == 'F' && t.p[2] == 'F' && t.p[3] == 'F';
}

// Value of the four hex digits at `p`; -1 when one of them is not one.
inline int32_t FourDigitsValue(const char* p) noexcept {
  const int32_t d0 = kDigitValues[static_cast<unsigned char>(p[0])];
  const int32_t d1 = kDigitValues[static_cast<unsigned char>(p[1])];
  const int32_t d2 = kDigitValues[static_cast<unsigned char>(p[2])];
  const int32_t d3 = kDigitValues[static_cast<unsigned char>(p[3])];
  if ((d0 | d1 | d2 | d3) < 0) return -1;
  return (d0 << 12) | (d1 << 8) | (d2 << 4) | d3;
}

// Value of `n` (one to four) hex digits at `p`; -1 when there are none or
// one of them is not a hex digit.
int32_t DigitsValue(const char* p, size_t n) noexcept {
  if (n == 4) return FourDigitsValue(p);
  if (n == 0 || n > 4) return -1;
  int32_t value = 0;
  int32_t bad = 0;
  for (size_t k = 0; k < n; ++k) {
    const int32_t d = kDigitValues[static_cast<unsigned char>(p[k])];
    bad |= d;
    value = value * 16 + d;
  }
  return bad < 0 ? -1 : value;
}

inline int32_t TokenValue(Token t) noexcept {
  return t.n == 4 ? FourDigitsValue(t.p) : DigitsValue(t.p, t.n);
}

enum class Kind { kSpace, kMark, kInvalid };

// A mark token is four characters with bit 15 set; a shorter token is never
// a mark (and is not read). kInvalid: the token had to be read and is not
// a number.
Kind TokenKind(Token token) noexcept {
  if (token.n < 4) return Kind::kSpace;
  const int32_t v = TokenValue(token);
  if (v < 0) return Kind::kInvalid;
  return (v & 0x8000) != 0 ? Kind::kMark : Kind::kSpace;
}

// The learned-code text under construction: characters written through a
// cursor into storage grown ahead of need, with room kept in front for the
// frame count and carrier field, which are known only at the end.
class Output {
 public:
  // The longest head: a frame count of up to 20 digits and a carrier
  // field of up to 8 hex digits and "12".
  static constexpr size_t kHeadRoom = 32;
  // The most one step of the conversion writes: a gap ("FEFE", four
  // digits, "EDED").
  static constexpr size_t kMaxStep = 12;

  Output() : buf_(kHeadRoom + 2048, '\0'), pos_(kHeadRoom) {}

  // Makes room for one step.
  void Reserve() {
    if (pos_ + kMaxStep > buf_.size()) buf_.resize(buf_.size() * 2);
  }
  void Put(const char (&text)[5]) {
    std::memcpy(buf_.data() + pos_, text, 4);
    pos_ += 4;
  }
  // `value` as upper-case hex of at least `width` digits; a negative value
  // as its 32-bit two's complement, eight digits.
  void PutHex(int64_t value, int width) {
    if (value >= 0 && value <= 0xFFFF && width == 4) {
      char* p = buf_.data() + pos_;
      p[0] = kUpperDigits[(value >> 12) & 0xF];
      p[1] = kUpperDigits[(value >> 8) & 0xF];
      p[2] = kUpperDigits[(value >> 4) & 0xF];
      p[3] = kUpperDigits[value & 0xF];
      pos_ += 4;
      return;
    }
    char digits[24];
    const size_t n = FormatHex(digits, value, width);
    if (pos_ + n > buf_.size()) buf_.resize(std::max(buf_.size() * 2, pos_ + n));
    std::memcpy(buf_.data() + pos_, digits + sizeof digits - n, n);
    pos_ += n;
  }
  // The text with `head` in front of what was written.
  std::string Finish(std::string_view head) {
    const size_t from = kHeadRoom - head.size();
    std::memcpy(buf_.data() + from, head.data(), head.size());
    buf_.resize(pos_);
    buf_.erase(0, from);
    return std::move(buf_);
  }

  // Writes `value` (as PutHex describes) at the end of `buf`; the count of
  // characters written.
  static size_t FormatHex(char (&buf)[24], int64_t value, int width) {
    uint64_t v;
    if (value < 0) {
      v = static_cast<uint32_t>(static_cast<int32_t>(value));
      if (width < 8) width = 8;
    } else {
      v = static_cast<uint64_t>(value);
    }
    char* end = buf + sizeof buf;
    char* p = end;
    do {
      *--p = kUpperDigits[v & 0xF];
      v >>= 4;
    } while (v != 0);
    while (end - p < width) *--p = '0';
    return static_cast<size_t>(end - p);
  }

 private:
  std::string buf_;
  size_t pos_;
};

}  // namespace

int CarrierFigure(int t) noexcept {
  if (t <= 0) return 0;
  // The sample sum over nine is held as a double; the division that follows
  // runs with the x87's 64-bit mantissa. That pair of roundings is what puts
  // t = 5, 10, 15 ... one kHz below 9000 / t, and the remote's tool shows
  // those figures, so they are reproduced rather than corrected.
  volatile double x = static_cast<double>(t) / 9.0;
  const long double figure = 1000.0L / static_cast<long double>(x);
  return static_cast<int>(figure);
}

ConvertedCapture ConvertCaptureFull(std::string_view capture) {
  ConvertedCapture result;
  const char* const data = capture.data();
  const size_t len = capture.size();

  size_t i = 0;  // index of the current token
  uint64_t s = 0;  // token counter; odd = mark position
  int q = 0;  // frames closed so far
  Output out;
  bool prev_run = false;  // the previous token P is the run token
  // The run list R: its length and the first two tokens (all that is ever
  // read back from it).
  size_t run_count = 0;
  Token run_first;
  Token run_second;
  bool trailer = false;  // T
  bool merge = false;  // M

  auto run_append = [&](Token token) {
    if (run_count == 0) run_first = token;
    else if (run_count == 1) run_second = token;
    ++run_count;
  };

  while (i < len) {
    const size_t remaining = len - i;
    const bool has_next = remaining >= 5;
    // End of data: the last four characters are never a token outside
    // trailer mode.
    if (!has_next && !trailer) return {};
    out.Reserve();

    Token x{data + i, 4};
    if (trailer && !has_next) {
      x.n = remaining;
    } else {
      ++s;
    }
    const Token next = has_next ? Token{data + i + 4, std::min<size_t>(4, remaining - 4)} : Token{};
    const bool x_run = IsRun(x);

    // Run token in mark position.
    if (x_run && (s & 1) != 0 && has_next) {
      const Kind next_kind = TokenKind(next);
      if (next_kind == Kind::kInvalid) return {};
      if (next_kind == Kind::kMark) {
        // Merged into the following mark: one mark 0x7FFF counts longer.
        --s;
        merge = true;
        i += 4;
        continue;
      }
      if (!trailer) {
        out.PutHex(kRunCounts / 3 - kReceiverSkew, 4);
        i += 4;
        continue;
      }
    }

    if (x_run || trailer) run_append(x);

    // Run continues: the run counts once for the mark/space alternation.
    if (x_run && has_next) {
      prev_run = true;
      if (IsRun(next)) --s;
      i += 4;
      continue;
    }

    // Trailer complete: three carrier samples give the carrier field.
    if (trailer && run_count == 2) {
      const int32_t a = DigitsValue(run_first.p, std::min<size_t>(run_first.n, 2));
      const int32_t b = run_first.n > 2
                            ? DigitsValue(run_first.p + 2, std::min<size_t>(run_first.n - 2, 2))
                            : -1;
      const int32_t c = DigitsValue(run_second.p, std::min<size_t>(run_second.n, 2));
      if (a < 0 || b < 0 || c < 0) return {};
      std::string head = std::to_string(q);
      const int t = a + b + c;
      if (t == 0) {
        head += "0000";
      } else {
        char digits[24];
        const size_t n = Output::FormatHex(digits, CarrierFigure(t), 2);
        head.append(digits + sizeof digits - n, n);
        head += "12";
      }
      result.frame_count = q;
      result.frames_start = head.size();
      result.text = out.Finish(head);
      return result;
    }

    // End of signal: a long run closes the last frame; the token after it
    // is the first trailer token, whatever its kind.
    if (prev_run && run_count >= kEndRunTokens && !x_run) {
      run_count = 0;
      run_append(x);
      ++q;
      if (q == 1) {
        out.Put("FEFE");
        out.PutHex(kLoneFrameGapMs, 4);
      }
      out.Put("EDED");
      trailer = true;
    }

    // Frame gap: a short run ended by a space token.
    if (prev_run && run_count >= 1 && run_count < kEndRunTokens && !x_run && !trailer) {
      const Kind kind = TokenKind(x);
      if (kind == Kind::kInvalid) return {};
      if (kind == Kind::kSpace) {
        const int64_t r = TokenValue(x);
        const int64_t counts = static_cast<int64_t>(run_count) * kRunCounts + r;
        out.Put("FEFE");
        out.PutHex((counts / 3 + kReceiverSkew) / 1000, 4);
        out.Put("EDED");
        ++q;
        run_count = 0;
        prev_run = false;
        --s;
        i += 4;
        continue;
      }
    }

    // Duration.
    if (!trailer) {
      const int32_t v = TokenValue(x);
      if (v < 0) return {};
      if ((v & 0x8000) != 0) {
        int64_t d = v & 0x7FFF;
        if (merge) d += kRunCounts;
        out.PutHex(d / 3 - kReceiverSkew, 4);
      } else {
        out.PutHex(v / 3 + kReceiverSkew, 4);
      }
    }
    prev_run = x_run;
    i += 4;
    merge = false;
  }
  return {};
}

std::string ConvertCapture(std::string_view capture) {
  return std::move(ConvertCaptureFull(capture).text);
}

std::optional<size_t> LearnedCodeFramesStart(std::string_view text) {
  auto carrier_at = [&](size_t k) {
    if (text.size() < k + 4) return false;
    const std::string_view field = text.substr(k, 4);
    if (field == "0000") return true;
    return HexDigitValue(field[0]) >= 0 && HexDigitValue(field[1]) >= 0 && field[2] == '1' &&
           field[3] == '2';
  };
  std::optional<size_t> shortest;
  for (size_t k = 1; k <= text.size() && text[k - 1] >= '0' && text[k - 1] <= '9'; ++k) {
    if (!carrier_at(k)) continue;
    const size_t start = k + 4;
    // Frames are whole four-character items; a split that leaves them
    // misaligned is a zero carrier field read one digit early.
    if ((text.size() - start) % 4 == 0) return start;
    if (!shortest) shortest = start;
  }
  return shortest;
}

}  // namespace tvq31
