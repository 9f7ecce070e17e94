#include "ValidatePro/keyrecord.h"

#include <algorithm>
#include <vector>

#include "MrcDataUnit/timing.h"
#include "ValidatePro/framematch.h"
#include "ValidatePro/internal.h"
#include "hextext/hextext.h"

namespace tvq31 {

using validate_internal::RoundEven;

namespace {

constexpr int32_t kPatternDivisor = 1048576;

// One record byte. A value outside 0 to 255 is written as its low byte and
// clears `fits`: a record holding it would send another key.
void Byte(std::string& out, int64_t value, bool& fits) {
  if (value < 0 || value > 255) fits = false;
  AppendByteHex(out, static_cast<int>(value & 0xFF));
}

// Divisors from the context; a context that never encoded holds zeros.
int64_t Base(const RecognitionContext& c) { return std::max<int64_t>(1, c.BaseUnit); }
int64_t Unit(const RecognitionContext& c, int32_t multiplier) {
  return Base(c) * std::max<int64_t>(1, multiplier);
}

int64_t Magnitude(int64_t v) { return v < 0 ? -v : v; }

// Units of a duration in microseconds, rounded.
int64_t Units(int64_t micros, int64_t unit_ticks) {
  return RoundEven(static_cast<double>(micros) * 6.0 / static_cast<double>(unit_ticks));
}

int FieldLength(const std::array<int32_t, 4>& table, int32_t field) {
  return field >= 0 && field < 4 ? std::max(0, table[static_cast<size_t>(field)]) : 0;
}

// The free-symbol bytes of a style whose free symbols stand for one symbol.
void AppendFreeSymbol(std::string& out, const CodeStyleNode& style, bool quad, bool& fits) {
  if (!quad) {
    Byte(out, 0x70, fits);
    return;
  }
  const int high = style.FreeSymbolHigh, low = style.FreeSymbolLow;
  Byte(out, 0x74, fits);
  Byte(out, 128 * (high / 2) + 64 * (high % 2) + 32 * (low / 2) + 16 * (low % 2), fits);
}

std::string PackSymbols(std::string_view letters, int marker_base, int bits, int capacity,
                        bool& fits);
std::string Pack(std::string_view letters, bool quad, bool& fits) {
  return quad ? PackSymbols(letters, 0x4F, 2, 4, fits) : PackSymbols(letters, 0x3F, 1, 8, fits);
}

class RecognisedText {
 public:
  explicit RecognisedText(std::string_view s) : s_(s) {}
  std::string_view Take(int64_t n) {
    const size_t len = static_cast<size_t>(std::clamp<int64_t>(n, 0, static_cast<int64_t>(s_.size())));
    const std::string_view out = s_.substr(0, len);
    s_.remove_prefix(len);
    return out;
  }
  // Past the next frame mark: the first "h", or failing that the first "t",
  // and its four digits. Without a mark nothing of the text is left to place.
  void SkipMark() {
    size_t at = s_.find('h');
    if (at == std::string_view::npos) at = s_.find('t');
    if (at == std::string_view::npos) {
      s_ = {};
      return;
    }
    s_.remove_prefix(std::min(s_.size(), at + 5));
  }

 private:
  std::string_view s_;
};

// One frame block of pattern p, the symbols taken from the recognised text.
std::string BuildBlock(const CodeStyleNode& style, int p, RecognisedText& s, bool quad,
                       const RecognitionContext& context, bool& fits) {
  const FramePattern& pattern = style.Frames[static_cast<size_t>(p)];
  const int count = std::min<int>(pattern.Count, kMaxFrameElements);
  const int64_t unit = Unit(context, context.MarkMultiplier);
  std::string body;
  int64_t extensions = 0;
  auto pack = [&](int64_t letters) {
    const std::string_view run = s.Take(letters);
    body += Pack(run, quad, fits);
  };
  for (int i = 0; i < count; ++i) {
    const uint32_t e = pattern.Elements[static_cast<size_t>(i)];
    const int32_t v = ElementValue(e, style);
    if (IsDurationElement(e)) {
      s.Take(4);
      const bool space = v < 1;
      int64_t n = Units(Magnitude(v) / 100, unit) - 1;
      // A long duration is written as whole 64-unit pieces first; every
      // piece and the rest add up to the duration.
      if (n >= 64) {
        const int64_t pieces = n / 64;
        const char* piece = space ? "BF" : "FF";
        body.reserve(body.size() + 2 * static_cast<size_t>(pieces) + 2);
        for (int64_t k = 0; k < pieces; ++k) body.append(piece, 2);
        extensions += pieces;
        n -= 64 * pieces;
      }
      Byte(body, (space ? 0x80 : 0xC0) + n, fits);
    } else if (IsFreeSymbolElement(e)) {
      s.Take(style.FreeSymbolMode);
      if (style.FreeSymbolMode == 1) AppendFreeSymbol(body, style, quad, fits);
    } else if (IsConstantField(e)) {
      pack(v / 65536);
    } else if (IsFirstTableField(e)) {
      pack(FieldLength(context.FieldLengthsA, v / 16));
    } else {
      pack(FieldLength(context.FieldLengthsB, v / 16));
    }
  }
  std::string block;
  Byte(block, pattern.Count + extensions, fits);
  return block + body;
}

// The closing block: the last pattern written from the style alone.
std::string BuildClosingBlock(const CodeStyleNode& style, int p, bool quad,
                              const RecognitionContext& context, bool& fits) {
  const FramePattern& pattern = style.Frames[static_cast<size_t>(p)];
  const int count = std::min<int>(pattern.Count, kMaxFrameElements);
  const int64_t unit = Unit(context, context.MarkMultiplier);
  std::string block;
  Byte(block, pattern.Count, fits);
  for (int i = 0; i < count; ++i) {
    const uint32_t e = pattern.Elements[static_cast<size_t>(i)];
    const int32_t v = ElementValue(e, style);
    if (IsConstantField(e)) {
      const std::string digits = WriteHex(v % 65536, v / 65536);
      std::string letters;
      for (char d : digits) {
        const int symbol = HexDigitValue(d);
        if (symbol >= 0 && symbol <= (quad ? 3 : 1)) letters.push_back(static_cast<char>('u' + symbol));
      }
      block += Pack(letters, quad, fits);
    } else if (IsFreeSymbolElement(e)) {
      if (style.FreeSymbolMode == 1) AppendFreeSymbol(block, style, quad, fits);
    } else if (IsDurationElement(e)) {
      // One byte without extensions: more than 64 units would read as a
      // duration of the other kind.
      const int64_t units = Units(Magnitude(v) / 100, unit);
      if (units > 64) fits = false;
      Byte(block, (v < 1 ? 0x7F : 0xBF) + units, fits);
    }
  }
  return block;
}

std::string EncodeData(const CodeStyleNode& style, std::string_view recognised,
                       const RecognitionContext& context, bool quad, bool& fits) {
  std::vector<std::string> blocks;
  if (quad || style.GroupCount == 2) {
    RecognisedText s(recognised);
    int32_t last = -1;
    const int sequence = std::min<int>(style.SequenceCount, kMaxSequence);
    for (int j = 0; j < sequence; ++j) {
      const int32_t p = ElementValue(style.Sequence[static_cast<size_t>(j)], style) / kPatternDivisor;
      if (p > last && p < kMaxFrames) {
        blocks.push_back(BuildBlock(style, p, s, quad, context, fits));
        last = p;
      }
      s.SkipMark();
    }
  }
  if (style.TrailerCount != 0 && style.FrameCount >= 1 && style.FrameCount <= kMaxFrames) {
    blocks.push_back(BuildClosingBlock(style, style.FrameCount - 1, quad, context, fits));
  }
  // Each offset is the block's true position from the start of the data
  // part: the whole offset table, then the blocks before it.
  std::string out;
  size_t position = blocks.size();
  for (const std::string& block : blocks) {
    Byte(out, static_cast<int64_t>(position), fits);
    position += block.size() / 2;
  }
  for (const std::string& block : blocks) out += block;
  return out;
}

// More letters than the packed byte holds cannot be sent: the marker still
// counts them, the byte drops them.
std::string PackSymbols(std::string_view letters, int marker_base, int bits, int capacity,
                        bool& fits) {
  std::string out;
  if (letters.size() > static_cast<size_t>(capacity)) fits = false;
  Byte(out, marker_base + static_cast<int64_t>(letters.size()), fits);
  int64_t packed = 0;
  const size_t n = std::min<size_t>(letters.size(), static_cast<size_t>(capacity));
  for (size_t k = 0; k < n; ++k) {
    const int shift = 8 - bits * static_cast<int>(k + 1);
    packed += static_cast<int64_t>(SymbolClass(letters.substr(k, 1))) << shift;
  }
  Byte(out, packed, fits);
  return out;
}

std::string Entries(const CodeStyleNode& style, const RecognitionContext& context, bool& fits) {
  std::string out;
  auto entry = [&](uint32_t e) {
    const int32_t v = ElementValue(e, style);
    const int64_t t = static_cast<int64_t>(v % kPatternDivisor) * 60 / Base(context);
    // The time has two bytes.
    if (t < 0 || t > 65535) fits = false;
    Byte(out, t % 256, fits);
    Byte(out, t / 256, fits);
    Byte(out, t / 1048576 + (IsPeriodEntry(e) ? 0x80 : 0xC0), fits);
    Byte(out, v / kPatternDivisor, fits);
  };
  const int sequence = std::min<int>(style.SequenceCount, kMaxSequence);
  for (int j = 1; j < sequence; ++j) entry(style.Sequence[static_cast<size_t>(j)]);
  const int trailer = std::min<int>(style.TrailerCount, kMaxTrailer);
  for (int j = 0; j < trailer; ++j) entry(style.Trailer[static_cast<size_t>(j)]);
  return out;
}

std::string GroupTable(const CodeStyleNode& style, const RecognitionContext& context, bool& fits) {
  const int groups = std::min<int>(style.GroupCount, kMaxGroups);
  const int64_t space_unit = Unit(context, context.SpaceMultiplier);
  const int64_t mark_unit = Unit(context, context.MarkMultiplier);
  std::string offsets, blocks;
  int64_t position = groups;
  for (int g = 0; g < groups; ++g) {
    const SymbolGroup& group = style.Groups[static_cast<size_t>(g)];
    const int count = std::min<int>(group.Count, kMaxGroupElements);
    Byte(offsets, position, fits);
    position += 1 + count;
    Byte(blocks, group.Count, fits);
    for (int i = 0; i < count; ++i) {
      const int64_t c = GroupValue(context, g, i).value_or(0);
      // One byte of 1 to 64 units: outside that a space reads as a mark (or
      // a mark as a space) of another length.
      const int64_t units = c < 0 ? Units(-c, space_unit) : Units(c, mark_unit);
      if (units < 1 || units > 64) fits = false;
      Byte(blocks, (c < 0 ? 0x7F : 0xBF) + units, fits);
    }
  }
  return offsets + blocks;
}

}  // namespace

std::string PackSymbolsQuad(std::string_view letters) {
  bool fits = true;
  return PackSymbols(letters, 0x4F, 2, 4, fits);
}

std::string PackSymbolsBinary(std::string_view letters) {
  bool fits = true;
  return PackSymbols(letters, 0x3F, 1, 8, fits);
}

std::string EncodeEntries(const CodeStyleNode& style, const RecognitionContext& context) {
  bool fits = true;
  return Entries(style, context, fits);
}

std::string EncodeGroupTable(const CodeStyleNode& style, const RecognitionContext& context) {
  bool fits = true;
  return GroupTable(style, context, fits);
}

std::string EncodeDataQuad(const CodeStyleNode& style, std::string_view recognised,
                           const RecognitionContext& context) {
  bool fits = true;
  return EncodeData(style, recognised, context, true, fits);
}

std::string EncodeDataBinary(const CodeStyleNode& style, std::string_view recognised,
                             const RecognitionContext& context) {
  bool fits = true;
  return EncodeData(style, recognised, context, false, fits);
}

std::optional<std::string> EncodeKeyRecord(const CodeStyleNode& style, std::string_view recognised,
                                           int key_code, RecognitionContext& context) {
  std::vector<int32_t> values = CollectDurations(style);
  const std::optional<int32_t> unit = FindTimeUnit(values, style, kTickRate);
  if (!unit) return std::nullopt;
  // The parts below read the timing figures from the context; a record that
  // cannot be written puts the old ones back.
  const int32_t old_base = context.BaseUnit, old_mark = context.MarkMultiplier,
                old_space = context.SpaceMultiplier;
  context.BaseUnit = DeviceUnit(*unit);
  context.MarkMultiplier = context.SpaceMultiplier = FindMultiplier(values);

  bool fits = true;
  std::string timing;
  Byte(timing, static_cast<int64_t>(context.BaseUnit) - 1, fits);
  Byte(timing, style.NoCarrier != 0 ? 0x80 : style.CarrierSel * 7 + style.UnitDivisor, fits);
  Byte(timing, static_cast<int64_t>(context.MarkMultiplier) - 1, fits);
  Byte(timing, static_cast<int64_t>(context.SpaceMultiplier) - 1, fits);
  Byte(timing, style.ModeHigh * 16 + style.ModeLow, fits);
  Byte(timing, style.ModeByte, fits);
  Byte(timing, style.FrameCount * 16 + style.SequenceCount, fits);
  Byte(timing, style.RepeatCount * 16 + style.TrailerCount, fits);
  const std::string entries = Entries(style, context, fits);
  const std::string groups = GroupTable(style, context, fits);
  const int64_t g = 10 + static_cast<int64_t>(entries.size() / 2);
  const int64_t lt = g + static_cast<int64_t>(groups.size() / 2);

  const std::string data = EncodeData(style, recognised, context, style.GroupCount > 2, fits);
  const int64_t ld = static_cast<int64_t>(data.size() / 2);

  std::string out;
  out.reserve(20 + 4 + timing.size() + entries.size() + groups.size() + data.size());
  Byte(out, 0x00, fits);
  Byte(out, 0x01, fits);
  Byte(out, key_code, fits);
  Byte(out, 0xC7, fits);
  Byte(out, 0x0A, fits);
  Byte(out, 0x00, fits);
  Byte(out, lt, fits);
  Byte(out, lt + 10, fits);  // the data offset has no high byte
  Byte(out, 0x00, fits);
  Byte(out, ld, fits);
  Byte(out, g, fits);
  Byte(out, lt, fits);
  if (!fits) {
    context.BaseUnit = old_base;
    context.MarkMultiplier = old_mark;
    context.SpaceMultiplier = old_space;
    return std::nullopt;
  }
  out += timing;
  out += entries;
  out += groups;
  out += data;
  return out;
}

}  // namespace tvq31
