// Decoding of the skin pictures: GIF through giflib, JPEG through
// libjpeg-turbo, both from memory. Qt-free. The data comes from files
// beside the program and is treated as untrusted: bad data gives nullopt,
// never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tvq31 {

struct DecodedPicture {
  int width = 0;
  int height = 0;
  // One 0xAARRGGBB word per pixel, rows top to bottom.
  std::vector<uint32_t> argb;
  bool has_transparency = false;
};

// Largest picture accepted, in each direction and in pixels.
inline constexpr int kMaxPictureSide = 8192;
inline constexpr int64_t kMaxPicturePixels = 16 << 20;

// The first image of a GIF, on its logical screen; pixels outside the image
// and of the transparent colour are fully transparent.
std::optional<DecodedPicture> DecodeGif(std::span<const uint8_t> data, std::string* error = nullptr);
std::optional<DecodedPicture> DecodeJpeg(std::span<const uint8_t> data, std::string* error = nullptr);

}  // namespace tvq31
