// mira.nol — licensed under the terms in the LICENSE file.
// The X11 side of the SDL2 window: which X window SDL uses, and its outline through SHAPE.
#include "Sdl2X11.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace {

bool X11InfoOf(SDL_Window* window, Display*& display, Window& xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  display = info.info.x11.display;
  xwindow = info.info.x11.window;
  return display != nullptr && xwindow != 0;
}

}  // namespace

unsigned long X11WindowOf(SDL_Window* window) {
  Display* display = nullptr;
  Window xwindow = 0;
  return X11InfoOf(window, display, xwindow) ? xwindow : 0;
}

TX11PointerEvent X11PointerEventOf(const SDL_SysWMmsg* message, unsigned long window) {
  TX11PointerEvent out;
  if (!message || message->subsystem != SDL_SYSWM_X11) return out;
  const XEvent& e = message->msg.x11.event;
  if (e.type == MotionNotify && e.xmotion.window == window) {
    out = {TX11PointerEvent::Motion, e.xmotion.x, e.xmotion.y};
  } else if ((e.type == ButtonPress || e.type == ButtonRelease) && e.xbutton.window == window) {
    out = {TX11PointerEvent::Button, e.xbutton.x, e.xbutton.y};
  }
  return out;
}

bool X11PointerPos(SDL_Window* window, int& x, int& y) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11InfoOf(window, display, xwindow)) return false;
  Window root = 0, child = 0;
  int winX = 0, winY = 0;
  unsigned int mask = 0;
  return XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &winX, &winY, &mask) != False;
}

unsigned long ApplyX11Shape(SDL_Window* window, const std::optional<std::vector<TRect>>& rects) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11InfoOf(window, display, xwindow)) return 0;
  if (!rects) {
    XShapeCombineMask(display, xwindow, ShapeBounding, 0, 0, None, ShapeSet);
  } else {
    std::vector<XRectangle> xr;
    xr.reserve(rects->size());
    for (const TRect& r : *rects) {
      // X rectangles hold 16-bit values; a window is far smaller, so clipping loses nothing.
      const TRect c = r.Intersect({-16384, -16384, 16383, 16383});
      if (c.IsEmpty()) continue;
      xr.push_back({static_cast<short>(c.Left), static_cast<short>(c.Top), static_cast<unsigned short>(c.Width()),
                    static_cast<unsigned short>(c.Height())});
    }
    // An empty list is a valid outline: nothing of the window shows.
    XShapeCombineRectangles(display, xwindow, ShapeBounding, 0, 0, xr.data(), static_cast<int>(xr.size()), ShapeSet,
                            Unsorted);
  }
  // Outlines change rarely; waiting until the server has them means the window never shows a
  // frame with an outline older than what the program last set.
  XSync(display, False);
  return xwindow;
}
