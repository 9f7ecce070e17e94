// Reader of the movie subset. Every field is read through a bounds-checked
// bit reader; a read past the end of a tag marks the reader failed instead
// of touching memory beyond it, and the tag is then refused.
#include "swf/swf_movie.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace tvq31::swf {
namespace {

constexpr uint16_t kTagEnd = 0;
constexpr uint16_t kTagShowFrame = 1;
constexpr uint16_t kTagDefineShape = 2;
constexpr uint16_t kTagSetBackgroundColor = 9;
constexpr uint16_t kTagDefineShape2 = 22;
constexpr uint16_t kTagPlaceObject2 = 26;
constexpr uint16_t kTagRemoveObject2 = 28;
constexpr uint16_t kTagDefineShape3 = 32;
// Twips; far beyond any stage, far inside int32_t.
constexpr int64_t kMaxCoordinate = 1 << 28;

class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> data) : data_(data) {}

  bool failed() const { return failed_; }
  std::size_t BytePos() const { return pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }

  uint32_t Bits(int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
      if (pos_ >= data_.size()) {
        failed_ = true;
        return 0;
      }
      v = (v << 1) | ((data_[pos_] >> (7 - bit_)) & 1u);
      if (++bit_ == 8) {
        bit_ = 0;
        ++pos_;
      }
    }
    return v;
  }
  int32_t Signed(int count) {
    if (count == 0) return 0;
    const uint32_t v = Bits(count);
    if (count < 32 && (v >> (count - 1)) & 1u) return static_cast<int32_t>(v | ~((1u << count) - 1));
    return static_cast<int32_t>(v);
  }
  void Align() {
    if (bit_ != 0) {
      bit_ = 0;
      ++pos_;
    }
  }
  uint8_t U8() {
    Align();
    if (pos_ >= data_.size()) {
      failed_ = true;
      return 0;
    }
    return data_[pos_++];
  }
  uint16_t U16() {
    const uint16_t lo = U8();
    return static_cast<uint16_t>(lo | U8() << 8);
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | static_cast<uint32_t>(U16()) << 16;
  }
  Rgba Colour(bool alpha) {
    Rgba c;
    c.r = U8();
    c.g = U8();
    c.b = U8();
    c.a = alpha ? U8() : 255;
    return c;
  }
  Rect ReadRect() {
    Align();
    const int n = static_cast<int>(Bits(5));
    Rect r;
    r.x_min = Signed(n);
    r.x_max = Signed(n);
    r.y_min = Signed(n);
    r.y_max = Signed(n);
    Align();
    return r;
  }

 private:
  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
  int bit_ = 0;
  bool failed_ = false;
};

Matrix ReadMatrix(BitReader& r) {
  r.Align();
  Matrix m;
  if (r.Bits(1)) {
    const int n = static_cast<int>(r.Bits(5));
    m.scale_x = r.Signed(n);
    m.scale_y = r.Signed(n);
  }
  if (r.Bits(1)) {
    const int n = static_cast<int>(r.Bits(5));
    m.rotate_skew0 = r.Signed(n);
    m.rotate_skew1 = r.Signed(n);
  }
  const int n = static_cast<int>(r.Bits(5));
  m.translate_x = r.Signed(n);
  m.translate_y = r.Signed(n);
  r.Align();
  return m;
}

ColourTransform ReadColourTransform(BitReader& r) {
  r.Align();
  ColourTransform c;
  const bool add = r.Bits(1);
  const bool mult = r.Bits(1);
  const int n = static_cast<int>(r.Bits(4));
  // Values of up to 15 bits fit int16_t.
  if (mult) {
    for (int16_t& v : c.mult) v = static_cast<int16_t>(r.Signed(n));
  }
  if (add) {
    for (int16_t& v : c.add) v = static_cast<int16_t>(r.Signed(n));
  }
  r.Align();
  return c;
}

struct Edge {
  Point from;
  Segment segment;
};

// Joins edges into contours: edges that follow on from each other in file
// order stay together, and open pieces whose ends meet are then joined.
std::vector<Contour> Stitch(const std::vector<Edge>& edges) {
  std::vector<Contour> pieces;
  for (const Edge& e : edges) {
    if (pieces.empty() || pieces.back().segments.empty() ||
        pieces.back().segments.back().to != e.from) {
      pieces.push_back({e.from, {}});
    }
    pieces.back().segments.push_back(e.segment);
  }
  // Join open pieces: a piece that ends where another (open) one starts
  // takes that one's edges.
  std::multimap<Point, std::size_t> open_starts;
  auto is_open = [](const Contour& c) { return !c.segments.empty() && c.segments.back().to != c.start; };
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (is_open(pieces[i])) open_starts.emplace(pieces[i].start, i);
  }
  std::vector<bool> absorbed(pieces.size(), false);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (absorbed[i]) continue;
    Contour& c = pieces[i];
    while (is_open(c)) {
      auto range = open_starts.equal_range(c.segments.back().to);
      auto it = std::find_if(range.first, range.second,
                             [&](const auto& kv) { return kv.second != i && !absorbed[kv.second]; });
      if (it == range.second) break;
      const std::size_t j = it->second;
      open_starts.erase(it);
      absorbed[j] = true;
      c.segments.insert(c.segments.end(), pieces[j].segments.begin(), pieces[j].segments.end());
    }
  }
  std::vector<Contour> out;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (!absorbed[i]) out.push_back(std::move(pieces[i]));
  }
  return out;
}

class Parser {
 public:
  explicit Parser(std::string* error) : error_(error) {}

  bool Fail(std::string reason) {
    if (error_ != nullptr && error_->empty()) *error_ = std::move(reason);
    return false;
  }

  std::optional<Movie> Read(std::span<const uint8_t> data);

 private:
  bool ReadShape(uint16_t code, std::span<const uint8_t> body);
  bool ReadStyles(BitReader& r, int shape_version, std::vector<Rgba>& fills,
                  std::vector<std::pair<uint16_t, Rgba>>& lines);
  bool ReadPlace(std::span<const uint8_t> body);
  bool ReadRemove(std::span<const uint8_t> body);
  bool ShowFrame();

  std::string* error_;
  Movie movie_;
  std::map<uint16_t, Placement> display_;
  std::size_t edges_ = 0;
  std::size_t snapshots_ = 0;
};

bool Parser::ReadStyles(BitReader& r, int shape_version, std::vector<Rgba>& fills,
                        std::vector<std::pair<uint16_t, Rgba>>& lines) {
  const bool alpha = shape_version >= 3;
  auto count = [&]() -> std::size_t {
    std::size_t n = r.U8();
    if (n == 0xFF && shape_version >= 2) n = r.U16();
    return n;
  };
  const std::size_t fill_count = count();
  for (std::size_t i = 0; i < fill_count && !r.failed(); ++i) {
    const uint8_t type = r.U8();
    if (type != 0x00) return Fail("fill style " + std::to_string(type) + " is not a solid fill");
    fills.push_back(r.Colour(alpha));
  }
  const std::size_t line_count = count();
  for (std::size_t i = 0; i < line_count && !r.failed(); ++i) {
    const uint16_t width = r.U16();
    lines.emplace_back(width, r.Colour(alpha));
  }
  if (r.failed()) return Fail("style list runs past its tag");
  return true;
}

bool Parser::ReadShape(uint16_t code, std::span<const uint8_t> body) {
  const int version = code == kTagDefineShape3 ? 3 : code == kTagDefineShape2 ? 2 : 1;
  BitReader r(body);
  const uint16_t id = r.U16();
  if (id == 0) return Fail("shape with character id 0");
  if (movie_.shapes.contains(id)) return Fail("character " + std::to_string(id) + " defined twice");
  Shape shape;
  shape.bounds = r.ReadRect();

  // Style lists can be replaced part-way through (version 2 and up); the
  // indexes of each record refer to the lists in force. All styles are
  // collected into one fill and one stroke list, with a base per list.
  std::vector<Rgba> fill_styles;
  std::vector<std::pair<uint16_t, Rgba>> line_styles;
  if (!ReadStyles(r, version, fill_styles, line_styles)) return false;
  std::size_t fill_base = 0, line_base = 0;
  std::size_t fill_count = fill_styles.size(), line_count = line_styles.size();
  int fill_bits = static_cast<int>(r.Bits(4));
  int line_bits = static_cast<int>(r.Bits(4));

  // Edges by global style number (index into fill_styles / line_styles).
  std::vector<std::vector<Edge>> fill_edges(fill_styles.size());
  std::vector<std::vector<Edge>> line_edges(line_styles.size());
  std::size_t fill0 = 0, fill1 = 0, line = 0;  // global number + 1, 0 = none
  Point at;
  for (;;) {
    if (r.failed()) return Fail("shape records run past their tag");
    if (r.Bits(1) == 0) {
      const uint32_t flags = r.Bits(5);
      if (flags == 0) break;  // end of shape
      const bool new_styles = flags & 0x10, has_line = flags & 0x08, has_fill1 = flags & 0x04,
                 has_fill0 = flags & 0x02, move = flags & 0x01;
      if (move) {
        const int n = static_cast<int>(r.Bits(5));
        at.x = r.Signed(n);
        at.y = r.Signed(n);
        if (std::abs(at.x) > kMaxCoordinate || std::abs(at.y) > kMaxCoordinate) {
          return Fail("shape coordinates out of range");
        }
      }
      auto style = [&](int bits, std::size_t base, std::size_t count, std::size_t& out) {
        const std::size_t index = r.Bits(bits);
        if (index > count) return false;
        out = index == 0 ? 0 : base + index;
        return true;
      };
      if (has_fill0 && !style(fill_bits, fill_base, fill_count, fill0)) return Fail("fill style index out of range");
      if (has_fill1 && !style(fill_bits, fill_base, fill_count, fill1)) return Fail("fill style index out of range");
      if (has_line && !style(line_bits, line_base, line_count, line)) return Fail("line style index out of range");
      if (new_styles) {
        if (version < 2) return Fail("new style lists in a version 1 shape");
        fill_base = fill_styles.size();
        line_base = line_styles.size();
        if (!ReadStyles(r, version, fill_styles, line_styles)) return false;
        fill_count = fill_styles.size() - fill_base;
        line_count = line_styles.size() - line_base;
        fill_edges.resize(fill_styles.size());
        line_edges.resize(line_styles.size());
        fill_bits = static_cast<int>(r.Bits(4));
        line_bits = static_cast<int>(r.Bits(4));
        fill0 = fill1 = line = 0;
      }
      continue;
    }
    Edge edge{at, {}};
    const bool straight = r.Bits(1);
    const int n = static_cast<int>(r.Bits(4)) + 2;
    // Points are summed in 64 bits and must stay within the coordinate
    // range, so that no later sum can overflow.
    auto point = [](Point from, int64_t dx, int64_t dy) -> std::optional<Point> {
      const int64_t x = from.x + dx, y = from.y + dy;
      if (x < -kMaxCoordinate || x > kMaxCoordinate || y < -kMaxCoordinate || y > kMaxCoordinate) {
        return std::nullopt;
      }
      return Point{static_cast<int32_t>(x), static_cast<int32_t>(y)};
    };
    std::optional<Point> to;
    if (straight) {
      int32_t dx = 0, dy = 0;
      if (r.Bits(1)) {
        dx = r.Signed(n);
        dy = r.Signed(n);
      } else if (r.Bits(1)) {
        dy = r.Signed(n);
      } else {
        dx = r.Signed(n);
      }
      to = point(at, dx, dy);
    } else {
      const int32_t cx = r.Signed(n), cy = r.Signed(n), ax = r.Signed(n), ay = r.Signed(n);
      edge.segment.curved = true;
      const std::optional<Point> control = point(at, cx, cy);
      if (control) {
        edge.segment.control = *control;
        to = point(*control, ax, ay);
      }
    }
    if (r.failed()) return Fail("shape records run past their tag");
    if (!to) return Fail("shape coordinates out of range");
    edge.segment.to = *to;
    at = edge.segment.to;
    if (++edges_ > kMaxEdges) return Fail("too many edges");
    if (fill0 != 0) fill_edges[fill0 - 1].push_back(edge);
    if (fill1 != 0) {
      // The fill on the other side: the same edge, walked backwards.
      Edge back{edge.segment.to, {edge.from, edge.segment.control, edge.segment.curved}};
      fill_edges[fill1 - 1].push_back(back);
    }
    if (line != 0) line_edges[line - 1].push_back(edge);
  }
  for (std::size_t i = 0; i < fill_styles.size(); ++i) {
    if (fill_edges[i].empty()) continue;
    shape.fills.push_back({fill_styles[i], Stitch(fill_edges[i])});
  }
  for (std::size_t i = 0; i < line_styles.size(); ++i) {
    if (line_edges[i].empty()) continue;
    std::vector<Contour> paths;
    for (const Edge& e : line_edges[i]) {
      if (paths.empty() || paths.back().segments.back().to != e.from) paths.push_back({e.from, {}});
      paths.back().segments.push_back(e.segment);
    }
    shape.strokes.push_back({line_styles[i].first, line_styles[i].second, std::move(paths)});
  }
  movie_.shapes.emplace(id, std::move(shape));
  return true;
}

bool Parser::ReadPlace(std::span<const uint8_t> body) {
  BitReader r(body);
  const uint8_t flags = r.U8();
  const uint16_t depth = r.U16();
  if (flags & 0x80) return Fail("clip actions are not supported");
  if (flags & 0x40) return Fail("clip layers are not supported");
  const bool move = flags & 0x01;
  const bool has_character = flags & 0x02;
  Placement p;
  auto existing = display_.find(depth);
  if (move && existing != display_.end()) p = existing->second;
  p.depth = depth;
  if (has_character) {
    p.character = r.U16();
    if (!movie_.shapes.contains(p.character)) {
      return Fail("placement of undefined character " + std::to_string(p.character));
    }
  }
  if (flags & 0x04) p.matrix = ReadMatrix(r);
  if (flags & 0x08) p.colour = ReadColourTransform(r);
  if (flags & 0x10) (void)r.U16();  // ratio: shapes do not morph
  if (flags & 0x20) {               // instance name: not used
    while (!r.failed() && r.U8() != 0) {
    }
  }
  if (r.failed()) return Fail("placement runs past its tag");
  if (!move && !has_character) return Fail("placement names neither a character nor a move");
  if (move && existing == display_.end() && !has_character) return true;  // nothing there to move
  display_[depth] = p;
  return true;
}

bool Parser::ReadRemove(std::span<const uint8_t> body) {
  BitReader r(body);
  const uint16_t depth = r.U16();
  if (r.failed()) return Fail("removal runs past its tag");
  display_.erase(depth);
  return true;
}

bool Parser::ShowFrame() {
  if (movie_.frames.size() >= kMaxFrames) return Fail("too many frames");
  snapshots_ += display_.size();
  if (snapshots_ > kMaxDisplaySnapshots) return Fail("display lists too large");
  Frame f;
  f.display.reserve(display_.size());
  for (const auto& [depth, p] : display_) f.display.push_back(p);
  movie_.frames.push_back(std::move(f));
  return true;
}

std::optional<Movie> Parser::Read(std::span<const uint8_t> data) {
  if (data.size() < 8) return Fail("too short for a movie header"), std::nullopt;
  if (data.size() > kMaxMovieBytes) return Fail("movie too large"), std::nullopt;
  if ((data[0] == 'C' || data[0] == 'Z') && data[1] == 'W' && data[2] == 'S') {
    return Fail("compressed movies are not supported"), std::nullopt;
  }
  if (data[0] != 'F' || data[1] != 'W' || data[2] != 'S') return Fail("not a movie file"), std::nullopt;
  movie_.version = data[3];
  if (movie_.version == 0) return Fail("movie version 0"), std::nullopt;
  const uint32_t length = static_cast<uint32_t>(data[4]) | static_cast<uint32_t>(data[5]) << 8 |
                          static_cast<uint32_t>(data[6]) << 16 | static_cast<uint32_t>(data[7]) << 24;
  if (length != data.size()) {
    return Fail("file length " + std::to_string(data.size()) + " differs from the header's " +
                std::to_string(length)),
           std::nullopt;
  }
  BitReader header(data.subspan(8));
  movie_.stage = header.ReadRect();
  movie_.frame_rate_8_8 = header.U16();
  const uint16_t frame_count = header.U16();
  if (header.failed()) return Fail("movie header truncated"), std::nullopt;
  if (movie_.stage.Width() <= 0 || movie_.stage.Height() <= 0 ||
      movie_.stage.Width() > 8192 * kTwipsPerPixel || movie_.stage.Height() > 8192 * kTwipsPerPixel) {
    return Fail("stage size out of range"), std::nullopt;
  }
  if (movie_.frame_rate_8_8 == 0) return Fail("frame rate 0"), std::nullopt;

  std::size_t pos = 8 + header.BytePos();
  bool ended = false;
  while (!ended) {
    if (data.size() - pos < 2) return Fail("tags run past the end of the file"), std::nullopt;
    const uint16_t code_and_length = static_cast<uint16_t>(data[pos] | data[pos + 1] << 8);
    pos += 2;
    const uint16_t code = code_and_length >> 6;
    std::size_t length = code_and_length & 0x3F;
    if (length == 0x3F) {
      if (data.size() - pos < 4) return Fail("tag header truncated"), std::nullopt;
      length = static_cast<uint32_t>(data[pos]) | static_cast<uint32_t>(data[pos + 1]) << 8 |
               static_cast<uint32_t>(data[pos + 2]) << 16 | static_cast<uint32_t>(data[pos + 3]) << 24;
      pos += 4;
    }
    if (length > data.size() - pos) {
      return Fail("tag " + std::to_string(code) + " runs past the end of the file"), std::nullopt;
    }
    const std::span<const uint8_t> body = data.subspan(pos, length);
    pos += length;
    bool ok = true;
    switch (code) {
      case kTagEnd:
        ended = true;
        break;
      case kTagShowFrame:
        ok = ShowFrame();
        break;
      case kTagSetBackgroundColor: {
        BitReader r(body);
        movie_.background = r.Colour(false);
        ok = !r.failed() || Fail("background colour truncated");
        break;
      }
      case kTagDefineShape:
      case kTagDefineShape2:
      case kTagDefineShape3:
        ok = ReadShape(code, body);
        break;
      case kTagPlaceObject2:
        ok = ReadPlace(body);
        break;
      case kTagRemoveObject2:
        ok = ReadRemove(body);
        break;
      default:
        // Tags that do not change the picture (file attributes, metadata,
        // labels) are skipped by their length.
        break;
    }
    if (!ok) return std::nullopt;
  }
  if (movie_.frames.empty()) return Fail("movie without frames"), std::nullopt;
  if (movie_.frames.size() != frame_count) {
    return Fail("header announces " + std::to_string(frame_count) + " frames, the movie has " +
                std::to_string(movie_.frames.size())),
           std::nullopt;
  }
  return std::move(movie_);
}

}  // namespace

Rgba ColourTransform::Apply(Rgba c) const {
  auto channel = [this](uint8_t v, int i) {
    const int out = v * mult[i] / 256 + add[i];
    return static_cast<uint8_t>(std::clamp(out, 0, 255));
  };
  return {channel(c.r, 0), channel(c.g, 1), channel(c.b, 2), channel(c.a, 3)};
}

std::optional<Movie> ReadMovie(std::span<const uint8_t> data, std::string* error) {
  Parser parser(error);
  return parser.Read(data);
}

}  // namespace tvq31::swf
