// Writes movies in the subset that ReadMovie reads: an uncompressed SWF
// (version 8) with a background colour, DefineShape3 shapes, PlaceObject2,
// RemoveObject2 and ShowFrame tags. Qt-free; the artwork generator makes the
// capture animation with it.
#pragma once

#include "swf/swf_movie.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tvq31::swf {

class MovieWriter {
 public:
  // Stage in pixels; frame rate in frames per second as 8.8 fixed point.
  MovieWriter(int width_px, int height_px, uint16_t frame_rate_8_8, Rgba background);

  // Adds a shape to the dictionary and returns its character id (1, 2 ...).
  // Every Fill and every Stroke becomes a style of its own; the bounds are
  // computed from the points.
  uint16_t DefineShape(const Shape& shape);

  // Puts a character at a free depth.
  void Place(uint16_t depth, uint16_t character, const Matrix& matrix = {},
             const std::optional<ColourTransform>& colour = std::nullopt);
  // Moves or tints what stands at `depth`.
  void Modify(uint16_t depth, const std::optional<Matrix>& matrix,
              const std::optional<ColourTransform>& colour = std::nullopt);
  void Remove(uint16_t depth);
  void ShowFrame();

  // The whole file: header (with the frame count and length), tags, End.
  std::vector<uint8_t> Finish() const;

  uint16_t FrameCount() const { return frames_; }

 private:
  void Tag(uint16_t code, const std::vector<uint8_t>& body);

  Rect stage_;
  uint16_t rate_;
  uint16_t frames_ = 0;
  uint16_t next_id_ = 1;
  std::vector<uint8_t> tags_;
};

// Drawing helpers for building shapes, in twips.
Contour RectContour(int32_t x, int32_t y, int32_t w, int32_t h);
// Rounded rectangle; corners are quadratic curves of radius r.
Contour RoundedRectContour(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r);
// Ellipse from eight quadratic curves.
Contour EllipseContour(int32_t cx, int32_t cy, int32_t rx, int32_t ry);
Contour PolygonContour(const std::vector<Point>& points);  // closed
// Open arc of a circle from angle a0 to a1 (degrees, y down), for strokes.
Contour ArcPath(int32_t cx, int32_t cy, int32_t r, double a0, double a1);

}  // namespace tvq31::swf
