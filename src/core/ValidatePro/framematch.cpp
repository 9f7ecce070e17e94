#include "ValidatePro/framematch.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

#include "ValidatePro/internal.h"
#include "hextext/hextext.h"

namespace tvq31 {

namespace {

// low/10 * a < x < high/10 * a, exactly: the tolerances are decimal
// fractions, and a capture value on a bound lies outside.
bool WithinRatio(int64_t x, int64_t a, int64_t low, int64_t high) {
  return 10 * x > low * a && 10 * x < high * a;
}

// round(a * num / den) with halves to the even neighbour, exactly.
int64_t RoundRatio(int64_t a, int64_t num, int64_t den) {
  const int64_t p = a * num;
  int64_t q = p / den;
  const int64_t r = p % den;
  if (2 * r > den || (2 * r == den && q % 2 != 0)) ++q;
  return q;
}

// The hot path of every comparison: the item at `pos` (up to four digits,
// read in place), -1 when there is none or it is not hexadecimal.
inline int32_t ReadItem(std::string_view text, size_t pos) noexcept {
  static constexpr auto kDigit = [] {
    std::array<int8_t, 256> t{};
    t.fill(-1);
    for (int c = 0; c < 10; ++c) t['0' + c] = static_cast<int8_t>(c);
    for (int c = 0; c < 6; ++c) {
      t['A' + c] = static_cast<int8_t>(10 + c);
      t['a' + c] = static_cast<int8_t>(10 + c);
    }
    return t;
  }();
  if (pos >= text.size()) return -1;
  const size_t end = std::min(text.size(), pos + 4);
  int32_t value = 0;
  for (size_t k = pos; k < end; ++k) {
    const int d = kDigit[static_cast<unsigned char>(text[k])];
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

}  // namespace

std::optional<int32_t> GroupValue(const RecognitionContext& context, int g, int i) {
  if (g < 0 || g >= kMaxGroups || i < 0 || i >= kMaxGroupElements) return std::nullopt;
  const std::string& text = context.GroupValues[static_cast<size_t>(g)][static_cast<size_t>(i)];
  if (text.empty()) return std::nullopt;
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

int SymbolClass(std::string_view letter) noexcept {
  if (letter.size() != 1 || !IsSymbolLetter(letter[0])) return 10;
  return letter[0] - 'u';
}

bool IsFrameMark(std::string_view letter) noexcept { return letter == "h" || letter == "t"; }

std::optional<int32_t> ItemAt(std::string_view text, size_t pos) noexcept {
  const int32_t value = ReadItem(text, pos);
  if (value < 0) return std::nullopt;
  return value;
}

size_t FindItem(std::string_view text, std::string_view item) noexcept {
  if (item.size() != 4) {
    for (size_t pos = 0; pos + item.size() <= text.size(); pos += 4) {
      if (text.compare(pos, item.size(), item) == 0) return pos;
    }
    return std::string_view::npos;
  }
  const char* p = text.data();
  for (size_t pos = 0; pos + 4 <= text.size(); pos += 4) {
    if (p[pos] == item[0] && p[pos + 1] == item[1] && p[pos + 2] == item[2] &&
        p[pos + 3] == item[3]) {
      return pos;
    }
  }
  return std::string_view::npos;
}

bool CheckFrameTiming(std::string_view mark, std::string_view f) {
  return validate_internal::FrameTimingFits(mark, validate_internal::ReadFrameTiming(f));
}

std::string StripHeader(std::string_view f, std::string_view hd) {
  std::string storage;
  return std::string(validate_internal::StripHeaderView(f, hd, storage));
}

namespace {

struct DecoderVariant {
  int start;              // p at the start and after a frame end
  int64_t low, high;      // window factors below 600 µs, in hundredths
  bool free_second;       // at p = 1 the element is taken as matched
  bool ends_after_spaces; // frame ends looked for after spaces as well
  bool surplus;           // an over-long last element leaves its surplus
};

constexpr DecoderVariant kVariants[] = {
    {0, 65, 135, false, true, false},  // A
    {1, 60, 140, false, true, false},  // B
    {1, 60, 140, true, false, true},   // C
    {0, 60, 140, false, false, true},  // D
};

// The four characters at `pos` equal `item`.
inline bool ItemIs(std::string_view text, size_t pos, const char (&item)[5]) noexcept {
  return pos + 4 <= text.size() && text[pos] == item[0] && text[pos + 1] == item[1] &&
         text[pos + 2] == item[2] && text[pos + 3] == item[3];
}

class Decoder {
 public:
  // `limit`: the decoder may stop once its output holds this many
  // characters; what it has written by then is what a full run writes first.
  Decoder(int variant, std::string_view f, const RecognitionContext& context,
          const validate_internal::GroupTable& values, size_t limit)
      : v_(kVariants[variant]), variant_(static_cast<size_t>(variant)), f_(f), ctx_(context),
        values_(values), limit_(limit), p_(v_.start) {
    // A bounded run writes at most its limit and one symbol's worth more.
    if (limit != std::string::npos) s_.reserve(limit + 8);
  }

  std::optional<std::string> Run() {
    while (Rest() > 3 && s_.size() < limit_) {
      if (ItemIs(f_, pos_, "FEFE")) {
        AppendGap();
      } else if (ItemIs(f_, pos_, "EDED")) {
        pos_ += 4;
        p_ = v_.start;
      }
      if (Rest() < 3) break;
      // Without symbol groups there is nothing that could consume the rest.
      if (ctx_.ActiveGroups <= 0) break;
      bool matched = false;
      const int groups = std::min<int>(ctx_.ActiveGroups, kMaxGroups);
      for (int g = 0; g < groups && !matched; ++g) {
        const std::optional<bool> r = TryGroup(g);
        if (!r) return std::nullopt;
        matched = *r;
      }
      if (!matched) {
        const size_t len = std::min<size_t>(4, Rest());
        s_.append(f_, pos_, len);
        pos_ += len;
        ++p_;
      }
    }
    return std::move(s_);
  }

 private:
  size_t Rest() const { return f_.size() - pos_; }

  // "h" and the gap digits; the gap item and the closing "EDED" are used up.
  void AppendGap() {
    s_.push_back('h');
    if (pos_ + 4 < f_.size()) s_.append(f_.substr(pos_ + 4, 4));
    pos_ += std::min<size_t>(12, Rest());
  }

  // nullopt: a GroupValues entry the attempt needs is unset.
  std::optional<bool> TryGroup(int g) {
    const int k = ctx_.ElementCount;
    // A group without elements would match without consuming anything.
    if (k <= 0 || k > kMaxGroupElements) return false;
    const size_t start_pos = pos_;
    const int start_p = p_;
    const char letter = static_cast<char>('u' + g);
    for (int i = 0; i < k; ++i) {
      if (v_.free_second && p_ == 1) {
        p_ = 2;
        continue;
      }
      const validate_internal::GroupEntry& e =
          values_.entries[static_cast<size_t>(g * kMaxGroupElements + i)];
      if (!e.set) return std::nullopt;
      const int64_t a = e.magnitude;
      const bool space = (p_ % 2) != 0;
      const int32_t x = ReadItem(f_, pos_);  // -1: no number here
      const bool sign_ok = space ? e.value <= 0 : e.value >= 0;
      if (sign_ok && x >= 0 && x > e.low[variant_] && x < e.high[variant_]) {
        pos_ += std::min<size_t>(4, Rest());
        ++p_;
        if ((v_.ends_after_spaces || !space) && i < k - 1) {
          const bool gap = ItemIs(f_, pos_, "FEFE");
          if (gap || ItemIs(f_, pos_, "EDED")) {
            // The frame ends inside the symbol.
            if (!v_.surplus) {
              s_ += WriteHex(a, 4);
            } else if (i == k - 2) {
              s_.push_back(letter);
            }
            if (gap) {
              AppendGap();
              p_ += 2;
            } else {
              pos_ += 4;
            }
            return true;
          }
        }
      } else if (sign_ok && x >= 0 && v_.surplus && x > a && i == k - 1) {
        // The last space ran into the gap after it: the element matches and
        // what is left over stays as the next item. The frame is copied on
        // its first such change only.
        const size_t len = std::min<size_t>(4, Rest());
        if (owned_.empty()) owned_.assign(f_);
        owned_.replace(pos_, len, WriteHex(x - a, 4));
        f_ = owned_;
        p_ += 2;
      } else {
        pos_ = start_pos;
        p_ = start_p;
        return false;
      }
    }
    s_.push_back(letter);
    return true;
  }

  const DecoderVariant& v_;
  size_t variant_;
  std::string_view f_;
  std::string owned_;
  const RecognitionContext& ctx_;
  const validate_internal::GroupTable& values_;
  size_t limit_;
  size_t pos_ = 0;
  int p_;
  std::string s_;
};

std::optional<std::string> DecodeFull(int variant, std::string_view f,
                                      const RecognitionContext& context) {
  // Entries are only read when the decoding reaches them, so an unset one
  // matters only then.
  const validate_internal::GroupTable values = validate_internal::ReadGroupTable(context);
  return Decoder(variant, f, context, values, std::string::npos).Run();
}

}  // namespace

namespace validate_internal {

std::string_view StripHeaderView(std::string_view f, std::string_view hd, std::string& storage) {
  const size_t n = hd.size() / 4;
  if (n == 0) return f;
  size_t pos = 0;
  for (size_t i = 0; i < n; ++i) {
    const int32_t a = ReadItem(hd, i * 4);
    const int32_t b = ReadItem(f, pos);
    if (a < 0 || b < 0) return {};
    const size_t len = std::min<size_t>(4, f.size() - pos);
    if (WithinRatio(b, a, 8, 12)) {
      pos += len;
    } else if (i == n - 1 && a < b) {
      // The capture merged the last header duration with what follows it:
      // the surplus is the first data item.
      storage = WriteHex(static_cast<int64_t>(b) - a, 4);
      storage += f.substr(pos + len);
      return storage;
    } else {
      return {};
    }
  }
  return f.substr(pos);
}

FrameTiming ReadFrameTiming(std::string_view f) {
  FrameTiming t;
  const size_t gap = FindItem(f, "FEFE");
  t.has_gap = gap != std::string_view::npos;
  if (t.has_gap) t.gap = ItemAt(f, gap + 4);
  int64_t sum = 0;
  size_t pos = 0;
  while (pos < f.size()) {
    if (ItemIs(f, pos, "FEFE")) {
      const int32_t item = ReadItem(f, pos + 4);
      if (item < 0) return t;
      sum += static_cast<int64_t>(item) * 1000;
      pos += 12;
    } else {
      const int32_t item = ReadItem(f, pos);
      if (item < 0) return t;
      sum += item;
      pos += 4;
    }
  }
  t.period = sum;
  return t;
}

bool FrameTimingFits(std::string_view mark, const FrameTiming& t) {
  if (mark.empty()) return false;
  const std::optional<int32_t> digits = ItemAt(mark, 1);
  if (!digits) return false;
  if (mark[0] == 't') return t.has_gap && t.gap && WithinRatio(*t.gap, *digits, 9, 11);
  if (mark[0] == 'h') {
    return t.period && WithinRatio(*t.period, static_cast<int64_t>(*digits) * 1000, 9, 11);
  }
  return false;
}

GroupTable ReadGroupTable(const RecognitionContext& context) {
  GroupTable table;
  table.complete = true;
  const int k = context.ElementCount;
  if (k < 1 || k > kMaxGroupElements) return table;
  const int groups = std::min<int>(context.ActiveGroups, kMaxGroups);
  for (int g = 0; g < groups; ++g) {
    for (int i = 0; i < k; ++i) {
      GroupEntry& entry = table.entries[static_cast<size_t>(g * kMaxGroupElements + i)];
      const std::optional<int32_t> value = GroupValue(context, g, i);
      if (!value) {
        table.complete = false;
        continue;
      }
      entry.set = true;
      entry.value = *value;
      entry.magnitude = std::llabs(static_cast<int64_t>(*value));
      for (size_t v = 0; v < 4; ++v) {
        const DecoderVariant& variant = kVariants[v];
        // Below 600 µs the window is a share of the duration, above it a
        // fixed 200 µs either side.
        if (entry.magnitude < 600) {
          entry.low[v] = RoundRatio(entry.magnitude, variant.low, 100);
          entry.high[v] = RoundRatio(entry.magnitude, variant.high, 100);
        } else {
          entry.low[v] = entry.magnitude - 200;
          entry.high[v] = entry.magnitude + 200;
        }
      }
    }
  }
  return table;
}

std::optional<std::string> DecodeSymbolsPrefix(int variant, std::string_view f,
                                               const RecognitionContext& context,
                                               const GroupTable& values, size_t limit) {
  return Decoder(variant, f, context, values, values.complete ? limit : std::string::npos).Run();
}

}  // namespace validate_internal

std::optional<std::string> DecodeSymbolsA(std::string_view f, const RecognitionContext& context) {
  return DecodeFull(0, f, context);
}
std::optional<std::string> DecodeSymbolsB(std::string_view f, const RecognitionContext& context) {
  return DecodeFull(1, f, context);
}
std::optional<std::string> DecodeSymbolsC(std::string_view f, const RecognitionContext& context) {
  return DecodeFull(2, f, context);
}
std::optional<std::string> DecodeSymbolsD(std::string_view f, const RecognitionContext& context) {
  return DecodeFull(3, f, context);
}

std::string MatchPattern(std::string_view pattern, std::string_view candidate) {
  std::string out;
  size_t i = 0, j = 0;
  while (i < pattern.size() && j < candidate.size()) {
    const bool ps = IsSymbolLetter(pattern[i]);
    const bool cs = IsSymbolLetter(candidate[j]);
    if (ps && cs) {
      out.push_back(candidate[j]);
      ++i;
      ++j;
    } else if (!ps && !cs) {
      const bool pm = pattern[i] == 'h' || pattern[i] == 't';
      const bool cm = candidate[j] == 'h' || candidate[j] == 't';
      if (pm && cm) {
        // The template's mark wins over the capture's gap.
        out.push_back(pattern[i]);
        ++i;
        j += 5;
        out.append(pattern.substr(i, 4));
        i += std::min<size_t>(4, pattern.size() - i);
      } else if (!pm && !cm) {
        const std::optional<int32_t> a = ItemAt(pattern, i);
        const std::optional<int32_t> b = ItemAt(candidate, j);
        if (!a || !b) return {};
        if (!WithinRatio(*b, *a, 7, 13)) return {};
        out.append(pattern.substr(i, 4));
        i += std::min<size_t>(4, pattern.size() - i);
        j += 4;
      } else {
        return {};
      }
    } else {
      return {};
    }
  }
  return out;
}

}  // namespace tvq31
