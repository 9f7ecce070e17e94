#include "encode.h"

#include <gif_lib.h>
#include <jpeglib.h>

#include <cstdio>
#include <unordered_map>
#include <vector>

namespace tvq31::artgen {

bool WriteGif(const QImage& source, const QString& path, QString* error) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int w = image.width(), h = image.height();
  std::vector<GifByteType> indexes(static_cast<std::size_t>(w) * h);
  std::vector<GifColorType> colours;

  // Exact palette first: most pictures have few colours.
  std::unordered_map<QRgb, int> seen;
  bool exact = true;
  for (int y = 0; y < h && exact; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      const QRgb c = row[x] & 0xFFFFFFu;
      auto [it, added] = seen.emplace(c, static_cast<int>(seen.size()));
      if (added && seen.size() > 256) {
        exact = false;
        break;
      }
      indexes[static_cast<std::size_t>(y) * w + x] = static_cast<GifByteType>(it->second);
    }
  }
  if (exact) {
    colours.resize(seen.size());
    for (const auto& [c, i] : seen) {
      colours[i] = {static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                    static_cast<GifByteType>(qBlue(c))};
    }
  } else {
    std::vector<GifByteType> r(indexes.size()), g(indexes.size()), b(indexes.size());
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * w + x;
        r[i] = static_cast<GifByteType>(qRed(row[x]));
        g[i] = static_cast<GifByteType>(qGreen(row[x]));
        b[i] = static_cast<GifByteType>(qBlue(row[x]));
      }
    }
    int size = 256;
    colours.resize(256);
    if (GifQuantizeBuffer(static_cast<unsigned>(w), static_cast<unsigned>(h), &size, r.data(),
                          g.data(), b.data(), indexes.data(), colours.data()) == GIF_ERROR) {
      if (error) *error = QStringLiteral("cannot quantise %1").arg(path);
      return false;
    }
    colours.resize(static_cast<std::size_t>(size));
  }
  // A colour map has a power-of-two size of at least 2.
  int bits = 1;
  while ((1u << bits) < colours.size()) ++bits;
  colours.resize(std::size_t{1} << bits, GifColorType{0, 0, 0});

  int status = 0;
  GifFileType* gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &status);
  if (gif == nullptr) {
    if (error) *error = QStringLiteral("cannot create %1: %2").arg(path, GifErrorString(status));
    return false;
  }
  ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
  bool ok = map != nullptr && EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < h; ++y) {
    ok = EGifPutLine(gif, indexes.data() + static_cast<std::size_t>(y) * w, w) == GIF_OK;
  }
  if (map != nullptr) GifFreeMapObject(map);
  const int last = gif->Error;
  if (EGifCloseFile(gif, &status) == GIF_ERROR) ok = false;
  if (!ok && error) *error = QStringLiteral("cannot write %1: %2").arg(path, GifErrorString(last ? last : status));
  return ok;
}

bool WriteJpeg(const QImage& source, const QString& path, int quality, QString* error) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  FILE* file = std::fopen(path.toLocal8Bit().constData(), "wb");
  if (file == nullptr) {
    if (error) *error = QStringLiteral("cannot create %1").arg(path);
    return false;
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);  // errors here are programming errors: abort
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  for (int c = 0; c < 3; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  const bool ok = std::fclose(file) == 0;
  if (!ok && error) *error = QStringLiteral("cannot write %1").arg(path);
  return ok;
}

}  // namespace tvq31::artgen
