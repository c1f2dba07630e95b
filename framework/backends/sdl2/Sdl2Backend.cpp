// SPDX-License-Identifier: MIT
// The real window: an SDL2 window on X11, drawn in software, shaped with the X11 SHAPE extension.
#include "Sdl2Backend.h"

#include <SDL2/SDL.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "Sdl2FontEngine.h"
#include "Sdl2Keys.h"
#include "Sdl2X11.h"
#include "graphics/TBitmap.h"

namespace {

uint32_t NativeOf(uint32_t c) { return (c & 0xFF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16); }

// Past this many separate parts waiting to be shown, one rectangle around them all is cheaper.
constexpr size_t kMaxPendingParts = 16;

// A copy from another thread waits for the message loop's own wake-up if that comes within this
// time, rather than waking the window thread once more by itself.
constexpr auto kCopyLatency = std::chrono::milliseconds(10);
constexpr int64_t kNoDeadline = INT64_MAX;

// SDL finishes some of its work (focus changes it holds back, among others) only when it reads
// the X connection, so it reads at least this often even when the server sends nothing.
constexpr auto kPumpInterval = std::chrono::milliseconds(100);

// What the timers change goes to the X server at most this often, all of it in one write: each
// write wakes the server, and what a wake-up costs it, not the pixels, decides its share of the
// player's cost. The caption's and the eyes' 10 ms steps still happen every 10 ms; every other
// one reaches the screen together with the next, at 50 frames a second. What input changes goes
// out at once.
constexpr auto kFramePeriod = std::chrono::milliseconds(20);
constexpr auto kFrameSlack = std::chrono::milliseconds(4);

// Two parts go to the server as one when the rectangle around both is at most this much larger
// than the two together: one request instead of two, for a few pixels more.
bool WorthMerging(const TRect& a, const TRect& b) {
  const TRect u = a.Union(b);
  const int64_t both = int64_t(a.Width()) * a.Height() + int64_t(b.Width()) * b.Height();
  return int64_t(u.Width()) * u.Height() <= both + both / 4;
}

void MergeParts(std::vector<TRect>& parts) {
  for (size_t i = 0; i < parts.size(); ++i) {
    for (size_t j = i + 1; j < parts.size(); ++j) {
      if (!WorthMerging(parts[i], parts[j])) continue;
      parts[i] = parts[i].Union(parts[j]);
      parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(j));
      // The larger part may now take in one that it could not before.
      j = i;
    }
  }
}

TMouseButton ButtonFromSdl(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_RIGHT: return TMouseButton::mbRight;
    case SDL_BUTTON_MIDDLE: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
  }
}

TShiftStateItem ShiftItemOf(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbRight: return ssRight;
    case TMouseButton::mbMiddle: return ssMiddle;
    default: return ssLeft;
  }
}

TShiftState ShiftFromMods(uint16_t mods) {
  TShiftState shift;
  if (mods & KMOD_SHIFT) shift |= ssShift;
  if (mods & KMOD_CTRL) shift |= ssCtrl;
  if (mods & KMOD_ALT) shift |= ssAlt;
  return shift;
}

// Copies `count` colour words (0x00BBGGRR) as the X visual's words (0x00RRGGBB), four at a time.
void CopyAsNative(uint32_t* dst, const uint32_t* src, size_t count) {
  using TWords = uint32_t __attribute__((vector_size(16)));
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    TWords c;
    std::memcpy(&c, src + i, sizeof c);
    const TWords out = (c & 0xFF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
    std::memcpy(dst + i, &out, sizeof out);
  }
  for (; i < count; ++i) dst[i] = NativeOf(src[i]);
}

// Decodes UTF-8 text from SDL's text events; malformed bytes are skipped rather than guessed at.
std::vector<uint32_t> DecodeUtf8(const char* text) {
  std::vector<uint32_t> out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    uint32_t c = *p;
    int extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
    if (extra < 0) {
      ++p;
      continue;
    }
    if (extra > 0) c &= 0x3Fu >> extra;
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (*p & 0x3F);
    }
    if (ok) out.push_back(c);
  }
  return out;
}

}  // namespace

TResult<std::unique_ptr<TSdl2Backend>> TSdl2Backend::Create() {
  // Without a GPU, SDL's OpenGL-backed frame buffer costs several times the CPU of the plain
  // shared-memory one.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The framework decides which presses hold the pointer (left button on a control only).
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  // Ctrl+C and the session's SIGTERM must end a player as they end any other program.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A click that activates a window (the message box as it appears, the player's window) counts
  // as a click, as on the classic desktop; SDL would drop one that comes within 10 ms of the focus.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // A music player has no business keeping the screen awake.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Two presses count as a double-click only inside the classic 4 x 4 pixel square, so quick
  // clicks on neighbouring list rows stay two single clicks.
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "2");
  // The window's outline and the pointer's screen position need X11. Without an X server SDL would
  // otherwise settle for its invisible off-screen driver, and the player would seem to start with
  // no window at all.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
  // An X error or a lost connection must not end the program from inside Xlib. Installed before
  // SDL starts as well, so that the handler SDL puts back when it closes its connection (and
  // reads the last errors) is this one too.
  X11InstallErrorHandlers();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    // An X server that many clients connect to at once refuses a few of them for a moment; one
    // more try a little later tells that apart from a display that is not there.
    if (std::getenv("DISPLAY")) {
      SDL_Delay(100);
      SDL_InitSubSystem(SDL_INIT_VIDEO);
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
      const std::string reason = SDL_GetError();
      return Fail(reason.empty() ? "no video device" : reason);
    }
  }
  std::unique_ptr<TSdl2Backend> backend(new TSdl2Backend());
  SetFontEngine(&Sdl2FontEngine());
  const char* driver = SDL_GetCurrentVideoDriver();
  backend->FIsX11 = driver && std::strcmp(driver, "x11") == 0;
  if (backend->FIsX11) X11InstallErrorHandlers();
  // Raw X events carry the pointer positions SDL's own events sometimes lose (see FRawMove).
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  // Files and folders dropped on the window (XDND); on by default in SDL, but the player relies on them.
  for (const uint32_t type : {SDL_DROPBEGIN, SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPCOMPLETE})
    SDL_EventState(type, SDL_ENABLE);
  backend->FWakeEventType = SDL_RegisterEvents(1);
  if (backend->FWakeEventType == static_cast<uint32_t>(-1))
    return Fail("SDL has no user event left for waking the message loop");
  backend->FWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  backend->FCursors[0] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  backend->FCursors[1] = backend->FCursors[0];
  backend->FCursors[2] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZEWE);
  backend->FCursors[3] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZENS);
  return backend;
}

TResult<std::unique_ptr<TBackend>> CreateSdl2Backend() { return TSdl2Backend::Create(); }

TSdl2Backend::~TSdl2Backend() {
  X11EndReached();
  DestroyWindow();
  if (FWakeFd >= 0) close(FWakeFd);
  // NOTE: after the connection is lost SDL must not be asked to take its windows and cursors
  // down: it would wait for the server to confirm, for ever. They go with the process.
  if (ConnectionLost()) return;
  SDL_FreeCursor(FCursors[0]);
  SDL_FreeCursor(FCursors[2]);
  SDL_FreeCursor(FCursors[3]);
  // Only video: the sound library may still be using SDL's audio in the same process.
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

uint32_t TSdl2Backend::Capabilities() const {
  uint32_t caps = bcGlobalPointer | bcPointerCapture | bcCursors | bcMoveWindow | bcMessageBox;
  if (FIsX11) caps |= bcWindowShape;
  return caps;
}

// --- The window ------------------------------------------------------------------------------

TResult<void> TSdl2Backend::CreateWindow(const TWindowDesc& desc) {
  assert(!FWindow && "the SDL2 backend holds one window at a time");
  int w = std::max(1, desc.ClientWidth);
  int h = std::max(1, desc.ClientHeight);
  int x = desc.Centered ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : desc.Position.X;
  int y = desc.Centered ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : desc.Position.Y;
  FWindow = SDL_CreateWindow(desc.Title.c_str(), x, y, w, h, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
  if (!FWindow) return Fail(SDL_GetError());
  // NOTE: the surface must exist before any outline is applied: asking for it may make SDL create
  // a new X window, which would silently drop a shape put on the old one.
  if (!SDL_GetWindowSurface(FWindow)) {
    TError reason = Fail(SDL_GetError());
    SDL_DestroyWindow(FWindow);
    FWindow = nullptr;
    return reason;
  }
  FWindowId = SDL_GetWindowID(FWindow);
  FButtons = 0;
  // SDL's window surface stays as the way to the screen only where the X visual is unusual.
  if (FIsX11) FPainter = TX11Painter::Create(FWindow, w, h);
  RefreshXWindow();
  // From the first window on, losing the connection ends the program in order (see MustReturn).
  if (FXDisplay && FXDisplay != FWatchedDisplay) {
    X11WatchConnection(FXDisplay);
    FWatchedDisplay = FXDisplay;
  }
  {
    std::lock_guard lock(FSurfaceLock);
    FClient = {0, 0, w, h};
    if (FPainter) {
      FPixels.clear();
      FSurface = FPainter->Pixels();
      FStride = FPainter->Stride();
    } else {
      FPixels.assign(static_cast<size_t>(w) * h, 0);
      FSurface = FPixels.data();
      FStride = w;
    }
    FPendingCopies.clear();
    FNativeOrder = FPainter != nullptr;
    FHasWindow = true;
  }
  FShapedWindow = 0;
  if (FRegion) ApplyShape(true);
  if (!FIcon.empty()) ApplyIcon();
  SDL_SetCursor(FCursors[static_cast<int>(FCursor)]);
  return {};
}

void TSdl2Backend::DestroyWindow() {
  if (!FWindow) return;
  FUnsent.clear();
  {
    std::lock_guard lock(FSurfaceLock);
    FHasWindow = false;
    FSurface = nullptr;
    FPixels.clear();
    FPendingCopies.clear();
  }
  FPainter.reset();
  if (!ConnectionLost()) {
    SDL_CaptureMouse(SDL_FALSE);
    SDL_DestroyWindow(FWindow);
  }
  FXWindow = 0;
  FXDisplay = nullptr;
  FWindow = nullptr;
  FWindowId = 0;
  FShapedWindow = 0;
  FRegion.reset();
}

void TSdl2Backend::ShowWindow(bool visible) {
  // NOTE: SDL waits for the server to map the window; on a connection already lost that wait never
  // ends. The loop's next wait reports the loss instead.
  if (!FWindow || ConnectionLost()) return;
  if (visible) {
    // NOTE: SDL waits until the server has mapped the window, which on a connection already gone
    // never happens: the connection is checked first, and a loss is left to the loop's next wait.
    if (FIsX11 && !X11CheckConnection(FWatchedDisplay)) return;
    SDL_ShowWindow(FWindow);
    RefreshXWindow();
    ApplyShape(false);
    ShowAll();
  } else {
    SDL_HideWindow(FWindow);
  }
}

void TSdl2Backend::SetWindowTitle(const std::string& title) {
  if (FWindow) SDL_SetWindowTitle(FWindow, title.c_str());
}

void TSdl2Backend::SetWindowIcon(const std::vector<TIconPicture>& pictures) {
  FIcon = pictures;
  if (FWindow) ApplyIcon();
}

void TSdl2Backend::ApplyIcon() {
  // SDL takes one picture, and gives it again to a window it recreates: the largest, which scales
  // down best. On X11 the property then gets every size, so a window manager can take a drawn small
  // one instead of a shrunk large one.
  const TIconPicture* largest = nullptr;
  for (const TIconPicture& picture : FIcon) {
    const bool whole = picture.Width > 0 && picture.Height > 0 &&
                       picture.Pixels.size() == static_cast<size_t>(picture.Width) * picture.Height;
    if (whole && (!largest || picture.Width * picture.Height > largest->Width * largest->Height)) largest = &picture;
  }
  // NOTE: Xlib carries on after a lost connection, but a request as large as the icon then never
  // returns; the program is on its way out and needs no icon.
  if (!largest || ConnectionLost()) return;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(largest->Pixels.data()), largest->Width, largest->Height,
                                         32, largest->Width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  SDL_SetWindowIcon(FWindow, surface);
  SDL_FreeSurface(surface);
  if (FIsX11) SetX11WindowIcon(FWindow, FIcon);
}

TPoint TSdl2Backend::WindowPos() const {
  TPoint p;
  if (FWindow) SDL_GetWindowPosition(FWindow, &p.X, &p.Y);
  return p;
}

void TSdl2Backend::SetWindowPos(TPoint screenPos) {
  // SDL waits briefly until the server has moved the window, so WindowPos() and the pointer's
  // screen position agree at once, which dragging relies on.
  if (FWindow) SDL_SetWindowPosition(FWindow, screenPos.X, screenPos.Y);
  FLookDeep = true;
}

TPoint TSdl2Backend::ScreenSize() const {
  int display = FWindow ? SDL_GetWindowDisplayIndex(FWindow) : 0;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return {0, 0};
  return {bounds.w, bounds.h};
}

unsigned long TSdl2Backend::NativeWindow() const { return FXWindow; }

void TSdl2Backend::RefreshXWindow() {
  FLookDeep = true;
  FXWindow = FIsX11 ? X11WindowOf(FWindow, &FXDisplay) : 0;
  if (FXWindow == 0) FXDisplay = nullptr;
  if (FPainter && FXWindow != 0) FPainter->Retarget(FXWindow);
}

TSdl2Backend::TPixelRoute TSdl2Backend::PixelRoute() const {
  if (!FWindow) return TPixelRoute::NoWindow;
  if (!FPainter) return TPixelRoute::SdlSurface;
  return FPainter->Shared() ? TPixelRoute::SharedMemory : TPixelRoute::Requests;
}

void TSdl2Backend::WaitUntilShown() {
  if (!FPainter) return;
  SendUnsent();
  FPainter->Sync();
}

void TSdl2Backend::SendIfDue() {
  // A wake-up a little early for its frame still sends it: waiting for the next 10 ms turn would
  // make that frame 30 ms long.
  if (!FUnsent.empty() && (FSendNow || TClock::now() - FLastSent >= kFramePeriod - kFrameSlack)) SendUnsent();
}

void TSdl2Backend::SendUnsent() {
  FLastSent = TClock::now();
  FSendNow = false;
  if (!FPainter || FUnsent.empty()) return;
  MergeParts(FUnsent);
  {
    // Plain puts copy the pixels into the request here, so another thread must not write them
    // meanwhile; a shared buffer is read by the server later anyway.
    std::unique_lock lock(FSurfaceLock, std::defer_lock);
    if (!FPainter->Shared()) lock.lock();
    for (const TRect& r : FUnsent) FPainter->Put(r);
  }
  FUnsent.clear();
  FPainter->Flush();
}

// --- Pixels ----------------------------------------------------------------------------------

void TSdl2Backend::Present(const TBitmap& frame, const std::vector<TRect>& dirty) {
  if (!FWindow || frame.PixelFormat() != pf32bit) return;
  const TRect limit = FClient.Intersect(frame.ClientRect());
  std::vector<TRect>& parts = FShowParts;
  parts.clear();
  if (dirty.empty()) {
    parts.push_back(limit);
  } else {
    for (const TRect& r : dirty) parts.push_back(r.Intersect(limit));
  }
  std::unique_lock lock(FSurfaceLock);
  if (!FHasWindow) return;
  for (const TRect& r : parts) {
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint32_t* dst = FSurface + static_cast<size_t>(y) * FStride + r.Left;
      const uint32_t* src = frame.ScanLine(y) + r.Left;
      if (FNativeOrder)
        CopyAsNative(dst, src, static_cast<size_t>(r.Width()));
      else
        std::memcpy(dst, src, static_cast<size_t>(r.Width()) * 4);
    }
  }
  // What another thread copied meanwhile goes out with this frame.
  parts.insert(parts.end(), FPendingCopies.begin(), FPendingCopies.end());
  FPendingCopies.clear();
  lock.unlock();
  ShowRects(parts);
}

void TSdl2Backend::CopyToWindow(int x, int y, const TBitmap& bitmap) {
  bool first = false;
  {
    std::lock_guard lock(FSurfaceLock);
    if (!FHasWindow) return;
    const TRect target = Bounds(x, y, bitmap.Width(), bitmap.Height()).Intersect(FClient);
    if (target.IsEmpty()) return;
    for (int row = target.Top; row < target.Bottom; ++row) {
      uint32_t* dst = FSurface + static_cast<size_t>(row) * FStride + target.Left;
      const int srcY = row - y;
      if (bitmap.PixelFormat() == pf32bit) {
        const uint32_t* src = bitmap.ScanLine(srcY) + (target.Left - x);
        if (FNativeOrder)
          CopyAsNative(dst, src, static_cast<size_t>(target.Width()));
        else
          std::memcpy(dst, src, static_cast<size_t>(target.Width()) * 4);
      } else {
        // Indexed rows are stored bottom-up.
        const uint8_t* src = bitmap.Bits() + static_cast<size_t>(bitmap.Height() - 1 - srcY) * bitmap.Stride();
        const TColor* palette = bitmap.Palette().data();
        for (int col = target.Left; col < target.Right; ++col) {
          const TColor c = palette[src[col - x]];
          dst[col - target.Left] = FNativeOrder ? NativeOf(c) : c;
        }
      }
    }
    // Within kCopyLatency of the end of the loop's wait (or while the loop is busy between two
    // waits) the copy is shown by the loop's own wake-up.
    const int64_t deadline = FWaitDeadline.load(std::memory_order_relaxed);
    first = FPendingCopies.empty() &&
            (deadline == kNoDeadline || TTimePoint(TClock::duration(deadline)) - TClock::now() > kCopyLatency);
    if (FPendingCopies.size() >= kMaxPendingParts) {
      TRect all = target;
      for (const TRect& r : FPendingCopies) all = all.Union(r);
      FPendingCopies.assign(1, all);
    } else {
      FPendingCopies.push_back(target);
    }
  }
  // One wake per batch is enough: the UI thread takes every waiting part at once.
  if (first) Wake();
}

void TSdl2Backend::PresentPendingCopies() {
  std::vector<TRect>& parts = FShowParts;
  parts.clear();
  {
    // Swapped, not moved: both lists keep their capacity, so no copy allocates.
    std::lock_guard lock(FSurfaceLock);
    parts.swap(FPendingCopies);
  }
  if (!parts.empty()) ShowRects(parts);
}

void TSdl2Backend::ShowAll() {
  if (!FWindow) return;
  if (!FPainter) {
    SDL_UpdateWindowSurface(FWindow);
    return;
  }
  std::vector<TRect>& parts = FShowParts;
  parts.assign(1, FClient);
  ShowRects(parts);
  // The window was just shown or uncovered: it goes out now.
  FSendNow = true;
}

void TSdl2Backend::ShowRects(std::vector<TRect>& rects) {
  if (FPainter) {
    ApplyShape(false);
    // Sent by a wait, at the next frame time (SendUnsent).
    for (const TRect& raw : rects) {
      const TRect r = raw.Intersect(FClient);
      if (r.IsEmpty()) continue;
      // A part shown again before it went out (the caption, every turn) is sent once.
      if (std::find(FUnsent.begin(), FUnsent.end(), r) == FUnsent.end()) FUnsent.push_back(r);
    }
    if (FUnsent.size() > kMaxPendingParts) {
      TRect all = FUnsent.front();
      for (const TRect& r : FUnsent) all = all.Union(r);
      FUnsent.assign(1, all);
    }
    return;
  }
  SDL_Surface* surface = FWindow ? SDL_GetWindowSurface(FWindow) : nullptr;
  if (!surface) return;
  ApplyShape(false);
  std::vector<SDL_Rect>& sdlRects = FSdlRects;
  sdlRects.clear();
  {
    std::lock_guard lock(FSurfaceLock);
    if (!FHasWindow) return;
    const int stride = FStride;
    const bool mustLock = SDL_MUSTLOCK(surface);
    if (mustLock && SDL_LockSurface(surface) != 0) return;
    const int bpp = surface->format->BytesPerPixel;
    for (const TRect& raw : rects) {
      const TRect r = raw.Intersect(FClient).Intersect({0, 0, surface->w, surface->h});
      if (r.IsEmpty()) continue;
      const uint32_t* src = FSurface + static_cast<size_t>(r.Top) * stride + r.Left;
      auto* dst = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(r.Top) * surface->pitch + r.Left * bpp;
      SDL_ConvertPixels(r.Width(), r.Height(), SDL_PIXELFORMAT_XBGR8888, src, stride * 4, surface->format->format, dst,
                        surface->pitch);
      sdlRects.push_back({r.Left, r.Top, r.Width(), r.Height()});
    }
    if (mustLock) SDL_UnlockSurface(surface);
  }
  if (!sdlRects.empty()) SDL_UpdateWindowSurfaceRects(FWindow, sdlRects.data(), static_cast<int>(sdlRects.size()));
}

// --- Window region ---------------------------------------------------------------------------

void TSdl2Backend::SetWindowRegion(const std::optional<std::vector<TRect>>& rects) {
  FRegion = rects;
  ApplyShape(true);
}

void TSdl2Backend::ApplyShape(bool force) {
  if (!FWindow || !FIsX11) return;
  const unsigned long current = FXWindow;
  if (current == 0) return;
  if (!force && current == FShapedWindow) return;
  // Only a window that was shaped needs its outline removed.
  if (!FRegion && FShapedWindow == 0) return;
  ApplyX11Shape(FWindow, FRegion);
  FShapedWindow = FRegion ? current : 0;
  FLookDeep = true;
}

// --- Pointer ---------------------------------------------------------------------------------

void TSdl2Backend::SetCursor(TCursor cursor) {
  if (cursor == FCursor) return;
  FCursor = cursor;
  SDL_SetCursor(FCursors[static_cast<int>(cursor)]);
}

void TSdl2Backend::CapturePointer(bool capture) {
  // SDL refuses when the pointer is over no window of ours; the press that asks for capture
  // always comes from inside, so a refusal only costs the moves outside.
  SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

TPoint TSdl2Backend::PointerScreenPos() const {
  // NOTE: SDL's global mouse state is a cache refreshed by raw input events, which arrive only
  // when SDL next reads its queue (and not at all for synthetic input); a drag step would then
  // see the pointer where it was one step ago. The server knows where the pointer is now.
  TPoint p;
  if (!X11PointerPos(FWindow, p.X, p.Y)) SDL_GetGlobalMouseState(&p.X, &p.Y);
  FLookDeep = true;
  return p;
}

// --- Time and events -------------------------------------------------------------------------

void TSdl2Backend::Wake() {
  if (FWakePending.exchange(true)) return;
  SDL_Event event{};
  event.type = FWakeEventType;
  SDL_PushEvent(&event);
  // After the event: a wait that ends on the signal finds the event queued.
  if (FWakeFd >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(FWakeFd, &one, sizeof one);
  }
}

bool TSdl2Backend::ConnectionLost() const { return X11ConnectionLost(FWatchedDisplay); }

void TSdl2Backend::WakeToEnd() noexcept {
  FEndRequested.store(true);
  // write() is async-signal-safe; the wait below ends on it, a message box within its next look.
  if (FWakeFd >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(FWakeFd, &one, sizeof one);
  }
}

bool TSdl2Backend::MustReturn() const { return FEndRequested.load() || ConnectionLost(); }

void TSdl2Backend::WaitEvents(std::optional<TTimePoint> deadline,
                              const std::function<void(const TBackendEvent&)>& sink) {
  if (!FHeldEvents.empty()) {
    // What came for the window while a message box was up is what happened last: deliver it now.
    std::vector<SDL_Event> held;
    held.swap(FHeldEvents);
    for (const SDL_Event& event : held) Dispatch(event, sink);
    return;
  }
  // Nothing can come from a connection that is gone, and the program ends anyway.
  if (MustReturn()) return;
  {
    // Under the lock, so that a copy either is taken by the PresentPendingCopies below or sees
    // this deadline.
    std::lock_guard lock(FSurfaceLock);
    FWaitDeadline.store(deadline ? deadline->time_since_epoch().count() : kNoDeadline, std::memory_order_relaxed);
  }
  PresentPendingCopies();
  SendIfDue();
  if (FXDisplay && FWakeFd >= 0)
    WaitOnConnection(deadline, sink);
  else
    WaitInSdl(deadline, sink);
  FlushRawMove(sink);
  // At a timer's deadline the loop fires its timers and paints next, and Present takes the copies
  // along in the same request to the X server; if nothing is painted, the next wait starts by
  // showing them. Otherwise (a wake from another thread, input) they are shown now.
  if (!deadline || TClock::now() < *deadline) PresentPendingCopies();
}

void TSdl2Backend::WaitInSdl(std::optional<TTimePoint> deadline,
                             const std::function<void(const TBackendEvent&)>& sink) {
  SDL_Event event;
  // SDL's waits read the X connection and look at the queue before they block, so no poll of our
  // own goes first: every look costs several reads from the connection, and this runs at each of
  // the loop's 100 wake-ups a second.
  bool got = false;
  // In slices of at most kPumpInterval, so that a request to end is seen within one.
  for (;;) {
    auto left = kPumpInterval + TClock::duration::zero();
    if (deadline) left = std::min(left, *deadline - TClock::now());
    if (left <= TClock::duration::zero()) {
      got = SDL_PollEvent(&event) != 0;
      break;
    }
    // Rounded up: waking a fraction of a millisecond early would only make the loop spin.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    got = SDL_WaitEventTimeout(&event, static_cast<int>(std::min<int64_t>(ms, INT_MAX))) != 0;
    if (got || MustReturn() || (deadline && TClock::now() >= *deadline)) break;
  }
  while (got) {
    Dispatch(event, sink);
    got = SDL_PollEvent(&event) != 0;
  }
}

void TSdl2Backend::WaitOnConnection(std::optional<TTimePoint> deadline,
                                    const std::function<void(const TBackendEvent&)>& sink) {
  // A turn that only fires timers costs one look at the connection and one sleep. SDL's own wait
  // reads the connection a dozen times around the sleep and again for every event it hands out,
  // and at 100 turns a second that was a good part of what the idle player cost.
  SDL_Event event;
  // Xlib reads the connection whenever it looks at its queue in depth. Only a round trip to the
  // server (made while handling input, or by the backend itself) can leave events read from the
  // socket but not yet in the queue, so the look in depth is made only after one, once per call;
  // otherwise the socket alone can bring anything new, and the poll below sees it.
  bool looked = !FLookDeep;
  FLookDeep = false;
  for (;;) {
    bool pump = TClock::now() - FLastPump >= kPumpInterval;
    bool woken = false;
    if (!pump && SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 0) {
      const bool queued = X11QueuedEvents(FXDisplay) > 0 || (!looked && X11PendingEvents(FXDisplay) > 0);
      looked = true;
      if (queued) {
        pump = true;
      } else {
        // Capped, so that SDL reads the connection every kPumpInterval whatever the deadline, and
        // so that parts waiting for their frame go out at its time.
        auto left = kPumpInterval + TClock::duration::zero();
        if (deadline) left = std::min(left, *deadline - TClock::now());
        if (!FUnsent.empty()) left = std::min(left, FLastSent + kFramePeriod - TClock::now());
        // Rounded up: waking a fraction of a millisecond early would only make the loop spin.
        const auto ms = std::max<int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count());
        pollfd fds[2] = {{X11ConnectionFd(FXDisplay), POLLIN, 0}, {FWakeFd, POLLIN, 0}};
        if (ms > 0 && poll(fds, 2, static_cast<int>(ms)) > 0) {
          // A broken connection reads as ready too; SDL then reports it.
          if (fds[0].revents != 0) pump = true;
          if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = read(FWakeFd, &count, sizeof count);
            woken = true;
          }
        }
      }
    }
    if (MustReturn()) return;
    SendIfDue();
    if (pump || TClock::now() - FLastPump >= kPumpInterval) {
      SDL_PumpEvents();
      FLastPump = TClock::now();
    }
    bool delivered = false;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
      Dispatch(event, sink);
      delivered = true;
    }
    if (delivered) {
      // Handlers of input may ask the server things, and what they change goes out at once.
      FLookDeep = true;
      FSendNow = true;
    }
    if (delivered || woken || (deadline && TClock::now() >= *deadline)) return;
  }
}

TShiftState TSdl2Backend::CurrentShift() const {
  return ShiftFromMods(static_cast<uint16_t>(SDL_GetModState())) | TShiftState::FromBits(FButtons);
}

void TSdl2Backend::FlushRawMove(const std::function<void(const TBackendEvent&)>& sink) {
  if (!FRawMovePending) return;
  FRawMovePending = false;
  TBackendEvent out;
  out.Kind = TBackendEventKind::PointerMove;
  out.X = FRawMove.X;
  out.Y = FRawMove.Y;
  out.Shift = CurrentShift();
  sink(out);
}

bool TSdl2Backend::DispatchDrop(const SDL_Event& event, const std::function<void(const TBackendEvent&)>& sink) {
  switch (event.type) {
    case SDL_DROPBEGIN:
      // Whatever a drop cut short by a message box left behind is no part of this one.
      FDrop = TBackendEvent();
      FDrop.Kind = TBackendEventKind::Drop;
      FDrop.Others = std::exchange(FDropElsewhere, {});
      return true;
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
      if (event.drop.file && event.drop.windowID == FWindowId && FWindow)
        (event.type == SDL_DROPFILE ? FDrop.Files : FDrop.Others).emplace_back(event.drop.file);
      SDL_free(event.drop.file);
      return true;
    case SDL_DROPCOMPLETE:
      if (event.drop.windowID == FWindowId && FWindow && FDrop.Kind == TBackendEventKind::Drop) {
        const TBackendEvent drop = std::move(FDrop);
        FDrop = TBackendEvent();
        sink(drop);
      }
      FDropElsewhere.clear();
      return true;
    default: return false;
  }
}

void TSdl2Backend::Dispatch(const SDL_Event& event, const std::function<void(const TBackendEvent&)>& sink) {
  // SDL turns a raw motion into its own motion event right after passing the raw one on; any
  // other event in between means SDL dropped it. (A wake from another thread may slip in.)
  if (event.type == SDL_MOUSEMOTION) {
    FRawMovePending = false;
  } else if (event.type != FWakeEventType) {
    FlushRawMove(sink);
  }
  TBackendEvent out;
  switch (event.type) {
    case SDL_SYSWMEVENT: {
      // Another client destroyed the window: the program cannot go on without it, so this is
      // the user's way of closing it.
      if (X11WindowDestroyed(event.syswm.msg, FXWindow)) {
        out.Kind = TBackendEventKind::Close;
        sink(out);
        return;
      }
      // A drop's address list arrives here just before SDL reports the drop's local files.
      for (std::string& other : X11DroppedElsewhere(event.syswm.msg, FXWindow)) {
        FDropElsewhere.push_back(std::move(other));
        FLookDeep = true;
      }
      const TX11PointerEvent raw = X11PointerEventOf(event.syswm.msg, FXWindow);
      if (raw.Kind == TX11PointerEvent::Motion) {
        FRawMovePending = true;
        FRawMove = {raw.X, raw.Y};
      } else if (raw.Kind == TX11PointerEvent::Button) {
        FRawButtonValid = true;
        FRawButton = {raw.X, raw.Y};
      }
      return;
    }
    case SDL_WINDOWEVENT:
      if (event.window.windowID != FWindowId || !FWindow) return;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: out.Kind = TBackendEventKind::Close; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: out.Kind = TBackendEventKind::FocusIn; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: out.Kind = TBackendEventKind::FocusOut; break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
          // The window surface still holds every pixel, so the backend redraws on its own.
          RefreshXWindow();
          ApplyShape(false);
          ShowAll();
          return;
        default: return;
      }
      sink(out);
      return;
    case SDL_MOUSEMOTION:
      out.Kind = TBackendEventKind::PointerMove;
      out.X = event.motion.x;
      out.Y = event.motion.y;
      out.Shift = CurrentShift();
      sink(out);
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT &&
          event.button.button != SDL_BUTTON_MIDDLE)
        return;
      out.Button = ButtonFromSdl(event.button.button);
      out.X = FRawButtonValid ? FRawButton.X : event.button.x;
      out.Y = FRawButtonValid ? FRawButton.Y : event.button.y;
      FRawButtonValid = false;
      const uint8_t bit = static_cast<uint8_t>(1u << ShiftItemOf(out.Button));
      if (event.type == SDL_MOUSEBUTTONDOWN) {
        FButtons |= bit;
        // Every second press of a quick series is a double-click, as on the classic desktop: a
        // third press starts over with a plain press.
        const bool dbl = event.button.clicks >= 2 && event.button.clicks % 2 == 0;
        out.Kind = dbl ? TBackendEventKind::PointerDblClick : TBackendEventKind::PointerDown;
        out.Shift = CurrentShift();
        if (dbl) out.Shift |= ssDouble;
      } else {
        FButtons &= static_cast<uint8_t>(~bit);
        out.Kind = TBackendEventKind::PointerUp;
        out.Shift = CurrentShift();
      }
      sink(out);
      return;
    }
    case SDL_MOUSEWHEEL: {
      int y = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
      if (y == 0) return;
      out.Kind = TBackendEventKind::Wheel;
      out.WheelDelta = y * 120;
      SDL_GetMouseState(&out.X, &out.Y);
      if (FRawButtonValid) out.X = FRawButton.X, out.Y = FRawButton.Y;
      FRawButtonValid = false;
      out.Shift = CurrentShift();
      sink(out);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const uint16_t key = VirtualKeyFromSdl(event.key.keysym.sym);
      out.Shift = ShiftFromMods(event.key.keysym.mod) | TShiftState::FromBits(FButtons);
      if (key != 0) {
        out.Kind = event.type == SDL_KEYDOWN ? TBackendEventKind::KeyDown : TBackendEventKind::KeyUp;
        out.Key = key;
        sink(out);
      }
      // Keys that type a control character get no text event from SDL, so the character follows
      // its key-down here. Space and printable keys arrive as text.
      if (event.type == SDL_KEYDOWN) {
        if (const uint32_t c = ControlCharFromSdl(event.key.keysym.sym); c != 0) {
          out.Kind = TBackendEventKind::Char;
          out.Key = 0;
          out.Char = c;
          sink(out);
        }
      }
      return;
    }
    case SDL_TEXTINPUT:
      out.Kind = TBackendEventKind::Char;
      out.Shift = CurrentShift();
      for (uint32_t c : DecodeUtf8(event.text.text)) {
        out.Char = c;
        sink(out);
      }
      return;
    default:
      if (DispatchDrop(event, sink)) return;
      if (event.type == FWakeEventType) FWakePending = false;
      return;
  }
}
