// Program entry: the splash window stays up while the main window is
// created (and the handshake with the remote runs), then the main window
// takes over until it closes.
#include "devicelink/device_access.h"
#include "display/display_modes.h"
#include "mainstudy/mainstudy.h"
#include "prompter/prompter.h"
#include "qidong/qidong.h"

#include <QApplication>

#include <chrono>
#include <memory>
#include <thread>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tvq31"));

  auto splash = std::make_unique<tvq31::TForm1>();
  splash->show();
  splash->repaint();
  QApplication::processEvents();

  std::unique_ptr<tvq31::DeviceAccess> device = tvq31::MakeTolvioDevice();
  std::unique_ptr<tvq31::DisplayModes> display = tvq31::MakePlatformDisplayModes();
  tvq31::MessageBoxPrompter prompter;
  tvq31::Tmainselfstudy window(*device, prompter, *display);
  prompter.SetParent(&window);

  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  splash->hide();
  splash.reset();

  window.show();
  return app.exec();
}
