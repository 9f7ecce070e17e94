#include "skins/picture_codec.h"
#include "skins/skins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace tvq31 {
namespace {

const QString kBinDir = QStringLiteral(TVQ31_BIN_DIR);
const QString kArtwork = QStringLiteral(TVQ31_ARTWORK_DIR);

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::span<const uint8_t> Bytes(const QByteArray& a) {
  return {reinterpret_cast<const uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}

// A folder of containers: copies of the built ones, some left out or
// rebuilt from an edited resource list.
class SkinFolder {
 public:
  SkinFolder() {
    for (const char* name : kSkinContainers) {
      QFile::copy(SkinContainerPath(kBinDir, name), SkinContainerPath(path(), name));
    }
  }
  QString path() const { return dir_.path(); }
  QString movie() const { return dir_.filePath(QStringLiteral("run/888.swf")); }

  void Remove(const char* name) { QFile::remove(SkinContainerPath(path(), name)); }

  // Rebuilds container `name` with its resource list passed through `edit`
  // (one line per resource).
  void Rebuild(const char* name, const std::function<QString(const QString&)>& edit) {
    const QString list = QString::fromUtf8(ReadFile(kArtwork + QStringLiteral("/%1.qrc").arg(QLatin1String(name))));
    QString out;
    for (const QString& line : list.split(QLatin1Char('\n'))) {
      QString l = line;
      l.replace(QStringLiteral(">%1/").arg(QLatin1String(name)), QStringLiteral(">%1/%2/").arg(kArtwork, QLatin1String(name)));
      out += edit(l) + QLatin1Char('\n');
    }
    const QString qrc = dir_.filePath(QStringLiteral("%1.qrc").arg(QLatin1String(name)));
    QFile f(qrc);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(out.toUtf8());
    f.close();
    QProcess rcc;
    rcc.start(QStringLiteral(TVQ31_RCC), {QStringLiteral("--binary"), QStringLiteral("--no-compress"),
                                          QStringLiteral("-o"), SkinContainerPath(path(), name), qrc});
    ASSERT_TRUE(rcc.waitForFinished(30000));
    ASSERT_EQ(rcc.exitCode(), 0) << rcc.readAllStandardError().toStdString();
  }

 private:
  QTemporaryDir dir_;
};

QString Without(const QString& line, const QString& alias) {
  return line.contains(QStringLiteral("alias=\"%1\"").arg(alias)) ? QString() : line;
}

TEST(LoadSkinFiles, LoadsEveryPictureAndWritesTheMovie) {
  SkinFolder folder;
  QDir().mkpath(QFileInfo(folder.movie()).path());
  SkinPictures pictures;
  QString failure;
  ASSERT_TRUE(LoadSkinFiles(folder.path(), folder.movie(), pictures, &failure)) << failure.toStdString();
  for (const auto& set : pictures.key_pictures) {
    for (const QPixmap& p : set) EXPECT_FALSE(p.isNull());
  }
  // Key code "56" (AMP/DSP, 30 x 16) is entry 86; code "25" belongs to no key.
  EXPECT_EQ(pictures.key_pictures[3][86].size(), QSize(30, 16));
  EXPECT_EQ(pictures.key_pictures[0][0x06].size(), QSize(34, 26));  // POWER/TV
  EXPECT_EQ(pictures.key_pictures[1][37].size(), QSize(30, 20));
  // The looks differ: grey, red, selected and green pictures of one key.
  const QImage grey = pictures.key_pictures[0][86].toImage();
  for (int set = 1; set < 4; ++set) EXPECT_NE(pictures.key_pictures[set][86].toImage(), grey) << set;
  for (const QPixmap* p : {&pictures.logo_picture, &pictures.learning_picture}) EXPECT_EQ(p->size(), QSize(409, 72));
  for (const QPixmap* p : {&pictures.stop_delete_picture, &pictures.delete_picture, &pictures.delete_grey_picture,
                           &pictures.clear_picture, &pictures.clear_grey_picture}) {
    EXPECT_EQ(p->size(), QSize(137, 37));
  }
  EXPECT_EQ(ReadFile(folder.movie()), ReadFile(kArtwork + QStringLiteral("/btq0002/flash1.swf")));
  EXPECT_EQ(QFile::permissions(folder.movie()) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
            QFileDevice::Permissions());
}

TEST(LoadSkinFiles, AnyMissingContainerFailsBeforeTheMovieIsWritten) {
  for (const char* missing : kSkinContainers) {
    SkinFolder folder;
    folder.Remove(missing);
    SkinPictures pictures;
    QString failure;
    EXPECT_FALSE(LoadSkinFiles(folder.path(), folder.movie(), pictures, &failure)) << missing;
    EXPECT_TRUE(failure.contains(QLatin1String(missing))) << failure.toStdString();
    EXPECT_FALSE(QFile::exists(folder.movie())) << missing;
  }
}

TEST(LoadSkinFiles, MissingOrDamagedPictureFails) {
  const struct {
    const char* name;
    const char* container;
    std::function<QString(const QString&)> edit;
    const char* failure;
  } cases[] = {
      {"gif127 missing from dtq0002", "dtq0002",
       [](const QString& l) { return Without(l, QStringLiteral("gif127")); }, "dtq0002 has no gif127"},
      {"gif0 missing from otq0002", "otq0002",
       [](const QString& l) { return Without(l, QStringLiteral("gif0")); }, "otq0002 has no gif0"},
      {"a JPEG as gif5", "stq0002",
       [](const QString& l) {
         return l.contains(QStringLiteral("alias=\"gif5\""))
                    ? QStringLiteral("<file alias=\"gif5\">%1/btq0002/clear.jpg</file>").arg(kArtwork)
                    : l;
       },
       "gif5 of stq0002 is not a GIF picture"},
      {"named picture missing", "btq0002",
       [](const QString& l) { return Without(l, QStringLiteral("clearhui")); }, "btq0002 has no clearhui"},
      {"a GIF as a named picture", "btq0002",
       [](const QString& l) {
         return l.contains(QStringLiteral("alias=\"delete\""))
                    ? QStringLiteral("<file alias=\"delete\">%1/otq0002/gif1.gif</file>").arg(kArtwork)
                    : l;
       },
       "delete of btq0002 is not a JPEG picture"},
  };
  for (const auto& c : cases) {
    SkinFolder folder;
    folder.Rebuild(c.container, c.edit);
    SkinPictures pictures;
    QString failure;
    EXPECT_FALSE(LoadSkinFiles(folder.path(), folder.movie(), pictures, &failure)) << c.name;
    EXPECT_EQ(failure, QLatin1String(c.failure)) << c.name;
  }
  // The earlier entries were loaded before entry 127 failed.
  SkinFolder folder;
  folder.Rebuild("dtq0002", cases[0].edit);
  SkinPictures pictures;
  EXPECT_FALSE(LoadSkinFiles(folder.path(), QString(), pictures));
  EXPECT_FALSE(pictures.key_pictures[3][126].isNull());
  EXPECT_FALSE(pictures.key_pictures[2][127].isNull());
  EXPECT_TRUE(pictures.key_pictures[3][127].isNull());
}

TEST(LoadSkinFiles, MovieFileHandling) {
  // "flash1" missing: loading succeeds, no movie file, and an old one is gone.
  {
    SkinFolder folder;
    folder.Rebuild("btq0002", [](const QString& l) { return Without(l, QStringLiteral("flash1")); });
    QDir().mkpath(QFileInfo(folder.movie()).path());
    QFile old(folder.movie());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old movie");
    old.close();
    SkinPictures pictures;
    EXPECT_TRUE(LoadSkinFiles(folder.path(), folder.movie(), pictures));
    EXPECT_FALSE(QFile::exists(folder.movie()));
  }
  // An old movie from an earlier run is replaced.
  {
    SkinFolder folder;
    QDir().mkpath(QFileInfo(folder.movie()).path());
    QFile old(folder.movie());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));  // longer than the new one
    old.close();
    SkinPictures pictures;
    EXPECT_TRUE(LoadSkinFiles(folder.path(), folder.movie(), pictures));
    EXPECT_EQ(ReadFile(folder.movie()), ReadFile(kArtwork + QStringLiteral("/btq0002/flash1.swf")));
  }
  // A movie file that cannot be written: ignored.
  {
    SkinFolder folder;
    SkinPictures pictures;
    EXPECT_TRUE(LoadSkinFiles(folder.path(), folder.path() + QStringLiteral("/no/such/dir/888.swf"), pictures));
  }
}

TEST(WindowPicture, PicturesAtTheirControlsSizes) {
  const struct {
    const char* name;
    QSize size;
  } cases[] = {{"splash", {462, 261}},  {"background", {1016, 733}}, {"remote", {197, 731}},
               {"Image4", {407, 165}},  {"Image5", {410, 167}},      {"Image7", {409, 168}},
               {"Image8", {411, 165}},  {"start", {137, 37}},        {"stop", {137, 37}},
               {"close", {51, 44}},     {"update", {52, 43}},        {"help", {51, 47}},
               {"key1", {34, 26}},      {"key75", {71, 18}},         {"key77", {29, 15}}};
  for (const auto& c : cases) EXPECT_EQ(WindowPicture(QLatin1String(c.name)).size(), c.size) << c.name;
  EXPECT_TRUE(WindowPicture(QStringLiteral("key78")).isNull());
  // The window colour shows at the edges of the background.
  EXPECT_EQ(WindowPicture(QStringLiteral("background")).toImage().pixelColor(1010, 700), QColor(53, 124, 168));
}

TEST(PictureCodec, DamagedDataIsRefusedWithoutCrashing) {
  const QByteArray gif = ReadFile(kArtwork + QStringLiteral("/window/Image5.gif"));
  const QByteArray jpeg = ReadFile(kArtwork + QStringLiteral("/btq0002/gifquindo.jpg"));
  ASSERT_TRUE(DecodeGif(Bytes(gif)));
  ASSERT_TRUE(DecodeJpeg(Bytes(jpeg)));
  // Every cut of the GIF before its last data byte, and cuts of the JPEG
  // across its data, are refused.
  for (int n = 0; n < gif.size() - 2; n += 7) {
    EXPECT_FALSE(DecodeGif(Bytes(gif.left(n)))) << n;
  }
  for (int n = 0; n < jpeg.size() - 2; n += jpeg.size() / 97) {
    EXPECT_FALSE(DecodeJpeg(Bytes(jpeg.left(n)))) << n;
  }
  // Swapped formats and flipped bytes.
  EXPECT_FALSE(DecodeGif(Bytes(jpeg)));
  EXPECT_FALSE(DecodeJpeg(Bytes(gif)));
  uint32_t seed = 7;
  for (int round = 0; round < 300; ++round) {
    QByteArray g = gif, j = jpeg;
    seed = seed * 1103515245u + 12345u;
    g[6 + static_cast<int>((seed >> 8) % static_cast<uint32_t>(g.size() - 6))] ^= static_cast<char>(seed >> 3);
    j[3 + static_cast<int>((seed >> 8) % static_cast<uint32_t>(j.size() - 3))] ^= static_cast<char>(seed >> 3);
    (void)DecodeGif(Bytes(g));
    (void)DecodeJpeg(Bytes(j));
  }
}

TEST(PictureCodec, GifScreenLargerThanTheImageIsTransparentAround) {
  // 4 x 2 screen, a 1 x 1 image at (2, 1) of colour 1 (white), global map
  // of two colours: a hand-made GIF.
  const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x80, 0, 0,
                         0, 0, 0, 255, 255, 255,                          // colour map
                         0x2C, 2, 0, 1, 0, 1, 0, 1, 0, 0,                 // image descriptor
                         2, 2, 0x4C, 0x01, 0,                             // LZW: clear, 1, end
                         0x3B};
  const std::optional<DecodedPicture> p = DecodeGif(gif);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 4);
  EXPECT_EQ(p->height, 2);
  EXPECT_TRUE(p->has_transparency);
  EXPECT_EQ(p->argb[1 * 4 + 2], 0xFFFFFFFFu);
  EXPECT_EQ(p->argb[0], 0u);
}

}  // namespace
}  // namespace tvq31
