// XRandR mode switch, kept apart from Qt: the X11 headers define macros
// (None, Bool, Status) that clash with Qt's names.
#include "display/display_modes.h"

#ifdef TVQ31_HAVE_XRANDR
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <memory>
#endif

namespace tvq31 {

#ifndef TVQ31_HAVE_XRANDR

bool XrandrSetSessionMode(int, int) { return false; }

#else

namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
struct ResourcesFree {
  void operator()(XRRScreenResources* r) const { XRRFreeScreenResources(r); }
};
struct OutputFree {
  void operator()(XRROutputInfo* o) const { XRRFreeOutputInfo(o); }
};
struct CrtcFree {
  void operator()(XRRCrtcInfo* c) const { XRRFreeCrtcInfo(c); }
};

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool XrandrSetSessionMode(int width, int height) {
  std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) return false;
  Display* dpy = display.get();
  int event_base = 0, error_base = 0;
  if (!XRRQueryExtension(dpy, &event_base, &error_base)) return false;
  Window root = DefaultRootWindow(dpy);
  std::unique_ptr<XRRScreenResources, ResourcesFree> res(
      XRRGetScreenResourcesCurrent(dpy, root));
  if (!res || res->noutput <= 0) return false;

  // The primary output when it is lit, else the first lit output.
  RROutput primary = XRRGetOutputPrimary(dpy, root);
  std::unique_ptr<XRROutputInfo, OutputFree> output;
  for (int pass = 0; pass < 2 && !output; ++pass) {
    for (int i = 0; i < res->noutput; ++i) {
      RROutput id = res->outputs[i];
      if (pass == 0 && id != primary) continue;
      std::unique_ptr<XRROutputInfo, OutputFree> info(
          XRRGetOutputInfo(dpy, res.get(), id));
      if (info && info->connection == RR_Connected && info->crtc != 0) {
        output = std::move(info);
        break;
      }
    }
  }
  if (!output) return false;

  // The mode must be one the output offers; the first listed is its
  // preferred refresh rate.
  RRMode mode = 0;
  for (int i = 0; i < output->nmode && mode == 0; ++i) {
    for (int k = 0; k < res->nmode; ++k) {
      const XRRModeInfo& info = res->modes[k];
      if (info.id == output->modes[i] && static_cast<int>(info.width) == width &&
          static_cast<int>(info.height) == height) {
        mode = info.id;
        break;
      }
    }
  }
  if (mode == 0) return false;

  std::unique_ptr<XRRCrtcInfo, CrtcFree> crtc(
      XRRGetCrtcInfo(dpy, res.get(), output->crtc));
  if (!crtc) return false;

  // Grow the screen first when the new mode would not fit on it.
  int screen = DefaultScreen(dpy);
  int need_w = std::max(DisplayWidth(dpy, screen), crtc->x + width);
  int need_h = std::max(DisplayHeight(dpy, screen), crtc->y + height);
  auto old_handler = XSetErrorHandler(IgnoreXErrors);
  if (need_w != DisplayWidth(dpy, screen) || need_h != DisplayHeight(dpy, screen)) {
    int min_w = 0, min_h = 0, max_w = 0, max_h = 0;
    if (!XRRGetScreenSizeRange(dpy, root, &min_w, &min_h, &max_w, &max_h) ||
        need_w > max_w || need_h > max_h) {
      XSetErrorHandler(old_handler);
      return false;
    }
    // Keep the physical size in step, so the dots per inch stay the same.
    int mm_w = DisplayWidthMM(dpy, screen) * need_w / std::max(1, DisplayWidth(dpy, screen));
    int mm_h = DisplayHeightMM(dpy, screen) * need_h / std::max(1, DisplayHeight(dpy, screen));
    XRRSetScreenSize(dpy, root, need_w, need_h, mm_w, mm_h);
  }
  Status status = XRRSetCrtcConfig(dpy, res.get(), output->crtc, CurrentTime, crtc->x,
                                   crtc->y, mode, crtc->rotation, crtc->outputs,
                                   crtc->noutput);
  XSync(dpy, False);
  XSetErrorHandler(old_handler);
  return status == RRSetConfigSuccess;
}

#endif

}  // namespace tvq31
