#include "swf/swf_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace tvq31::swf {
namespace {

constexpr uint16_t kTagEnd = 0;
constexpr uint16_t kTagShowFrame = 1;
constexpr uint16_t kTagSetBackgroundColor = 9;
constexpr uint16_t kTagPlaceObject2 = 26;
constexpr uint16_t kTagRemoveObject2 = 28;
constexpr uint16_t kTagDefineShape3 = 32;
constexpr uint16_t kTagFileAttributes = 69;
constexpr uint8_t kVersion = 8;

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  ~BitWriter() { Align(); }

  void Bits(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (used_ == 0) out_.push_back(0);
      if ((value >> i) & 1u) out_.back() |= static_cast<uint8_t>(0x80u >> used_);
      used_ = (used_ + 1) % 8;
    }
  }
  void Signed(int32_t value, int count) { Bits(static_cast<uint32_t>(value), count); }
  void Align() { used_ = 0; }

 private:
  std::vector<uint8_t>& out_;
  int used_ = 0;
};

// Bits a signed field needs to hold `v`.
int SignedBits(int32_t v) {
  const uint32_t magnitude = v < 0 ? ~static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  return std::bit_width(magnitude) + 1;
}

int SignedBits(std::initializer_list<int32_t> values) {
  int bits = 1;
  for (int32_t v : values) bits = std::max(bits, SignedBits(v));
  return bits;
}

void U8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }
void U16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void U32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Colour(std::vector<uint8_t>& out, Rgba c) {
  out.insert(out.end(), {c.r, c.g, c.b, c.a});
}

void WriteRect(std::vector<uint8_t>& out, const Rect& r) {
  BitWriter w(out);
  const int n = SignedBits({r.x_min, r.x_max, r.y_min, r.y_max});
  w.Bits(static_cast<uint32_t>(n), 5);
  w.Signed(r.x_min, n);
  w.Signed(r.x_max, n);
  w.Signed(r.y_min, n);
  w.Signed(r.y_max, n);
}

void WriteMatrix(std::vector<uint8_t>& out, const Matrix& m) {
  BitWriter w(out);
  const bool scale = m.scale_x != (1 << 16) || m.scale_y != (1 << 16);
  w.Bits(scale, 1);
  if (scale) {
    const int n = SignedBits({m.scale_x, m.scale_y});
    w.Bits(static_cast<uint32_t>(n), 5);
    w.Signed(m.scale_x, n);
    w.Signed(m.scale_y, n);
  }
  const bool rotate = m.rotate_skew0 != 0 || m.rotate_skew1 != 0;
  w.Bits(rotate, 1);
  if (rotate) {
    const int n = SignedBits({m.rotate_skew0, m.rotate_skew1});
    w.Bits(static_cast<uint32_t>(n), 5);
    w.Signed(m.rotate_skew0, n);
    w.Signed(m.rotate_skew1, n);
  }
  const bool translate = m.translate_x != 0 || m.translate_y != 0;
  const int n = translate ? SignedBits({m.translate_x, m.translate_y}) : 0;
  w.Bits(static_cast<uint32_t>(n), 5);
  if (translate) {
    w.Signed(m.translate_x, n);
    w.Signed(m.translate_y, n);
  }
}

void WriteColourTransform(std::vector<uint8_t>& out, const ColourTransform& c) {
  BitWriter w(out);
  const ColourTransform identity;
  const bool add = !std::equal(std::begin(c.add), std::end(c.add), std::begin(identity.add));
  const bool mult = !std::equal(std::begin(c.mult), std::end(c.mult), std::begin(identity.mult));
  w.Bits(add, 1);
  w.Bits(mult, 1);
  int n = 1;
  for (int i = 0; i < 4; ++i) {
    if (mult) n = std::max(n, SignedBits(c.mult[i]));
    if (add) n = std::max(n, SignedBits(c.add[i]));
  }
  w.Bits(static_cast<uint32_t>(n), 4);
  if (mult) {
    for (int16_t v : c.mult) w.Signed(v, n);
  }
  if (add) {
    for (int16_t v : c.add) w.Signed(v, n);
  }
}

void Extend(Rect& r, bool& first, Point p) {
  if (first) {
    r = {p.x, p.x, p.y, p.y};
    first = false;
    return;
  }
  r.x_min = std::min(r.x_min, p.x);
  r.x_max = std::max(r.x_max, p.x);
  r.y_min = std::min(r.y_min, p.y);
  r.y_max = std::max(r.y_max, p.y);
}

void ExtendContour(Rect& r, bool& first, const Contour& c) {
  Extend(r, first, c.start);
  for (const Segment& s : c.segments) {
    if (s.curved) Extend(r, first, s.control);
    Extend(r, first, s.to);
  }
}

int StyleBits(std::size_t count) { return std::bit_width(count); }

// One contour's records: a style change that moves to its start and selects
// the styles, then its edges (as deltas).
void WriteContour(BitWriter& w, const Contour& c, uint32_t fill, uint32_t line, int fill_bits,
                  int line_bits) {
  // Style change: new styles 0, line 1, fill1 1, fill0 1, move 1.
  w.Bits(0, 1);
  w.Bits(0b01111, 5);
  const int move_bits = SignedBits({c.start.x, c.start.y});
  w.Bits(static_cast<uint32_t>(move_bits), 5);
  w.Signed(c.start.x, move_bits);
  w.Signed(c.start.y, move_bits);
  w.Bits(fill, fill_bits);  // fill style 0
  w.Bits(0, fill_bits);     // fill style 1
  w.Bits(line, line_bits);
  Point at = c.start;
  for (const Segment& s : c.segments) {
    if (s.curved) {
      const int32_t cx = s.control.x - at.x, cy = s.control.y - at.y;
      const int32_t ax = s.to.x - s.control.x, ay = s.to.y - s.control.y;
      const int n = std::max(2, SignedBits({cx, cy, ax, ay}));
      w.Bits(0b10, 2);  // edge, curved
      w.Bits(static_cast<uint32_t>(n - 2), 4);
      w.Signed(cx, n);
      w.Signed(cy, n);
      w.Signed(ax, n);
      w.Signed(ay, n);
    } else {
      const int32_t dx = s.to.x - at.x, dy = s.to.y - at.y;
      const int n = std::max(2, SignedBits({dx, dy}));
      w.Bits(0b11, 2);  // edge, straight
      w.Bits(static_cast<uint32_t>(n - 2), 4);
      if (dx != 0 && dy != 0) {
        w.Bits(1, 1);  // general line
        w.Signed(dx, n);
        w.Signed(dy, n);
      } else {
        w.Bits(0, 1);
        w.Bits(dx == 0, 1);  // vertical
        w.Signed(dx == 0 ? dy : dx, n);
      }
    }
    at = s.to;
  }
}

}  // namespace

MovieWriter::MovieWriter(int width_px, int height_px, uint16_t frame_rate_8_8, Rgba background)
    : stage_{0, width_px * kTwipsPerPixel, 0, height_px * kTwipsPerPixel}, rate_(frame_rate_8_8) {
  // FileAttributes must come first in a version 8 file: no network access,
  // no metadata, ActionScript 2.
  Tag(kTagFileAttributes, {0, 0, 0, 0});
  Tag(kTagSetBackgroundColor, {background.r, background.g, background.b});
}

void MovieWriter::Tag(uint16_t code, const std::vector<uint8_t>& body) {
  // Short header for bodies under 63 bytes; ShowFrame and End always short.
  if (body.size() < 0x3F) {
    U16(tags_, static_cast<uint16_t>(code << 6 | body.size()));
  } else {
    U16(tags_, static_cast<uint16_t>(code << 6 | 0x3F));
    U32(tags_, static_cast<uint32_t>(body.size()));
  }
  tags_.insert(tags_.end(), body.begin(), body.end());
}

uint16_t MovieWriter::DefineShape(const Shape& shape) {
  const uint16_t id = next_id_++;
  std::vector<uint8_t> body;
  U16(body, id);

  Rect bounds;
  bool first = true;
  for (const Fill& f : shape.fills) {
    for (const Contour& c : f.contours) ExtendContour(bounds, first, c);
  }
  uint16_t widest = 0;
  for (const Stroke& s : shape.strokes) {
    for (const Contour& c : s.paths) ExtendContour(bounds, first, c);
    widest = std::max(widest, s.width);
  }
  const int32_t half = (widest + 1) / 2;
  bounds = {bounds.x_min - half, bounds.x_max + half, bounds.y_min - half, bounds.y_max + half};
  WriteRect(body, bounds);

  auto style_count = [&body](std::size_t n) {
    if (n < 0xFF) {
      U8(body, static_cast<uint8_t>(n));
    } else {
      U8(body, 0xFF);
      U16(body, static_cast<uint16_t>(n));
    }
  };
  style_count(shape.fills.size());
  for (const Fill& f : shape.fills) {
    U8(body, 0x00);  // solid
    Colour(body, f.colour);
  }
  style_count(shape.strokes.size());
  for (const Stroke& s : shape.strokes) {
    U16(body, s.width);
    Colour(body, s.colour);
  }
  const int fill_bits = StyleBits(shape.fills.size());
  const int line_bits = StyleBits(shape.strokes.size());
  {
    BitWriter w(body);
    w.Bits(static_cast<uint32_t>(fill_bits), 4);
    w.Bits(static_cast<uint32_t>(line_bits), 4);
    for (std::size_t i = 0; i < shape.fills.size(); ++i) {
      for (const Contour& c : shape.fills[i].contours) {
        WriteContour(w, c, static_cast<uint32_t>(i + 1), 0, fill_bits, line_bits);
      }
    }
    for (std::size_t i = 0; i < shape.strokes.size(); ++i) {
      for (const Contour& c : shape.strokes[i].paths) {
        WriteContour(w, c, 0, static_cast<uint32_t>(i + 1), fill_bits, line_bits);
      }
    }
    w.Bits(0, 6);  // end of shape
  }
  Tag(kTagDefineShape3, body);
  return id;
}

void MovieWriter::Place(uint16_t depth, uint16_t character, const Matrix& matrix,
                        const std::optional<ColourTransform>& colour) {
  std::vector<uint8_t> body;
  U8(body, static_cast<uint8_t>(0x02 | 0x04 | (colour ? 0x08 : 0)));
  U16(body, depth);
  U16(body, character);
  WriteMatrix(body, matrix);
  if (colour) WriteColourTransform(body, *colour);
  Tag(kTagPlaceObject2, body);
}

void MovieWriter::Modify(uint16_t depth, const std::optional<Matrix>& matrix,
                         const std::optional<ColourTransform>& colour) {
  std::vector<uint8_t> body;
  U8(body, static_cast<uint8_t>(0x01 | (matrix ? 0x04 : 0) | (colour ? 0x08 : 0)));
  U16(body, depth);
  if (matrix) WriteMatrix(body, *matrix);
  if (colour) WriteColourTransform(body, *colour);
  Tag(kTagPlaceObject2, body);
}

void MovieWriter::Remove(uint16_t depth) {
  std::vector<uint8_t> body;
  U16(body, depth);
  Tag(kTagRemoveObject2, body);
}

void MovieWriter::ShowFrame() {
  Tag(kTagShowFrame, {});
  ++frames_;
}

std::vector<uint8_t> MovieWriter::Finish() const {
  std::vector<uint8_t> out = {'F', 'W', 'S', kVersion, 0, 0, 0, 0};
  WriteRect(out, stage_);
  U16(out, rate_);
  U16(out, frames_);
  out.insert(out.end(), tags_.begin(), tags_.end());
  U16(out, static_cast<uint16_t>(kTagEnd << 6));
  const auto size = static_cast<uint32_t>(out.size());
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(size >> (8 * i));
  return out;
}

// ---- Drawing helpers ---------------------------------------------------------

Contour RectContour(int32_t x, int32_t y, int32_t w, int32_t h) {
  return PolygonContour({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}});
}

Contour RoundedRectContour(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r) {
  r = std::clamp(r, 0, std::min(w, h) / 2);
  if (r == 0) return RectContour(x, y, w, h);
  Contour c{{x + r, y}, {}};
  auto line = [&c](int32_t px, int32_t py) { c.segments.push_back({{px, py}, {}, false}); };
  auto curve = [&c](int32_t cx, int32_t cy, int32_t px, int32_t py) {
    c.segments.push_back({{px, py}, {cx, cy}, true});
  };
  line(x + w - r, y);
  curve(x + w, y, x + w, y + r);
  line(x + w, y + h - r);
  curve(x + w, y + h, x + w - r, y + h);
  line(x + r, y + h);
  curve(x, y + h, x, y + h - r);
  line(x, y + r);
  curve(x, y, x + r, y);
  return c;
}

Contour EllipseContour(int32_t cx, int32_t cy, int32_t rx, int32_t ry) {
  // Eight 45-degree arcs; the control point of each lies on the tangents'
  // crossing, at radius / cos(22.5 degrees).
  constexpr double kPi = 3.14159265358979323846;
  const double k = 1.0 / std::cos(kPi / 8);
  auto at = [&](double angle, double scale) {
    return Point{cx + static_cast<int32_t>(std::lround(rx * scale * std::cos(angle))),
                 cy + static_cast<int32_t>(std::lround(ry * scale * std::sin(angle)))};
  };
  Contour c{at(0, 1), {}};
  for (int i = 0; i < 8; ++i) {
    const double a1 = (i + 1) * kPi / 4;
    const double mid = (i + 0.5) * kPi / 4;
    c.segments.push_back({i == 7 ? c.start : at(a1, 1), at(mid, k), true});
  }
  return c;
}

Contour PolygonContour(const std::vector<Point>& points) {
  Contour c;
  if (points.empty()) return c;
  c.start = points.front();
  for (std::size_t i = 1; i < points.size(); ++i) c.segments.push_back({points[i], {}, false});
  c.segments.push_back({points.front(), {}, false});
  return c;
}

Contour ArcPath(int32_t cx, int32_t cy, int32_t r, double a0, double a1) {
  constexpr double kPi = 3.14159265358979323846;
  const int steps = std::max(1, static_cast<int>(std::ceil(std::abs(a1 - a0) / 45.0)));
  const double step = (a1 - a0) / steps * kPi / 180;
  const double start = a0 * kPi / 180;
  const double k = 1.0 / std::cos(step / 2);
  auto at = [&](double angle, double scale) {
    return Point{cx + static_cast<int32_t>(std::lround(r * scale * std::cos(angle))),
                 cy + static_cast<int32_t>(std::lround(r * scale * std::sin(angle)))};
  };
  Contour c{at(start, 1), {}};
  for (int i = 0; i < steps; ++i) {
    c.segments.push_back({at(start + (i + 1) * step, 1), at(start + (i + 0.5) * step, k), true});
  }
  return c;
}

}  // namespace tvq31::swf
