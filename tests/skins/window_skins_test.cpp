// The main window with its skins: the start failing on missing skins, the
// keys' looks from the key table, the movie file's life and the animation
// in the hint area.
#include "fakes.h"
#include "mainstudy/mainstudy.h"
#include "skins/skins.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tvq31 {
namespace {

using testing::FakeDevice;
using testing::FakeDisplay;
using testing::KeyTableImage;

struct Rig {
  FakeDevice device;
  ScriptedPrompter prompter;
  FakeDisplay display;
  std::unique_ptr<Tmainselfstudy> window;

  explicit Rig(const QString& skins = QStringLiteral(TVQ31_BIN_DIR)) { SetSkinDirectory(skins); }
  ~Rig() {
    window.reset();
    SetSkinDirectory(QStringLiteral(TVQ31_BIN_DIR));
  }
  Tmainselfstudy& Show() {
    window = std::make_unique<Tmainselfstudy>(device, prompter, display);
    window->show();
    return *window;
  }
  void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
};

TEST(WindowSkins, MissingSkinsEndTheStartWithTheMessage) {
  for (const char* missing : kSkinContainers) {
    QTemporaryDir dir;
    for (const char* name : kSkinContainers) {
      if (name != missing) {
        QFile::copy(SkinContainerPath(QStringLiteral(TVQ31_BIN_DIR), name), SkinContainerPath(dir.path(), name));
      }
    }
    Rig rig(dir.path());
    Tmainselfstudy& w = rig.Show();
    rig.Settle();
    ASSERT_EQ(rig.prompter.shown().size(), 1u) << missing;
    EXPECT_EQ(rig.prompter.shown()[0].text, QStringLiteral("load picture failly！"));
    EXPECT_EQ(rig.prompter.shown()[0].caption, QStringLiteral("hint"));
    EXPECT_TRUE(w.startup_failed);
    EXPECT_FALSE(w.isVisible()) << missing;
  }
}

TEST(WindowSkins, KeysShowGreenDownloadedAndRedLearnedLooks) {
  Rig rig;
  // 56 (AMP/DSP) and 07 (TV/1) downloaded, 1A (DVD/3) learned.
  rig.device.key_table = KeyTableImage(
      "0003078F1A00051F0001" "1ACF1A00052000015"  "68F1A0005210001" "0102030405CCDDEE");
  Tmainselfstudy& w = rig.Show();
  rig.Settle();
  ASSERT_TRUE(rig.prompter.shown().empty());
  ASSERT_FALSE(w.startup_failed);
  const struct {
    int number;
    int entry;
    KeyLook look;
  } cases[] = {{57, 86, kLookDownloaded}, {5, 0x07, kLookDownloaded}, {27, 0x1A, kLookLearned}};
  for (const auto& c : cases) {
    const IBtn* key = w.KeyButton(c.number);
    EXPECT_EQ(key->Picture().cacheKey(), w.key_pictures[c.look][c.entry].cacheKey()) << c.number;
    EXPECT_EQ(key->Picture().size(), key->size()) << c.number;  // pictures made for their keys
  }
  // TV/2 (05) holds no code: its own grey picture, the same look as set 1.
  const IBtn* tv2 = w.KeyButton(6);
  EXPECT_EQ(tv2->Picture().toImage(), w.key_pictures[kLookNoCode][0x05].toImage());
  EXPECT_EQ(w.Imagehint->pixmap().cacheKey(), w.logo_picture.cacheKey());
  w.close();
}

TEST(WindowSkins, MovieFileLivesFromTheStartToTheClose) {
  Rig rig;
  const QString movie = AnimationFilePath();
  ASSERT_FALSE(movie.isEmpty());
  QFile::remove(movie);
  Tmainselfstudy& w = rig.Show();
  rig.Settle();
  ASSERT_TRUE(QFile::exists(movie));

  // A key waiting for its capture: the hint picture gives way to the
  // playing animation.
  EXPECT_FALSE(w.donghuaflash2->isVisible());
  w.Imagehint->hide();
  w.donghuaflash2->SetMovie(movie);
  w.donghuaflash2->show();
  w.donghuaflash2->Play();
  EXPECT_TRUE(w.donghuaflash2->HasMovie()) << w.donghuaflash2->LoadError().toStdString();
  EXPECT_TRUE(w.donghuaflash2->Playing());
  EXPECT_EQ(w.donghuaflash2->size(), QSize(413, 72));
  const QImage shown = w.donghuaflash2->grab().toImage();
  EXPECT_NE(shown.pixelColor(200, 36), QColor(53, 124, 168));

  w.close();
  EXPECT_FALSE(w.donghuaflash2->Playing());
  EXPECT_FALSE(QFile::exists(movie));
}

}  // namespace
}  // namespace tvq31
