#include "skins/picture_codec.h"

#include <gif_lib.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace tvq31 {
namespace {

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

bool SizeAcceptable(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide && w * h <= kMaxPicturePixels;
}

// ---- GIF --------------------------------------------------------------------

struct MemoryInput {
  std::span<const uint8_t> data;
  std::size_t pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* out, int length) {
  auto* in = static_cast<MemoryInput*>(gif->UserData);
  if (length <= 0) return 0;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), in->data.size() - in->pos);
  std::memcpy(out, in->data.data() + in->pos, n);
  in->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    int ignored = 0;
    if (gif != nullptr) DGifCloseFile(gif, &ignored);
  }
};

}  // namespace

std::optional<DecodedPicture> DecodeGif(std::span<const uint8_t> data, std::string* error) {
  if (data.size() < 6 || (std::memcmp(data.data(), "GIF87a", 6) != 0 && std::memcmp(data.data(), "GIF89a", 6) != 0)) {
    SetError(error, "not a GIF picture");
    return std::nullopt;
  }
  MemoryInput input{data, 0};
  int status = 0;
  GifFileType* gif = DGifOpen(&input, ReadMemory, &status);
  if (gif == nullptr) {
    SetError(error, std::string("GIF: ") + GifErrorString(status));
    return std::nullopt;
  }
  GifCloser closer{gif};
  if (!SizeAcceptable(gif->SWidth, gif->SHeight)) {
    SetError(error, "GIF: picture size out of range");
    return std::nullopt;
  }
  // Read records up to the first image: its extensions (the transparent
  // colour) and its raster. Later images of an animation are not used.
  int transparent = -1;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
      SetError(error, std::string("GIF: ") + GifErrorString(gif->Error));
      return std::nullopt;
    }
    if (type == TERMINATE_RECORD_TYPE) {
      SetError(error, "GIF: no image");
      return std::nullopt;
    }
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
        SetError(error, "GIF: broken extension");
        return std::nullopt;
      }
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
      }
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
          SetError(error, "GIF: broken extension");
          return std::nullopt;
        }
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) == GIF_ERROR) {
      SetError(error, "GIF: broken image descriptor");
      return std::nullopt;
    }
    break;
  }
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
  if (map == nullptr || map->Colors == nullptr) {
    SetError(error, "GIF: no colour map");
    return std::nullopt;
  }
  if (!SizeAcceptable(desc.Width, desc.Height)) {
    SetError(error, "GIF: image size out of range");
    return std::nullopt;
  }
  std::vector<GifPixelType> raster(static_cast<std::size_t>(desc.Width) * desc.Height);
  // Interlaced images arrive in four passes of rows.
  if (desc.Interlace) {
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = kStart[pass]; y < desc.Height; y += kStep[pass]) {
        if (DGifGetLine(gif, raster.data() + static_cast<std::size_t>(y) * desc.Width, desc.Width) == GIF_ERROR) {
          SetError(error, "GIF: broken image data");
          return std::nullopt;
        }
      }
    }
  } else if (DGifGetLine(gif, raster.data(), static_cast<int>(raster.size())) == GIF_ERROR) {
    SetError(error, "GIF: broken image data");
    return std::nullopt;
  }

  DecodedPicture out;
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  out.argb.assign(static_cast<std::size_t>(out.width) * out.height, 0u);
  // The image may lie partly outside the screen: only the overlap is drawn.
  const bool covers = desc.Left == 0 && desc.Top == 0 && desc.Width >= out.width && desc.Height >= out.height;
  out.has_transparency = !covers;
  uint32_t palette[256];
  for (int i = 0; i < 256; ++i) {
    if (i < map->ColorCount) {
      const GifColorType& c = map->Colors[i];
      palette[i] = 0xFF000000u | static_cast<uint32_t>(c.Red) << 16 | static_cast<uint32_t>(c.Green) << 8 | c.Blue;
    } else {
      palette[i] = 0xFF000000u;  // an index beyond the map: black
    }
  }
  if (transparent >= 0 && transparent < 256) palette[transparent] = 0;
  for (int y = 0; y < desc.Height; ++y) {
    const int sy = desc.Top + y;
    if (sy < 0 || sy >= out.height) continue;
    const GifPixelType* row = raster.data() + static_cast<std::size_t>(y) * desc.Width;
    uint32_t* dst = out.argb.data() + static_cast<std::size_t>(sy) * out.width;
    for (int x = 0; x < desc.Width; ++x) {
      const int sx = desc.Left + x;
      if (sx < 0 || sx >= out.width) continue;
      dst[sx] = palette[row[x]];
      if (row[x] == transparent) out.has_transparency = true;
    }
  }
  return out;
}

// ---- JPEG -------------------------------------------------------------------

namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings are counted, not printed.
void JpegQuiet(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

// Decodes into `out`. Kept free of objects with destructors between the
// jump point and the jumps (out is the caller's).
bool DecodeJpegInto(std::span<const uint8_t> data, DecodedPicture& out, std::string& message) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.emit_message = JpegQuiet;
  err.message[0] = '\0';
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    message.assign(err.message);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    message.assign("no picture");
    return false;
  }
  if (!SizeAcceptable(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    message.assign("picture size out of range");
    return false;
  }
  // Little-endian BGRA bytes are 0xAARRGGBB words.
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.argb.resize(static_cast<std::size_t>(out.width) * out.height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(out.argb.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  // Warnings mean damaged data (a file cut short is filled up with grey):
  // such a picture is refused rather than shown damaged.
  const bool clean = err.mgr.num_warnings == 0;
  jpeg_destroy_decompress(&cinfo);
  if (!clean) message.assign("damaged picture data");
  return clean;
}

}  // namespace

std::optional<DecodedPicture> DecodeJpeg(std::span<const uint8_t> data, std::string* error) {
  static_assert(std::endian::native == std::endian::little, "BGRA bytes as 0xAARRGGBB words");
  if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) {
    SetError(error, "not a JPEG picture");
    return std::nullopt;
  }
  DecodedPicture out;
  std::string message;
  if (!DecodeJpegInto(data, out, message)) {
    SetError(error, "JPEG: " + message);
    return std::nullopt;
  }
  return out;
}

}  // namespace tvq31
