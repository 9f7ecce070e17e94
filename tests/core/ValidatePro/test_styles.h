// Code styles and learned-code texts built in code, so recognition cases
// are data.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "MrcDataUnit/codestyle.h"
#include "MrcDataUnit/timing.h"
#include "hextext/hextext.h"

namespace tvq31::testing_styles {

// Library durations count hundredths of a microsecond.
constexpr uint32_t Mark(uint32_t micros) { return MakeElement(0x04, micros * 100); }
constexpr uint32_t Space(uint32_t micros) { return MakeElement(0x00, micros * 100); }
constexpr uint32_t DefineA(uint32_t field, uint32_t len) { return MakeElement(0x08, field * 16 + len); }
constexpr uint32_t DefineB(uint32_t field, uint32_t len) { return MakeElement(0x0C, field * 16 + len); }
constexpr uint32_t ReferA(uint32_t v) { return MakeElement(0x09, v); }
constexpr uint32_t ReferB(uint32_t v) { return MakeElement(0x0D, v); }
constexpr uint32_t Constant(uint32_t symbols, uint32_t digits) {
  return MakeElement(0x0F, symbols * 65536 + digits);
}
constexpr uint32_t FreeSymbol() { return MakeElement(0x0B, 0); }
// Sequence entries: pattern number and the mark before it in 10 µs units.
constexpr uint32_t Period(uint32_t pattern, uint32_t ten_micros) {
  return MakeElement(0x19, pattern * 1048576 + ten_micros);
}
constexpr uint32_t Gap(uint32_t pattern, uint32_t ten_micros) {
  return MakeElement(0x10, pattern * 1048576 + ten_micros);
}

inline FramePattern Pattern(std::initializer_list<uint32_t> elements) {
  FramePattern p;
  p.Count = static_cast<uint8_t>(elements.size());
  size_t i = 0;
  for (uint32_t e : elements) p.Elements[i++] = e;
  return p;
}

inline SymbolGroup Group(std::initializer_list<uint32_t> elements) {
  SymbolGroup g;
  g.Count = static_cast<uint8_t>(elements.size());
  size_t i = 0;
  for (uint32_t e : elements) g.Elements[i++] = e;
  return g;
}

// NEC: "u" is 560/560, "v" 560/1690; lead 9000/4500, four 8-symbol fields,
// a stop mark; one frame every 108 ms, the frame repeating once in the
// template.
inline CodeStyleNode NecStyle() {
  CodeStyleNode s;
  s.Name = "NEC";
  s.CarrierFreq = 38000;
  s.CarrierSel = 2;
  s.UnitDivisor = 1;
  s.GroupCount = 2;
  s.Groups[0] = Group({Mark(560), Space(560)});
  s.Groups[1] = Group({Mark(560), Space(1690)});
  s.FrameCount = 1;
  s.Frames[0] = Pattern({Mark(9000), Space(4500), DefineA(0, 8), DefineA(1, 8), DefineA(2, 8),
                         DefineA(3, 8), Mark(560)});
  s.SequenceCount = 1;
  s.Sequence[0] = Period(0, 10800);
  s.RepeatCount = 1;
  s.ModeHigh = 1;
  s.ModeLow = 2;
  s.ModeByte = 0x33;
  return s;
}

inline std::string Item(int micros) { return WriteHex(micros, 4); }

// One NEC data frame for `letters` ("u"/"v"), with the given lead and bit
// durations, closed by the gap that makes the frame 108 ms long (or by
// "EDED" alone when gap_ms is 0).
inline std::string NecFrame(std::string_view letters, int lead_mark = 9000, int lead_space = 4500,
                            int mark = 560, int zero = 560, int one = 1690, int gap_ms = -1,
                            int stop = -1) {
  std::string f = Item(lead_mark) + Item(lead_space);
  int total = lead_mark + lead_space;
  for (char c : letters) {
    const int space = c == 'v' ? one : zero;
    f += Item(mark) + Item(space);
    total += mark + space;
  }
  const int stop_mark = stop < 0 ? mark : stop;
  f += Item(stop_mark);
  total += stop_mark;
  if (gap_ms < 0) gap_ms = (108000 - total) / 1000;
  if (gap_ms > 0) f += "FEFE" + Item(gap_ms);
  return f + "EDED";
}

// The NEC repeat frame, last in its press.
inline std::string NecRepeat() { return Item(9000) + Item(2250) + Item(560) + "EDED"; }

// 32 letters: fields 81, 55, F0, 0F written first bit first.
inline constexpr std::string_view kNecLetters = "vuuuuuuvuvuvuvuvvvvvuuuuuuuuvvvv";

inline uint32_t ScaledElement(uint32_t e, double f) {
  const uint32_t tag = ElementTag(e);
  const bool duration = tag <= 2 || (tag >= 4 && tag <= 6);
  if (!duration) return e;
  return MakeElement(tag, static_cast<uint32_t>(std::llround(ElementV(e) * f)));
}

// A copy of `s` with every duration and entry time scaled by `f`.
inline CodeStyleNode ScaledStyle(const CodeStyleNode& s, double f) {
  CodeStyleNode c = s;
  c.Name = s.Name + "*" + std::to_string(f).substr(0, 4);
  for (SymbolGroup& g : c.Groups) {
    for (uint32_t& e : g.Elements) e = ScaledElement(e, f);
  }
  for (FramePattern& p : c.Frames) {
    for (uint32_t& e : p.Elements) e = ScaledElement(e, f);
  }
  for (uint32_t& e : c.Sequence) {
    const uint32_t v = ElementV(e);
    const uint32_t time = static_cast<uint32_t>(std::llround((v % kEntryPatternScale) * f));
    e = MakeElement(ElementTag(e), v / kEntryPatternScale * kEntryPatternScale +
                                       std::min<uint32_t>(time, kEntryPatternScale - 1));
  }
  return c;
}

}  // namespace tvq31::testing_styles
