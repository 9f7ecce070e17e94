#include "MrcDataUnit/timing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tvq31 {

namespace {

constexpr int64_t kI32Max = std::numeric_limits<int32_t>::max();

// Magnitudes up to INT32_MAX keep every |value| representable.
int32_t ClampSymmetric(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kI32Max, kI32Max));
}

int32_t SaturateI32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), kI32Max));
}

// What one carrier cycle of a carrier-cycle element is worth: 1e6 / carrier,
// or nothing for a style without a carrier.
double PeriodFactor(const CodeStyleNode& style) {
  if (style.NoCarrier == 0 && style.CarrierFreq > 0) return 1000000.0 / style.CarrierFreq;
  return 0.0;
}

int64_t Magnitude(int32_t v) { return v < 0 ? -static_cast<int64_t>(v) : v; }

// Remainder of `d` by `c`, folded to the nearer multiple at c div 2.
int64_t FoldedRemainder(int64_t d, int64_t c) {
  int64_t e = d % c;
  if (e > c / 2) e = c - e;
  return e;
}

}  // namespace

int64_t RoundHalfEven(double x) {
  if (std::isnan(x)) return 0;
  constexpr double kLimit = 9223372036854775807.0;  // 2^63
  if (x >= kLimit) return std::numeric_limits<int64_t>::max();
  if (x <= -kLimit) return std::numeric_limits<int64_t>::min();
  const double floor = std::floor(x);
  const double diff = x - floor;
  auto f = static_cast<int64_t>(floor);
  if (diff > 0.5) return f + 1;
  if (diff < 0.5) return f;
  return (f % 2 == 0) ? f : f + 1;
}

int32_t ElementValue(uint32_t element, const CodeStyleNode& style) {
  const uint32_t tag = ElementTag(element);
  const int64_t v = ElementV(element);
  switch (tag) {
    case kTagSpaceFine: return ClampSymmetric(-v);
    case kTagSpaceCoarse: return ClampSymmetric(-v * 1000);
    case kTagSpaceCycles:
      return ClampSymmetric(-RoundHalfEven(static_cast<double>(v) * PeriodFactor(style)));
    case kTagMarkFine: return ClampSymmetric(v);
    case kTagMarkCoarse: return ClampSymmetric(v * 1000);
    case kTagMarkCycles:
      return ClampSymmetric(RoundHalfEven(static_cast<double>(v) * PeriodFactor(style)));
    case kTagDefineA:
    case kTagReferA1:
    case kTagReferA2:
    case kTagDefineB:
    case kTagReferB1:
    case kTagReferB2:
    case kTagConstant:
    case kTagTrailingGap:
    case kTagPeriod:
    case kTagUnused:
      return static_cast<int32_t>(v);
    default: return 0;
  }
}

int32_t ElementDuration(uint32_t element, const CodeStyleNode& style) {
  const uint32_t tag = ElementTag(element);
  if (IsDurationElement(element) || tag == kTagTrailingGap || tag == kTagPeriod) {
    return ElementValue(element, style);
  }
  return 0;
}

bool IsDurationElement(uint32_t element) {
  const uint32_t tag = ElementTag(element);
  return tag <= 0x06 && tag != 0x03;
}
bool IsFreeSymbolElement(uint32_t element) { return ElementTag(element) == kTagFreeSymbol; }
bool IsFirstTableField(uint32_t element) {
  const uint32_t tag = ElementTag(element);
  return tag >= kTagDefineA && tag <= kTagReferA2;
}
bool IsFirstTableDefinition(uint32_t element) { return ElementTag(element) == kTagDefineA; }
bool IsSecondTableDefinition(uint32_t element) { return ElementTag(element) == kTagDefineB; }
bool IsConstantField(uint32_t element) { return ElementTag(element) == kTagConstant; }
bool IsPeriodEntry(uint32_t element) { return ElementTag(element) == kTagPeriod; }

std::vector<int32_t> CollectDurations(const CodeStyleNode& style) {
  std::vector<int32_t> values;
  values.reserve(kMaxGroups * kMaxGroupElements + kMaxFrames * kMaxFrameElements);
  const int groups = std::min<int>(style.GroupCount, kMaxGroups);
  for (int g = 0; g < groups; ++g) {
    const SymbolGroup& group = style.Groups[g];
    const int count = std::min<int>(group.Count, kMaxGroupElements);
    for (int i = 0; i < count; ++i) values.push_back(ElementDuration(group.Elements[i], style));
  }
  const int frames = std::min<int>(style.FrameCount, kMaxFrames);
  for (int f = 0; f < frames; ++f) {
    const FramePattern& frame = style.Frames[f];
    const int count = std::min<int>(frame.Count, kMaxFrameElements);
    for (int i = 0; i < count; ++i) {
      const int32_t d = ElementDuration(frame.Elements[i], style);
      if (d != 0) values.push_back(d);
    }
  }
  return values;
}

int32_t Gcd(int32_t a, int32_t b) {
  if (a == 0 || b == 0) return 0;
  if (b > a) std::swap(a, b);
  for (;;) {
    // INT32_MIN % -1 traps; its remainder is 0 anyway.
    const int32_t r = (b == -1) ? 0 : a % b;
    if (r == 0) return b;
    a = b;
    b = r;
  }
}

int32_t NearestDivisor(int32_t a_in, int32_t limit, double tolerance) {
  const int64_t a = Magnitude(a_in);
  if (limit >= a || limit <= 0) return SaturateI32(a);
  const int64_t t = RoundHalfEven(static_cast<double>(a) * std::min(tolerance, 1.0));
  for (int64_t n = limit; n >= 1; --n) {
    if (t >= FoldedRemainder(a, n)) return static_cast<int32_t>(n);
  }
  return 1;
}

int32_t CommonDivisor(const std::vector<int32_t>& values, int32_t limit, double tolerance) {
  if (values.empty()) return 1;
  const double tol = std::min(tolerance, 1.0);
  std::vector<int64_t> mags;
  std::vector<int64_t> allowed;
  mags.reserve(values.size());
  allowed.reserve(values.size());
  for (int32_t v : values) {
    mags.push_back(Magnitude(v));
    allowed.push_back(RoundHalfEven(static_cast<double>(mags.back()) * tol));
  }
  int64_t n = limit > 0 ? limit : mags.front();
  for (int64_t d : mags) n = std::min(n, d);
  for (int64_t c = n; c >= 1; --c) {
    bool pass = true;
    for (size_t i = 0; i < mags.size() && pass; ++i) {
      pass = FoldedRemainder(mags[i], c) <= allowed[i];
    }
    if (pass) return SaturateI32(c);
  }
  return 1;
}

std::optional<int32_t> FindTimeUnit(std::vector<int32_t>& values, const CodeStyleNode& style,
                                    int32_t rate) {
  for (int32_t v : values) {
    if (v == std::numeric_limits<int32_t>::min()) return std::nullopt;
  }
  const int32_t c = std::clamp(rate, 2000, 8000);
  const double tick = 100000.0 / c;

  if (style.NoCarrier != 0) {
    int32_t d = 100;
    if (!values.empty()) {
      int32_t g = values.front();
      for (size_t i = 1; i < values.size(); ++i) g = Gcd(g, static_cast<int32_t>(Magnitude(values[i])));
      if (g == std::numeric_limits<int32_t>::min()) return std::nullopt;
      d = NearestDivisor(g, g / 2, 0.02);
    }
    const int32_t unit = NearestDivisor(d, 25400000 / c, 0.02);
    if (unit <= 0) return std::nullopt;
    for (int32_t& v : values) {
      v = SaturateI32(RoundHalfEven(static_cast<double>(v) / unit));
    }
    return unit;
  }

  if (style.CarrierFreq <= 0 || style.UnitDivisor == 0) return std::nullopt;
  const int64_t period = RoundHalfEven(100000000.0 / style.CarrierFreq);
  const int64_t k = RoundHalfEven(static_cast<double>(period) / style.UnitDivisor / tick);
  const int64_t unit64 = RoundHalfEven(static_cast<double>(k) * tick);
  if (unit64 <= 0 || unit64 > kI32Max) return std::nullopt;
  const auto unit = static_cast<int32_t>(unit64);

  // The remainder is folded against half the carrier period, not half the
  // modulus: below UnitDivisor the modulus grows and nothing folds.
  int64_t n = style.UnitDivisor;
  while (n >= 2) {
    const int64_t modulus = n * unit;
    bool pass = true;
    for (int32_t v : values) {
      const int64_t mag = Magnitude(v);
      int64_t m = mag % modulus;
      if (m > period / 2) m = modulus - m;
      if (!(static_cast<double>(m) <= 0.02 * static_cast<double>(mag))) {
        pass = false;
        break;
      }
    }
    if (pass) break;
    --n;
  }
  const double modulus = static_cast<double>(n * unit);
  for (int32_t& v : values) {
    v = SaturateI32(n * RoundHalfEven(static_cast<double>(v) / modulus));
  }
  return unit;
}

int32_t FindMultiplier(const std::vector<int32_t>& values) {
  return std::max(2, CommonDivisor(values, 255, 0.02));
}

int32_t DeviceUnit(int32_t unit) {
  const int64_t ticks = RoundHalfEven(static_cast<double>(unit) * kTickRate / 100000.0);
  return SaturateI32(std::max<int64_t>(1, ticks));
}

}  // namespace tvq31
