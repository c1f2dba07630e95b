// SPDX-License-Identifier: MIT
// The tests' own connection to the X server: window facts and XTEST input.
#include "XClient.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

#include <chrono>
#include <thread>

namespace {
Display* Dpy(void* p) { return static_cast<Display*>(p); }

// The position of the lowest set bit and the width of a colour mask.
unsigned Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const unsigned long max = mask >> shift;
  return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / max);
}
}  // namespace

TXClient::TXClient() {
  for (int attempt = 0; attempt < 40 && !FDisplay; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    FDisplay = XOpenDisplay(nullptr);
  }
}

TXClient::~TXClient() {
  if (FDisplay) XCloseDisplay(Dpy(FDisplay));
}

std::vector<TRect> TXClient::ShapeRects(unsigned long window, bool& shaped) {
  std::vector<TRect> out;
  Bool bShaped = False, cShaped = False;
  int bx, by, cx, cy;
  unsigned bw, bh, cw, ch;
  XShapeQueryExtents(Dpy(FDisplay), window, &bShaped, &bx, &by, &bw, &bh, &cShaped, &cx, &cy, &cw, &ch);
  shaped = bShaped != False;
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(Dpy(FDisplay), window, ShapeBounding, &count, &ordering);
  for (int i = 0; i < count; ++i) out.push_back(Bounds(rects[i].x, rects[i].y, rects[i].width, rects[i].height));
  if (rects) XFree(rects);
  return out;
}

TPoint TXClient::WindowOrigin(unsigned long window) {
  Window child = 0;
  int x = 0, y = 0;
  XTranslateCoordinates(Dpy(FDisplay), window, DefaultRootWindow(Dpy(FDisplay)), 0, 0, &x, &y, &child);
  return {x, y};
}

TColor TXClient::PixelAt(unsigned long window, int x, int y) {
  XSync(Dpy(FDisplay), False);
  XImage* image = XGetImage(Dpy(FDisplay), window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return clInvalid;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  const TColor c = Channel(pixel, image->red_mask) | (Channel(pixel, image->green_mask) << 8) |
                   (Channel(pixel, image->blue_mask) << 16);
  XDestroyImage(image);
  return c;
}

std::vector<uint32_t> TXClient::WindowIcon(unsigned long window) {
  Display* d = Dpy(FDisplay);
  const Atom icon = XInternAtom(d, "_NET_WM_ICON", False);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<uint32_t> words;
  if (XGetWindowProperty(d, window, icon, 0, 1 << 20, False, XA_CARDINAL, &type, &format, &items, &after, &data) ==
          Success &&
      data) {
    // Format 32 items come back as C longs.
    const long* values = reinterpret_cast<const long*>(data);
    if (format == 32)
      for (unsigned long i = 0; i < items; ++i) words.push_back(static_cast<uint32_t>(values[i]));
    XFree(data);
  }
  return words;
}

std::string TXClient::WindowTitle(unsigned long window) {
  Display* d = Dpy(FDisplay);
  const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(d, window, netName, 0, 1024, False, utf8, &type, &format, &items, &after, &data) == Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), items);
    XFree(data);
  }
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(d, window, &name) && name) {
      title = name;
      XFree(name);
    }
  }
  return title;
}

std::vector<unsigned long> TXClient::OtherMappedWindows(unsigned long except) {
  Display* d = Dpy(FDisplay);
  std::vector<unsigned long> out;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return out;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (children[i] != except && XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
      out.push_back(children[i]);
  }
  if (children) XFree(children);
  return out;
}

bool TXClient::PointerFree() {
  Display* d = Dpy(FDisplay);
  const int rc = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                              CurrentTime);
  if (rc == GrabSuccess) XUngrabPointer(d, CurrentTime);
  XSync(d, False);
  return rc == GrabSuccess;
}

void TXClient::MovePointer(int screenX, int screenY) {
  XTestFakeMotionEvent(Dpy(FDisplay), -1, screenX, screenY, CurrentTime);
  XSync(Dpy(FDisplay), False);
}

void TXClient::Button(int button, bool press) {
  XTestFakeButtonEvent(Dpy(FDisplay), static_cast<unsigned>(button), press ? True : False, CurrentTime);
  XSync(Dpy(FDisplay), False);
}

void TXClient::Click(int button) {
  Button(button, true);
  Button(button, false);
}

void TXClient::Key(const std::string& keysym) {
  Display* d = Dpy(FDisplay);
  const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym.c_str()));
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  XSync(d, False);
}

std::string TXClient::WindowClass(unsigned long window) {
  XClassHint hint{};
  if (!XGetClassHint(Dpy(FDisplay), window, &hint)) return "";
  std::string out = std::string(hint.res_name ? hint.res_name : "") + "/" + (hint.res_class ? hint.res_class : "");
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return out;
}

TRect TXClient::WindowRect(unsigned long window) {
  Display* d = Dpy(FDisplay);
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, window, &a)) return {};
  Window child = 0;
  int x = 0, y = 0;
  XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
  return Bounds(x, y, a.width, a.height);
}

void TXClient::RequestClose(unsigned long window) {
  Display* d = Dpy(FDisplay);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &e);
  XSync(d, False);
}

void TXClient::Destroy(unsigned long window) {
  XDestroyWindow(Dpy(FDisplay), window);
  XSync(Dpy(FDisplay), False);
}

void TXClient::Focus(unsigned long window) {
  XSetInputFocus(Dpy(FDisplay), window, RevertToPointerRoot, CurrentTime);
  XSync(Dpy(FDisplay), False);
}
