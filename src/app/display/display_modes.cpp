#include "display/display_modes.h"

#include <QGuiApplication>
#include <QScreen>

namespace tvq31 {
namespace {

class PlatformDisplayModes final : public DisplayModes {
 public:
  QSize ScreenSize() const override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
  }
  bool SetSessionMode(int width, int height) override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    return XrandrSetSessionMode(width, height);
  }
};

}  // namespace

std::unique_ptr<DisplayModes> MakePlatformDisplayModes() {
  return std::make_unique<PlatformDisplayModes>();
}

}  // namespace tvq31
