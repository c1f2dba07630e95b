// SPDX-License-Identifier: MIT
// The real window: an SDL2 window on X11, drawn in software, shaped with the X11 SHAPE extension.
// This file makes and ends the backend and its window and keeps the window's details (title, icon,
// place, shape, pointer); Sdl2Present.cpp puts pixels up, Sdl2Events.cpp waits and turns SDL's
// events into the framework's.
#include "Sdl2Backend.h"

#include <SDL2/SDL.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cassert>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "Sdl2FontEngine.h"
#include "Sdl2Keys.h"
#include "Sdl2X11.h"
#include "WindowScale.h"
#include "graphics/TBitmap.h"

namespace {

// SDL looks for the session bus when its video starts. Where the user has none (no address in the
// environment and no socket in the runtime folder), D-Bus would try to start one for the display by
// running dbus-launch: about 10 ms of every start spent on a fork, and a bus left running after the
// player if it succeeds. The address is then set to one that names no bus, so that the search ends
// at once; the player's own remote controls look in the same two places and find nothing either.
void KeepDBusFromStartingABus() {
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS")) return;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime && access((std::string(runtime) + "/bus").c_str(), F_OK) == 0) return;
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
}

// The window takes key presses and plain characters, never composed text. Yet the X input method
// SDL opens with its video parses the locale's whole compose table at every start: for the UTF-8
// locales some 500 KB of text into about 800 KiB of memory, and several milliseconds. While SDL
// starts, the input method is pointed at an empty table instead; the user's own setting is put
// back as soon as SDL has started, before any other thread runs.
class TEmptyComposeTable {
public:
  TEmptyComposeTable() {
    if (const char* own = std::getenv(kVariable)) FOwn = own;
    setenv(kVariable, "/dev/null", 1);
  }
  ~TEmptyComposeTable() {
    if (FOwn)
      setenv(kVariable, FOwn->c_str(), 1);
    else
      unsetenv(kVariable);
  }
  TEmptyComposeTable(const TEmptyComposeTable&) = delete;
  TEmptyComposeTable& operator=(const TEmptyComposeTable&) = delete;

private:
  static constexpr const char* kVariable = "XCOMPOSEFILE";
  std::optional<std::string> FOwn;
};

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
  // A write to a server that has gone (the X server above all: Xlib writes to its socket without
  // asking the kernel to keep the signal back) must fail with an error and end the program in order
  // through the handlers above, not kill it with SIGPIPE on the spot.
  std::signal(SIGPIPE, SIG_IGN);
  KeepDBusFromStartingABus();
  if (const TEmptyComposeTable startingVideo; SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
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
  const TWindowScale scale = WindowScaleFromDesktop();
  if (!scale.Complaint.empty())
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, scale.Complaint.c_str());
  backend->FScale = scale.Scale;
  backend->FScaleExplicit = scale.Explicit;
  // The classic double-click square is measured in the window's own pixels.
  if (scale.Scale > 1) SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, std::to_string(2 * scale.Scale).c_str());
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
  if (FScale > 1 && !FScaleExplicit) {
    SDL_Rect bounds{};
    const int asked = FScale;
    if (SDL_GetDisplayBounds(0, &bounds) == 0) FScale = FitToScreen(FScale, w, h, bounds.w, bounds.h);
    if (FScale != asked) SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, std::to_string(2 * FScale).c_str());
  }
  // Text on the window is drawn at the window's scale.
  TBitmap::SetDetailScale(FScale);
  int x = desc.Centered ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : desc.Position.X * FScale;
  int y = desc.Centered ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : desc.Position.Y * FScale;
  FWindow =
      SDL_CreateWindow(desc.Title.c_str(), x, y, w * FScale, h * FScale, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
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
  if (FIsX11) FPainter = TX11Painter::Create(FWindow, w * FScale, h * FScale);
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
      FPixels.assign(static_cast<size_t>(w) * h * FScale * FScale, 0);
      FSurface = FPixels.data();
      FStride = w * FScale;
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

void TSdl2Backend::RaiseWindow() {
  if (FWindow) SDL_RaiseWindow(FWindow);
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

int TSdl2Backend::Down(int screen) const {
  if (FScale == 1) return screen;
  return screen >= 0 ? screen / FScale : -((-screen + FScale - 1) / FScale);
}

TPoint TSdl2Backend::WindowPos() const {
  TPoint p;
  if (FWindow) SDL_GetWindowPosition(FWindow, &p.X, &p.Y);
  return Down(p);
}

void TSdl2Backend::SetWindowPos(TPoint screenPos) {
  // SDL waits briefly until the server has moved the window, so WindowPos() and the pointer's
  // screen position agree at once, which dragging relies on.
  if (!FWindow) return;
  if (FScale == 1) {
    SDL_SetWindowPosition(FWindow, screenPos.X, screenPos.Y);
  } else {
    // The window keeps its place within a block, so that setting the place it reports leaves it
    // where it is, and a move by whole units moves it by whole blocks.
    TPoint now;
    SDL_GetWindowPosition(FWindow, &now.X, &now.Y);
    const TPoint block = Down(now);
    SDL_SetWindowPosition(FWindow, screenPos.X * FScale + (now.X - block.X * FScale),
                          screenPos.Y * FScale + (now.Y - block.Y * FScale));
  }
  FLookDeep = true;
}

TPoint TSdl2Backend::ScreenSize() const {
  int display = FWindow ? SDL_GetWindowDisplayIndex(FWindow) : 0;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return {0, 0};
  return Down(TPoint{bounds.w, bounds.h});
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
  if (FScale == 1 || !FRegion) {
    ApplyX11Shape(FWindow, FRegion);
  } else {
    std::vector<TRect> onScreen;
    onScreen.reserve(FRegion->size());
    for (const TRect& r : *FRegion) onScreen.push_back(Up(r));
    ApplyX11Shape(FWindow, onScreen);
  }
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
  if (FScale == 1 || !FWindow) return Down(p);
  // Counted from the window, so that this less WindowPos() is the pointer's place in the window,
  // to the pixel, as the window's own events give it.
  TPoint origin;
  SDL_GetWindowPosition(FWindow, &origin.X, &origin.Y);
  const TPoint block = Down(origin);
  return {block.X + Down(p.X - origin.X), block.Y + Down(p.Y - origin.Y)};
}
