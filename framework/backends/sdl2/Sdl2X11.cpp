// SPDX-License-Identifier: MIT
// The X11 side of the SDL2 window: which X window SDL uses, and its outline through SHAPE.
#include "Sdl2X11.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// The connection the program survives losing (SDL's, once it has a window), and whether it was.
std::atomic<Display*> gWatched{nullptr};
std::atomic<bool> gWatchedLost{false};
std::atomic<int> gReportedErrors{0};
constexpr int kMaxReportedErrors = 5;

int OnXError(Display* display, XErrorEvent* error) {
  // A request on a window that another client destroyed meanwhile: nothing to mend, and the
  // window's own DestroyNotify tells the program what happened.
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  // Focus asked for a window not yet viewable (a window manager may still be placing it).
  if (error->request_code == X_SetInputFocus && error->error_code == BadMatch) return 0;
  if (gReportedErrors.fetch_add(1) < kMaxReportedErrors) {
    char text[160] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "%s: X error passed over: %s (request %d.%d)\n", program_invocation_short_name, text,
                 error->request_code, error->minor_code);
  }
  return 0;
}

// Whether the program has been told of the loss (and so says it itself), and whether it got as
// far as taking its window system down.
std::atomic<bool> gLossNoticed{false};
std::mutex gEndMutex;
std::condition_variable gEndReached;
bool gEnded = false;

// NOTE: the last resort after a lost connection. A few waits inside Xlib and SDL (for a window to
// be mapped, or for room to send a large request) never end on a connection that is gone, and a
// loss that strikes during one of them leaves the program spinning there. Unless the program has
// taken its window system down in order within this time, it ends here, with status 1.
constexpr auto kLossGrace = std::chrono::seconds(3);

void WatchTheEnd() {
  std::thread([] {
    std::unique_lock lock(gEndMutex);
    if (gEndReached.wait_for(lock, kLossGrace, [] { return gEnded; })) return;
    if (!gLossNoticed.load())
      std::fprintf(stderr, "%s: lost the connection to the display\n", program_invocation_short_name);
    std::fflush(stderr);
    std::_Exit(1);
  }).detach();
}

int OnXConnectionLost(Display* display) {
  // On the watched connection Xlib carries on and the message loop ends, saying why. Any other
  // (SDL's before its first window, when nothing of the program runs yet) Xlib ends the process
  // right after this.
  if (display == gWatched.load()) {
    if (!gWatchedLost.exchange(true)) WatchTheEnd();
  } else
    std::fprintf(stderr, "%s: lost the connection to the display\n", program_invocation_short_name);
  return 0;
}

void CarryOnAfterLoss(Display*, void*) {
  // Returning makes Xlib carry on with the dead connection instead of ending the process.
}

bool X11InfoOf(SDL_Window* window, Display*& display, Window& xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  display = info.info.x11.display;
  xwindow = info.info.x11.window;
  return display != nullptr && xwindow != 0;
}

}  // namespace

unsigned long X11WindowOf(SDL_Window* window, _XDisplay** display) {
  Display* dpy = nullptr;
  Window xwindow = 0;
  const bool ok = X11InfoOf(window, dpy, xwindow);
  if (display) *display = ok ? dpy : nullptr;
  return ok ? xwindow : 0;
}

int X11ConnectionFd(_XDisplay* display) { return ConnectionNumber(display); }

int X11QueuedEvents(_XDisplay* display) { return XEventsQueued(display, QueuedAlready); }

void X11InstallErrorHandlers() {
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXConnectionLost);
}

void X11WatchConnection(_XDisplay* display) {
  if (!display) return;
  XSetIOErrorExitHandler(display, CarryOnAfterLoss, nullptr);
  gWatchedLost.store(false);
  gWatched.store(display);
}

bool X11ConnectionLost(_XDisplay* display) {
  const bool lost = display && display == gWatched.load() && gWatchedLost.load();
  if (lost) gLossNoticed.store(true);
  return lost;
}

bool X11CheckConnection(_XDisplay* display) {
  // A round trip: on a connection that went away unnoticed it runs into the loss.
  if (display && !X11ConnectionLost(display)) XSync(display, False);
  return !X11ConnectionLost(display);
}

// NOTE: SDL asks for the modifier map while it takes in the window's focus, right after asking
// where the pointer is, and reads the map without checking that there is one. Should the server go
// away between the two requests, Xlib gives back nothing (or a map read from no reply at all), and
// SDL's read of it ended the program with a crash instead of the lost connection's orderly end.
// The program's own definition stands in for Xlib's for every caller in the process: once the
// watched connection is lost it gives an empty map, which names no key for any modifier.
extern "C" XModifierKeymap* XGetModifierMapping(Display* display) {
  using TGetModifierMapping = XModifierKeymap* (*)(Display*);
  static const auto xlib = reinterpret_cast<TGetModifierMapping>(dlsym(RTLD_NEXT, "XGetModifierMapping"));
  // Asked without X11ConnectionLost, which would count as the program having been told.
  const auto lost = [display] { return display && display == gWatched.load() && gWatchedLost.load(); };
  XModifierKeymap* map = xlib && !lost() ? xlib(display) : nullptr;
  if (map && lost()) {
    XFreeModifiermap(map);
    map = nullptr;
  }
  return map ? map : XNewModifiermap(0);
}

void X11EndReached() {
  {
    std::lock_guard lock(gEndMutex);
    gEnded = true;
  }
  gEndReached.notify_all();
}

bool X11WindowDestroyed(const SDL_SysWMmsg* message, unsigned long window) {
  if (!message || message->subsystem != SDL_SYSWM_X11 || window == 0) return false;
  const XEvent& e = message->msg.x11.event;
  return e.type == DestroyNotify && e.xdestroywindow.window == window;
}

namespace {

// Whether SDL turns an entry of a dropped address list into a local path: "file:/path",
// "file:///path", or "file://host/path" naming this machine.
bool NamesLocalFile(const std::string& uri) {
  if (uri.compare(0, 6, "file:/") != 0) return false;
  const std::string rest = uri.substr(6);
  if (rest.empty() || rest[0] != '/' || (rest.size() > 1 && rest[1] == '/')) return true;
  const std::size_t end = rest.find('/', 1);
  char host[257] = {};
  if (end == std::string::npos || gethostname(host, sizeof host - 1) != 0) return false;
  return rest.compare(1, end - 1, host) == 0;
}

}  // namespace

std::vector<std::string> X11DroppedElsewhere(const SDL_SysWMmsg* message, unsigned long window) {
  std::vector<std::string> others;
  if (!message || message->subsystem != SDL_SYSWM_X11 || window == 0) return others;
  const XEvent& e = message->msg.x11.event;
  if (e.type != SelectionNotify || e.xselection.requestor != window || e.xselection.property == None) return others;
  Display* display = e.xselection.display;
  char* target = XGetAtomName(display, e.xselection.target);
  const bool addresses = target && std::strcmp(target, "text/uri-list") == 0;
  if (target) XFree(target);
  if (!addresses) return others;
  // SDL has read the list from the same property and left it there.
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, e.xselection.property, 0, 1L << 20, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) != Success ||
      !data)
    return others;
  if (format == 8) {
    const std::string text(reinterpret_cast<const char*>(data), count);
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      if (!line.empty() && line[0] != '#' && !NamesLocalFile(line)) others.push_back(line);
      start = end + 1;
    }
  }
  XFree(data);
  return others;
}

void X11MakeDialog(SDL_Window* window, SDL_Window* parent) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11InfoOf(window, display, xwindow)) return;
  const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, xwindow, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog),
                  1);
  Display* parentDisplay = nullptr;
  Window xparent = 0;
  if (parent && X11InfoOf(parent, parentDisplay, xparent) && parentDisplay == display)
    XSetTransientForHint(display, xwindow, xparent);
}

int X11PendingEvents(_XDisplay* display) {
  // One call: every look at Xlib's queue tries a read from the connection as well.
  return XEventsQueued(display, QueuedAfterFlush);
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

void SetX11WindowIcon(SDL_Window* window, const std::vector<TIconPicture>& pictures) {
  Display* display = nullptr;
  const Window xwindow = X11WindowOf(window, &display);
  if (!xwindow || !display) return;
  // Format 32 properties travel as C longs on the client side, whatever their width on the wire.
  std::vector<long> data;
  for (const TIconPicture& picture : pictures) {
    if (picture.Width <= 0 || picture.Height <= 0 ||
        picture.Pixels.size() != static_cast<size_t>(picture.Width) * picture.Height)
      continue;
    data.push_back(picture.Width);
    data.push_back(picture.Height);
    for (const uint32_t pixel : picture.Pixels) data.push_back(static_cast<long>(pixel));
  }
  if (data.empty()) return;
  const Atom icon = XInternAtom(display, "_NET_WM_ICON", False);
  XChangeProperty(display, xwindow, icon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
  XFlush(display);
}

struct TX11Painter::TImpl {
  Display* Dpy = nullptr;
  GC Gc = nullptr;
  XImage Image{};  // the header for plain puts
  XImage* SharedImage = nullptr;
  XShmSegmentInfo Segment{};
  bool Attached = false;
  std::vector<uint32_t> Own;  // the buffer when the server shares none

  ~TImpl() {
    Unshare();
    if (Gc) XFreeGC(Dpy, Gc);
  }

  // Lets go of the shared buffer, whatever part of Share got done.
  void Unshare() {
    if (Attached) {
      XShmDetach(Dpy, &Segment);
      // The server must be done with the segment before it goes away.
      XSync(Dpy, False);
      Attached = false;
    }
    if (SharedImage) {
      SharedImage->data = nullptr;
      XDestroyImage(SharedImage);
      SharedImage = nullptr;
    }
    if (Segment.shmaddr && Segment.shmaddr != reinterpret_cast<char*>(-1)) shmdt(Segment.shmaddr);
    Segment = {};
  }

  // Shares a buffer of `width` x `height` words with the server. False, with nothing left
  // behind, where the server cannot (a remote display, no extension, no shared memory).
  bool Share(const XWindowAttributes& attrs, int width, int height);
};

namespace {

bool GAttachFailed = false;
int NoteAttachError(Display*, XErrorEvent*) {
  GAttachFailed = true;
  return 0;
}

}  // namespace

bool TX11Painter::TImpl::Share(const XWindowAttributes& attrs, int width, int height) {
  if (!XShmQueryExtension(Dpy)) return false;
  SharedImage = XShmCreateImage(Dpy, attrs.visual, static_cast<unsigned>(attrs.depth), ZPixmap, nullptr, &Segment,
                                static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (!SharedImage) return false;
  const size_t bytes = static_cast<size_t>(SharedImage->bytes_per_line) * static_cast<size_t>(height);
  Segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (Segment.shmid < 0) return false;
  Segment.shmaddr = static_cast<char*>(shmat(Segment.shmid, nullptr, 0));
  if (Segment.shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(Segment.shmid, IPC_RMID, nullptr);
    return false;
  }
  SharedImage->data = Segment.shmaddr;
  Segment.readOnly = True;
  // A server on another machine refuses the segment with an error, which must not end the program.
  XSync(Dpy, False);
  GAttachFailed = false;
  auto* previous = XSetErrorHandler(NoteAttachError);
  const Status status = XShmAttach(Dpy, &Segment);
  XSync(Dpy, False);
  XSetErrorHandler(previous);
  // Marked for removal at once: the segment goes when both sides have let go, even after a crash.
  shmctl(Segment.shmid, IPC_RMID, nullptr);
  Attached = status && !GAttachFailed;
  return Attached;
}

std::unique_ptr<TX11Painter> TX11Painter::Create(SDL_Window* window, int width, int height) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11InfoOf(window, display, xwindow) || width <= 0 || height <= 0) return nullptr;
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(display, xwindow, &attrs) || !attrs.visual) return nullptr;
  const Visual* v = attrs.visual;
  // SDL prefers a DirectColor visual where there is one and fills its colour map with straight
  // ramps, so its pixels mean what they would on TrueColor.
  if (attrs.depth != 24 || (v->c_class != TrueColor && v->c_class != DirectColor) || v->red_mask != 0xFF0000 ||
      v->green_mask != 0xFF00 || v->blue_mask != 0xFF)
    return nullptr;
  // Depth 24 must be stored as 32-bit words for the pixels to go out unchanged.
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool words = false;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == 24) words = formats[i].bits_per_pixel == 32;
  if (formats) XFree(formats);
  if (!words) return nullptr;

  std::unique_ptr<TX11Painter> painter(new TX11Painter());
  auto& impl = *(painter->FImpl = std::make_unique<TImpl>());
  impl.Dpy = display;
  // No graphics exposures: a put never asks the server to report areas it could not copy.
  XGCValues values{};
  values.graphics_exposures = False;
  impl.Gc = XCreateGC(display, xwindow, GCGraphicsExposures, &values);
  if (!impl.Gc) return nullptr;
  painter->FWindow = xwindow;

  if (impl.Share(attrs, width, height)) {
    painter->FPixels = reinterpret_cast<uint32_t*>(impl.SharedImage->data);
    painter->FStride = impl.SharedImage->bytes_per_line / 4;
  } else {
    impl.Unshare();
    impl.Own.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    painter->FPixels = impl.Own.data();
    painter->FStride = width;
    XImage& image = impl.Image;
    image.width = width;
    image.height = height;
    image.format = ZPixmap;
    image.data = reinterpret_cast<char*>(impl.Own.data());
    image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = image.byte_order;
    image.bitmap_pad = 32;
    image.depth = attrs.depth;
    image.bytes_per_line = width * 4;
    image.bits_per_pixel = 32;
    image.red_mask = v->red_mask;
    image.green_mask = v->green_mask;
    image.blue_mask = v->blue_mask;
    if (!XInitImage(&image)) return nullptr;
  }
  std::fill_n(painter->FPixels, static_cast<size_t>(painter->FStride) * static_cast<size_t>(height), 0u);
  return painter;
}

TX11Painter::~TX11Painter() = default;

bool TX11Painter::Shared() const { return FImpl->Attached; }

void TX11Painter::Put(const TRect& r) {
  const auto w = static_cast<unsigned>(r.Width());
  const auto h = static_cast<unsigned>(r.Height());
  if (FImpl->Attached)
    XShmPutImage(FImpl->Dpy, FWindow, FImpl->Gc, FImpl->SharedImage, r.Left, r.Top, r.Left, r.Top, w, h, False);
  else
    XPutImage(FImpl->Dpy, FWindow, FImpl->Gc, &FImpl->Image, r.Left, r.Top, r.Left, r.Top, w, h);
}

void TX11Painter::Flush() { XFlush(FImpl->Dpy); }

void TX11Painter::Sync() { XSync(FImpl->Dpy, False); }
