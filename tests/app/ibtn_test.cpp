#include "ibtn1/ibtn.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace tvq31 {
namespace {

QPixmap Filled(const QColor& colour) {
  QPixmap p(10, 10);
  p.fill(colour);
  return p;
}

// Compares pictures by their pixels (copies share no identity).
bool SamePicture(const QPixmap& a, const QPixmap& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
  return a.toImage() == b.toImage();
}

class IBtnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner.resize(300, 200);
    IBtn::SetShellOpener([this](const QString& path) { opened.push_back(path); });
    button = new IBtn(&owner);
    button->setGeometry(40, 30, 50, 20);
    owner.show();
  }
  void TearDown() override { IBtn::SetShellOpener(nullptr); }

  QWidget owner;
  IBtn* button = nullptr;
  std::vector<QString> opened;
};

TEST_F(IBtnTest, ConstructionDefaults) {
  IBtn fresh(&owner);
  EXPECT_EQ(fresh.size(), QSize(80, 25));
  EXPECT_EQ(fresh.MoveDown(), 1);
  EXPECT_EQ(fresh.MoveRight(), 1);
  EXPECT_TRUE(fresh.IsEnable());
  EXPECT_TRUE(fresh.Path().isEmpty());
  EXPECT_TRUE(fresh.Code().isEmpty());
  EXPECT_TRUE(fresh.DisablePic().isNull());
  EXPECT_EQ(fresh.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(IBtnTest, IsEnableCopiesPicturesEveryCall) {
  const QPixmap normal = Filled(Qt::green);
  const QPixmap other = Filled(Qt::red);
  struct Case {
    const char* name;
    std::vector<bool> calls;
    bool start_with_picture;
    QPixmap want;
  } cases[] = {
      {"false then true restores", {false, true}, true, normal},
      {"false shows DisablePic", {false}, true, other},
      {"false twice loses the normal picture", {false, false, true}, true, other},
      {"true without a saved picture shows none", {true}, true, QPixmap()},
      {"true twice after false", {false, true, true}, true, normal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IBtn b(&owner);
    if (c.start_with_picture) b.SetPicture(normal);
    b.SetDisablePic(other);
    for (bool call : c.calls) b.SetIsEnable(call);
    EXPECT_TRUE(SamePicture(b.Picture(), c.want));
    EXPECT_EQ(b.IsEnable(), c.calls.back());
  }
}

TEST_F(IBtnTest, PressMovesAndReleaseMovesBack) {
  struct Case {
    Qt::MouseButton button;
    uint8_t down, right;
  } cases[] = {{Qt::LeftButton, 1, 1},
               {Qt::RightButton, 1, 1},
               {Qt::LeftButton, 0, 0},
               {Qt::MiddleButton, 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.button) << " " << int(c.down) << int(c.right));
    button->SetMoveDown(c.down);
    button->SetMoveRight(c.right);
    const QPoint home = button->pos();
    QTest::mousePress(button, c.button, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(button->pos(), home + QPoint(c.right, c.down));
    QTest::mouseRelease(button, c.button, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(button->pos(), home);
  }
}

TEST_F(IBtnTest, ClickOnlyForLeftButtonAndRunsWhilePressedIn) {
  const QPoint home = button->pos();
  int clicks = 0;
  QPoint seen_at;
  QObject::connect(button, &IBtn::Click, [&](IBtn* sender) {
    ++clicks;
    seen_at = sender->pos();
  });
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(seen_at, home + QPoint(1, 1));
  EXPECT_EQ(button->pos(), home);

  QTest::mouseClick(button, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(clicks, 1);

  // Released outside the control: no click, but it still comes back.
  QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button->pos(), home);
}

TEST_F(IBtnTest, HiddenWhilePressedReturnsToItsPlace) {
  const QPoint home = button->pos();
  QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  button->hide();
  EXPECT_EQ(button->pos(), home);
  button->show();
}

TEST_F(IBtnTest, EveryPressOpensANonEmptyPath) {
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_TRUE(opened.empty());
  button->SetPath(QStringLiteral("TV/1"));
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseClick(button, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(opened, (std::vector<QString>{"TV/1", "TV/1"}));
}

TEST_F(IBtnTest, ExeExtensionChangesTheDirectoryCaseSensitively) {
  const QString start = QDir::currentPath();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString target = QDir(dir.path()).canonicalPath();
  struct Case {
    QString path;
    bool changes;
  } cases[] = {{target + "/tool.EXE", false},
               {target + "/tool.exe.txt", false},
               {target + "/tool.exe", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    QDir::setCurrent(start);
    opened.clear();
    button->SetPath(c.path);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(QDir::currentPath() == target, c.changes);
    EXPECT_EQ(opened.size(), 1u);
  }
  // A directory that does not exist: no open request, still back in place.
  const QPoint home = button->pos();
  opened.clear();
  button->SetPath(target + "/missing/tool.exe");
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(button->pos(), home);
  QDir::setCurrent(start);
}

}  // namespace
}  // namespace tvq31
