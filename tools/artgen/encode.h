// Picture files of the artwork: GIF through giflib, JPEG through
// libjpeg-turbo. Both take a Qt image only as the pixel source.
#pragma once

#include <QImage>
#include <QString>

namespace tvq31::artgen {

// Writes `image` (opaque) as a GIF: an exact palette when the picture has
// 256 colours or fewer, otherwise giflib's median-cut quantiser.
bool WriteGif(const QImage& image, const QString& path, QString* error);

// Writes `image` as a baseline JPEG without chroma subsampling, so that
// small coloured text stays sharp.
bool WriteJpeg(const QImage& image, const QString& path, int quality, QString* error);

}  // namespace tvq31::artgen
