// The windows' own pictures, compiled into the program by rcc from the
// artwork generator's output (resource bundle "window").
#include "skins/skins.h"

#include <QResource>

#include <mutex>

// Outside any namespace: the bundle's initialiser has global linkage.
static void InitWindowArt() { Q_INIT_RESOURCE(window); }

namespace tvq31 {

QPixmap WindowPicture(const QString& name) {
  static std::once_flag once;
  std::call_once(once, InitWindowArt);
  const QResource r(QStringLiteral(":/tvq31-window/") + name);
  if (!r.isValid()) return QPixmap();
  const QByteArray bytes = r.compressionAlgorithm() == QResource::NoCompression
                               ? QByteArray::fromRawData(reinterpret_cast<const char*>(r.data()), r.size())
                               : r.uncompressedData();
  const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size()));
  // GIF or JPEG, by the picture's own signature.
  if (bytes.startsWith("GIF8")) return PixmapFromGif(data);
  return PixmapFromJpeg(data);
}

}  // namespace tvq31
