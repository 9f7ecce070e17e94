#include "skins/skins.h"

#include "skins/picture_codec.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QResource>

#include <string>

namespace tvq31 {
namespace {

QString& SkinDirectoryOverride() {
  static QString dir;
  return dir;
}

QPixmap ToPixmap(DecodedPicture&& picture) {
  const QImage::Format format = picture.has_transparency ? QImage::Format_ARGB32 : QImage::Format_RGB32;
  // The borrowing image is copied at once: a pixmap may keep sharing the
  // image it was made from, and the decoded words go away here.
  const QImage borrowed(reinterpret_cast<const uchar*>(picture.argb.data()), picture.width, picture.height,
                        picture.width * 4, format);
  return QPixmap::fromImage(borrowed.copy());
}

std::span<const uint8_t> Bytes(const QByteArray& a) {
  return {reinterpret_cast<const uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}

// A registered container: its resources are ":/tvq31-skins/<name>/<resource>".
class OpenContainer {
 public:
  OpenContainer(QString file, const char* name)
      : file_(std::move(file)), root_(QStringLiteral("/tvq31-skins/") + QLatin1String(name)) {
    open_ = QFile::exists(file_) && QResource::registerResource(file_, root_);
  }
  ~OpenContainer() {
    if (open_) QResource::unregisterResource(file_, root_);
  }
  OpenContainer(const OpenContainer&) = delete;
  OpenContainer& operator=(const OpenContainer&) = delete;

  bool open() const { return open_; }

  // The resource's bytes, or false when it does not exist. `storage` holds
  // them when the container stores the resource compressed.
  bool Read(const QString& resource, std::span<const uint8_t>& bytes, QByteArray& storage) const {
    const QResource r(QStringLiteral(":") + root_ + QStringLiteral("/") + resource);
    if (!r.isValid()) return false;
    if (r.compressionAlgorithm() == QResource::NoCompression) {
      bytes = {r.data(), static_cast<std::size_t>(r.size())};
    } else {
      storage = r.uncompressedData();
      bytes = Bytes(storage);
    }
    return true;
  }

 private:
  QString file_;
  QString root_;
  bool open_ = false;
};

bool WriteMovie(const OpenContainer& container, const QString& movie_file) {
  std::span<const uint8_t> bytes;
  QByteArray storage;
  if (movie_file.isEmpty() || !container.Read(QStringLiteral("flash1"), bytes, storage)) return false;
  QFile out(movie_file);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  const auto size = static_cast<qint64>(bytes.size());
  if (out.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
    out.close();
    out.remove();  // a half-written movie would only be refused later
    return false;
  }
  return true;
}

}  // namespace

QString SkinDirectory() {
  const QString& dir = SkinDirectoryOverride();
  return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

void SetSkinDirectory(const QString& dir) { SkinDirectoryOverride() = dir; }

QString SkinContainerPath(const QString& dir, const char* name) {
  return dir + QStringLiteral("/") + QLatin1String(name) + QStringLiteral(".rcc");
}

QPixmap PixmapFromGif(std::span<const uint8_t> data) {
  std::optional<DecodedPicture> picture = DecodeGif(data);
  return picture ? ToPixmap(std::move(*picture)) : QPixmap();
}

QPixmap PixmapFromJpeg(std::span<const uint8_t> data) {
  std::optional<DecodedPicture> picture = DecodeJpeg(data);
  return picture ? ToPixmap(std::move(*picture)) : QPixmap();
}

bool LoadSkinFiles(const QString& dir, const QString& movie_file, SkinPictures& out, QString* failure) {
  auto fail = [failure](const QString& what) {
    if (failure != nullptr) *failure = what;
    return false;
  };
  // 1. All five containers, in order.
  std::array<std::unique_ptr<OpenContainer>, kSkinContainers.size()> containers;
  for (std::size_t i = 0; i < kSkinContainers.size(); ++i) {
    containers[i] = std::make_unique<OpenContainer>(SkinContainerPath(dir, kSkinContainers[i]), kSkinContainers[i]);
    if (!containers[i]->open()) {
      return fail(QStringLiteral("cannot open %1").arg(SkinContainerPath(dir, kSkinContainers[i])));
    }
  }
  const OpenContainer& named = *containers[3];
  // 2. and 3. The movie file, fresh from this run's container.
  if (!movie_file.isEmpty() && QFile::exists(movie_file)) QFile::remove(movie_file);
  WriteMovie(named, movie_file);

  // 4. Key pictures: sets 1, 2, 3, 4 come from containers 1, 2, 3, 5.
  static constexpr std::size_t kSetContainer[4] = {0, 1, 2, 4};
  QByteArray storage;
  for (int n = 0; n < 128; ++n) {
    const QString name = QStringLiteral("gif%1").arg(n);
    for (std::size_t set = 0; set < 4; ++set) {
      std::span<const uint8_t> bytes;
      const char* container = kSkinContainers[kSetContainer[set]];
      if (!containers[kSetContainer[set]]->Read(name, bytes, storage)) {
        return fail(QStringLiteral("%1 has no %2").arg(QLatin1String(container), name));
      }
      out.key_pictures[set][n] = PixmapFromGif(bytes);
      if (out.key_pictures[set][n].isNull()) {
        return fail(QStringLiteral("%1 of %2 is not a GIF picture").arg(name, QLatin1String(container)));
      }
    }
  }
  // 5. The seven named pictures, all JPEG.
  const std::pair<const char*, QPixmap*> named_pictures[] = {
      {"gifquindo", &out.logo_picture},       {"jpgjingtai", &out.learning_picture},
      {"stopdelete", &out.stop_delete_picture}, {"deletehui", &out.delete_grey_picture},
      {"delete", &out.delete_picture},        {"clear", &out.clear_picture},
      {"clearhui", &out.clear_grey_picture},
  };
  for (const auto& [name, picture] : named_pictures) {
    std::span<const uint8_t> bytes;
    if (!named.Read(QLatin1String(name), bytes, storage)) {
      return fail(QStringLiteral("btq0002 has no %1").arg(QLatin1String(name)));
    }
    *picture = PixmapFromJpeg(bytes);
    if (picture->isNull()) return fail(QStringLiteral("%1 of btq0002 is not a JPEG picture").arg(QLatin1String(name)));
  }
  // 6. The containers close as they go out of scope.
  return true;
}

}  // namespace tvq31
