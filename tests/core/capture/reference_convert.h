// The conversion written plainly, token by token with string appends: what
// the converter must give, byte for byte, however it is made faster.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "capture/convert.h"

namespace tvq31::reference_convert {

constexpr std::string_view kRunToken = "7FFF";
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

// Appends `value` as upper-case hex of at least `width` digits; a negative
// value as its 32-bit two's complement, eight digits.
inline void AppendHex(std::string& out, int64_t value, int width) {
  uint64_t v;
  if (value < 0) {
    v = static_cast<uint32_t>(static_cast<int32_t>(value));
    if (width < 8) width = 8;
  } else {
    v = static_cast<uint64_t>(value);
  }
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = end;
  do {
    *--p = kUpperDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  while (end - p < width) *--p = '0';
  out.append(p, static_cast<size_t>(end - p));
}

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

// Value of a token of one to four hex digits; -1 when it has no digits or
// a character that is not a hex digit.
inline int32_t TokenValue(std::string_view token) noexcept {
  if (token.empty() || token.size() > 4) return -1;
  int32_t value = 0;
  for (char c : token) {
    const int d = kDigitValues[static_cast<unsigned char>(c)];
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

enum class Kind { kSpace, kMark, kInvalid };

// A mark token is four characters with bit 15 set; a shorter token is never
// a mark (and is not read). kInvalid: the token had to be read and is not
// a number.
inline Kind TokenKind(std::string_view token) noexcept {
  if (token.size() < 4) return Kind::kSpace;
  const int32_t v = TokenValue(token);
  if (v < 0) return Kind::kInvalid;
  return (v & 0x8000) != 0 ? Kind::kMark : Kind::kSpace;
}

inline ConvertedCapture Convert(std::string_view capture) {
  ConvertedCapture result;
  const size_t len = capture.size();

  size_t i = 0;  // index of the current token
  uint64_t s = 0;  // token counter; odd = mark position
  int q = 0;  // frames closed so far
  std::string out;
  out.reserve(1024);
  std::string_view prev;  // previous token P
  // The run list R: its length and the first two tokens (all that is ever
  // read back from it).
  size_t run_count = 0;
  std::string_view run_first;
  std::string_view run_second;
  bool trailer = false;  // T
  bool merge = false;  // M

  auto run_append = [&](std::string_view token) {
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

    std::string_view x;
    if (trailer && !has_next) {
      x = capture.substr(i);
    } else {
      x = capture.substr(i, 4);
      ++s;
    }
    const std::string_view next = has_next ? capture.substr(i + 4, 4) : std::string_view{};

    // Run token in mark position.
    if (x == kRunToken && (s & 1) != 0 && has_next) {
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
        AppendHex(out, kRunCounts / 3 - kReceiverSkew, 4);
        i += 4;
        continue;
      }
    }

    if (x == kRunToken || trailer) run_append(x);

    // Run continues: the run counts once for the mark/space alternation.
    if (x == kRunToken && has_next) {
      prev = kRunToken;
      if (next == kRunToken) --s;
      i += 4;
      continue;
    }

    // Trailer complete: three carrier samples give the carrier field.
    if (trailer && run_count == 2) {
      const int32_t a = TokenValue(run_first.substr(0, 2));
      const int32_t b = TokenValue(run_first.size() > 2 ? run_first.substr(2, 2) : std::string_view{});
      const int32_t c = TokenValue(run_second.substr(0, 2));
      if (a < 0 || b < 0 || c < 0) return {};
      std::string head = std::to_string(q);
      const int t = a + b + c;
      if (t == 0) {
        head += "0000";
      } else {
        AppendHex(head, CarrierFigure(t), 2);
        head += "12";
      }
      result.frame_count = q;
      result.frames_start = head.size();
      out.insert(0, head);
      result.text = std::move(out);
      return result;
    }

    // End of signal: a long run closes the last frame; the token after it
    // is the first trailer token, whatever its kind.
    if (prev == kRunToken && run_count >= kEndRunTokens && x != kRunToken) {
      run_count = 0;
      run_append(x);
      ++q;
      if (q == 1) {
        out += "FEFE";
        AppendHex(out, kLoneFrameGapMs, 4);
      }
      out += "EDED";
      trailer = true;
    }

    // Frame gap: a short run ended by a space token.
    if (prev == kRunToken && run_count >= 1 && run_count < kEndRunTokens && x != kRunToken &&
        !trailer) {
      const Kind kind = TokenKind(x);
      if (kind == Kind::kInvalid) return {};
      if (kind == Kind::kSpace) {
        const int64_t r = TokenValue(x);
        const int64_t counts = static_cast<int64_t>(run_count) * kRunCounts + r;
        out += "FEFE";
        AppendHex(out, (counts / 3 + kReceiverSkew) / 1000, 4);
        out += "EDED";
        ++q;
        run_count = 0;
        prev = x;
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
        AppendHex(out, d / 3 - kReceiverSkew, 4);
      } else {
        AppendHex(out, v / 3 + kReceiverSkew, 4);
      }
    }
    prev = x;
    i += 4;
    merge = false;
  }
  return {};
}

}  // namespace tvq31::reference_convert
