// The capture animation file is read from disk at every key selection, so
// the movie reader takes untrusted bytes. Whatever it accepts must hang
// together: frames within the limits, every placement naming a defined
// shape, display lists in depth order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "swf/swf_movie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tvq31::swf;
  std::string error;
  const std::optional<Movie> movie = ReadMovie({data, size}, &error);
  if (!movie) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  if (movie->frames.empty() || movie->frames.size() > kMaxFrames) std::abort();
  if (movie->stage.Width() <= 0 || movie->stage.Height() <= 0 || movie->frame_rate_8_8 == 0) std::abort();
  for (const Frame& f : movie->frames) {
    for (std::size_t i = 0; i < f.display.size(); ++i) {
      if (!movie->shapes.contains(f.display[i].character)) std::abort();
      if (i > 0 && f.display[i - 1].depth >= f.display[i].depth) std::abort();
      (void)f.display[i].colour.Apply({1, 2, 3, 4});
    }
  }
  for (const auto& [id, shape] : movie->shapes) {
    for (const Fill& fill : shape.fills) {
      for (const Contour& c : fill.contours) {
        if (c.segments.empty()) std::abort();  // contours come from edges
      }
    }
  }
  return 0;
}
