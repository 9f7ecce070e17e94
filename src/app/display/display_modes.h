// The display layer: the screen size the window checks at first showing, and
// the switch to 1024 x 768 that it attempts on a narrower screen. The switch
// lasts for this session only: the program never stores a mode as the
// user's default, so a display that cannot show the mode comes back as it
// was at the next login.
#pragma once

#include <QSize>

#include <memory>

namespace tvq31 {

class DisplayModes {
 public:
  virtual ~DisplayModes() = default;
  virtual QSize ScreenSize() const = 0;
  // Switches the display to width x height for this session. False when the
  // platform or the display does not offer that mode.
  virtual bool SetSessionMode(int width, int height) = 0;
};

// The primary screen as Qt sees it; the switch through XRandR on X11,
// nothing elsewhere.
std::unique_ptr<DisplayModes> MakePlatformDisplayModes();

// Implemented with XRandR where it is available; false elsewhere.
bool XrandrSetSessionMode(int width, int height);

}  // namespace tvq31
