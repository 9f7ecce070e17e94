// Pixmaps need a GUI application; Qt's offscreen platform runs it headless.
// Set here as well: test discovery runs this binary at build time.
#include "linkstathread/linkstathread.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The scripted device answers one thread; tests of the link monitor turn it on.
  tvq31::SetLinkMonitorEnabled(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
