// The animation movie: the small part of the SWF file format that the
// artwork generator writes and the hint area's player shows. Qt-free, so the
// reader can be fuzzed on its own.
//
// A movie is a stage size, a frame rate, a background colour, a dictionary
// of shapes (solid fills, solid lines, straight and curved edges) and one
// display list per frame (which shape stands at which depth, moved by a
// matrix and tinted by a colour transform). docs/swf-subset.md lists the
// tags and fields.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tvq31::swf {

// Coordinates are twips: 20 to the pixel.
inline constexpr int kTwipsPerPixel = 20;

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

struct Point {
  int32_t x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
  friend auto operator<=>(const Point&, const Point&) = default;
};

// One edge of a contour: a straight line to `to`, or a quadratic curve
// through `control` to `to`.
struct Segment {
  Point to;
  Point control;
  bool curved = false;
  friend bool operator==(const Segment&, const Segment&) = default;
};

struct Contour {
  Point start;
  std::vector<Segment> segments;
  friend bool operator==(const Contour&, const Contour&) = default;
};

struct Rect {
  int32_t x_min = 0, x_max = 0, y_min = 0, y_max = 0;
  int32_t Width() const { return x_max - x_min; }
  int32_t Height() const { return y_max - y_min; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A region filled with one colour: the contours, filled even-odd.
struct Fill {
  Rgba colour;
  std::vector<Contour> contours;
};

// Lines drawn with one pen: width in twips.
struct Stroke {
  uint16_t width = 20;
  Rgba colour;
  std::vector<Contour> paths;
};

struct Shape {
  Rect bounds;
  std::vector<Fill> fills;
  std::vector<Stroke> strokes;
};

// Scale and skew as 16.16 fixed point, translation in twips. Maps (x, y) to
// (sx*x + r1*y + tx, r0*x + sy*y + ty).
struct Matrix {
  int32_t scale_x = 1 << 16, scale_y = 1 << 16;
  int32_t rotate_skew0 = 0, rotate_skew1 = 0;
  int32_t translate_x = 0, translate_y = 0;
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

// Colour transform with alpha: channel * mult / 256 + add, clamped.
struct ColourTransform {
  int16_t mult[4] = {256, 256, 256, 256};  // r, g, b, a
  int16_t add[4] = {0, 0, 0, 0};
  Rgba Apply(Rgba c) const;
  friend bool operator==(const ColourTransform&, const ColourTransform&) = default;
};

struct Placement {
  uint16_t depth = 0;
  uint16_t character = 0;
  Matrix matrix;
  ColourTransform colour;
  friend bool operator==(const Placement&, const Placement&) = default;
};

// What the stage shows in one frame, by ascending depth.
struct Frame {
  std::vector<Placement> display;
};

struct Movie {
  uint8_t version = 0;
  Rect stage;  // twips
  uint16_t frame_rate_8_8 = 0;  // frames per second, 8.8 fixed point
  Rgba background{255, 255, 255, 255};
  std::map<uint16_t, Shape> shapes;
  std::vector<Frame> frames;

  double FrameRate() const { return frame_rate_8_8 / 256.0; }
  int WidthPixels() const { return stage.Width() / kTwipsPerPixel; }
  int HeightPixels() const { return stage.Height() / kTwipsPerPixel; }
};

// Reads a movie. Anything outside the subset, truncated, inconsistent or
// larger than the limits gives nullopt and, when `error` is given, a short
// reason. Never throws on bad data.
std::optional<Movie> ReadMovie(std::span<const uint8_t> data, std::string* error = nullptr);

// Limits that keep a hostile file from costing more than a real one could.
inline constexpr std::size_t kMaxMovieBytes = 16u << 20;
inline constexpr std::size_t kMaxFrames = 4096;
inline constexpr std::size_t kMaxEdges = 1u << 20;            // over all shapes
inline constexpr std::size_t kMaxDisplaySnapshots = 1u << 18;  // placements over all frames

}  // namespace tvq31::swf
