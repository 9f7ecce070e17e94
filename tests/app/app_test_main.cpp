// Widget tests run on Qt's offscreen platform. It is set here as well as in
// the test environment: test discovery runs this binary at build time.
#include "skins/skins.h"

#include "linkstathread/linkstathread.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The skin containers are built beside the executables, not the tests.
  tvq31::SetSkinDirectory(QStringLiteral(TVQ31_BIN_DIR));
  // The scripted device answers one thread; tests of the link monitor turn it on.
  tvq31::SetLinkMonitorEnabled(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
