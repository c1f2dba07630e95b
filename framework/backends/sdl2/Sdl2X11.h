// SPDX-License-Identifier: MIT
// The X11 side of the SDL2 window: which X window SDL uses, and its outline through SHAPE.
//
// Kept apart from the SDL code because Xlib's headers define macros (FocusIn, None, Status, ...)
// that collide with the framework's own names.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"
#include "graphics/TRect.h"

struct SDL_Window;
struct SDL_SysWMmsg;
struct _XDisplay;

// A pointer event as the X server reported it, before SDL's own processing.
struct TX11PointerEvent {
  enum TKind { None, Motion, Button } Kind = None;
  int X = 0;  // window coordinates at the moment of the event
  int Y = 0;
};

// Reads a raw X event that SDL passed on (SDL_SYSWMEVENT): pointer motion and button presses or
// releases on `window`. Everything else gives Kind None.
TX11PointerEvent X11PointerEventOf(const SDL_SysWMmsg* message, unsigned long window);

// --- The connection ------------------------------------------------------------------------------
// Installs the program's X error handlers (once per process). A protocol error does not end the
// program: an error on a window or drawable that has gone (another client destroyed it) is
// expected and passed over, any other is reported on standard error, the first few only. A lost
// connection on a watched display sets X11ConnectionLost(), and Xlib then carries on, every later
// call on that connection doing nothing, so the program can end in order. On a display not yet
// watched Xlib ends the process itself, after a line on standard error saying why.
void X11InstallErrorHandlers();
// Makes a lost connection on `display` something the program survives (see above).
void X11WatchConnection(_XDisplay* display);
// True once the watched connection `display` was lost. Any thread may ask. Should the program not
// get as far as X11EndReached within a few seconds of a loss (a wait inside Xlib or SDL that never
// ends on a dead connection), a watchdog ends it with status 1, after the line saying why.
bool X11ConnectionLost(_XDisplay* display);
// Makes a round trip to the server, so that a loss nobody noticed yet is noticed now; true while
// the connection stands. For use before SDL calls that wait for the server (showing a window).
bool X11CheckConnection(_XDisplay* display);
// The program is taking its window system down in order: the watchdog stands down.
void X11EndReached();
// True when the raw event says that X window `window` was destroyed (by anyone).
bool X11WindowDestroyed(const SDL_SysWMmsg* message, unsigned long window);
// The entries of a dropped address list that name no file on this computer (another machine's
// file, a web address), as the drop's source wrote them. SDL passes only local files on and forgets
// the rest; they are read here from the raw event that brought the list to `window` (the
// SelectionNotify of a text/uri-list drop). Empty for any other event.
std::vector<std::string> X11DroppedElsewhere(const SDL_SysWMmsg* message, unsigned long window);
// Marks `window` as a dialog of the window `parent` (0: of none) for window managers.
void X11MakeDialog(SDL_Window* window, SDL_Window* parent);

// The X window SDL currently draws `window` into, or 0 when the video driver is not X11; with
// `display`, also SDL's connection to the X server (nullptr without X11). Asking makes SDL wait
// until the server has carried out everything sent so far.
unsigned long X11WindowOf(SDL_Window* window, _XDisplay** display = nullptr);
// The connection's socket, to wait on.
int X11ConnectionFd(_XDisplay* display);
// Sends what Xlib still holds, then counts the events already read from the server and, if there
// are none, reads what the server has sent meanwhile without waiting.
int X11PendingEvents(_XDisplay* display);
// The events in Xlib's queue, without reading or sending anything.
int X11QueuedEvents(_XDisplay* display);

// The pointer's position on the screen of `window`, asked of the X server now. False when the
// video driver is not X11.
bool X11PointerPos(SDL_Window* window, int& x, int& y);

// Puts `rects` (window coordinates; std::nullopt removes the outline) on the X window of `window`
// with the SHAPE extension. Returns the X window it shaped, or 0 if there was none.
unsigned long ApplyX11Shape(SDL_Window* window, const std::optional<std::vector<TRect>>& rects);

// Sets the icon property (_NET_WM_ICON) of the X window of `window` to every picture given, each
// as its width, its height and its pixels. Pictures whose pixel count does not match their size are
// left out.
void SetX11WindowIcon(SDL_Window* window, const std::vector<TIconPicture>& pictures);

// The window's pixels and the way they reach the X server, on SDL's own X connection. The
// pixels are 32-bit words 0x00RRGGBB in a buffer of the window's size which, where the server
// offers MIT-SHM, the server shares: showing a part is then a small request naming it, and no
// pixels travel through the socket. No request waits for the server's answer. A part changed
// again before the server has read it shows the newer pixels, which the next request for that
// part would have shown anyway, so whatever the timing, the window ends up as the buffer is.
//
// Only for windows on a 24-bit TrueColor visual (or a DirectColor one with straight ramps, which
// SDL sets up) whose pixels are stored as 32-bit words, the visual of nearly every X server;
// elsewhere Create gives nullptr.
class TX11Painter {
public:
  static std::unique_ptr<TX11Painter> Create(SDL_Window* window, int width, int height);
  // Waits until the server no longer reads the buffer, then lets it go.
  ~TX11Painter();
  TX11Painter(const TX11Painter&) = delete;
  TX11Painter& operator=(const TX11Painter&) = delete;

  // The window's pixels, row after row, Stride() words apart.
  uint32_t* Pixels() const { return FPixels; }
  int Stride() const { return FStride; }
  // True when the server shares the buffer.
  bool Shared() const;

  // The X window this painter draws on.
  unsigned long XWindow() const { return FWindow; }
  // Draws on `window` from now on, a window of the same screen and depth that SDL put in place
  // of the first.
  void Retarget(unsigned long window) { FWindow = window; }
  // Queues the part `r` (window coordinates, inside the buffer) to be shown at the same place.
  void Put(const TRect& r);
  // Sends what Put queued.
  void Flush();
  // Returns once the server has carried out everything sent so far.
  void Sync();

private:
  TX11Painter() = default;
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
  unsigned long FWindow = 0;
  uint32_t* FPixels = nullptr;
  int FStride = 0;
};
