// SPDX-License-Identifier: MIT
// The one interface a window backend implements: a window, its frame buffer, input and the wait.
//
// A backend owns at most one top-level window at a time (the program has one form). The framework
// draws each frame in software into a 32-bit bitmap of the window's client size and hands it over
// with Present(); the backend keeps its own copy of the window's pixels (its "window surface"), so
// it can redraw after an expose by itself and so that another thread may draw into the window
// through CopyToWindow() without the framework's painting running.
//
// Threads: every member is called on the UI thread (the one that runs the message loop), except
// Wake() and CopyToWindow(), which any thread may call at any time while the window exists.
//
// Backends: framework/backends/sdl2/ (a real window; the only framework code that includes SDL or
// Xlib) and framework/backends/headless/ (tests: in-memory surface, scripted input, manual clock).
#pragma once

#include "base/TResult.h"
#include "components/InputTypes.h"
#include "graphics/TRect.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TBitmap;

// The message loop's clock. The headless backend runs it by hand.
using TClock = std::chrono::steady_clock;
using TTimePoint = TClock::time_point;

// What a backend can do. Where a flag is missing, the backend still implements the matching calls,
// as harmless no-ops that return plausible values, and tests skip what needs the real service.
enum TBackendCapability : uint32_t {
  bcWindowShape = 1u << 0,     // SetWindowRegion changes which pixels belong to the window
  bcGlobalPointer = 1u << 1,   // PointerScreenPos reports the real pointer position anywhere on screen
  bcPointerCapture = 1u << 2,  // CapturePointer keeps pointer events coming outside the window
  bcCursors = 1u << 3,         // SetCursor changes the visible pointer shape
  bcMoveWindow = 1u << 4,      // SetWindowPos moves the window on the screen
  bcMessageBox = 1u << 5,      // ShowMessageBox shows a real modal box
};

// The kinds of events a backend delivers.
enum class TBackendEventKind : uint8_t {
  PointerMove,      // X, Y, Shift
  PointerDown,      // X, Y, Button, Shift (Shift already includes the pressed button)
  PointerUp,        // X, Y, Button, Shift (Shift no longer includes the released button)
  PointerDblClick,  // X, Y, Button, Shift (includes ssDouble); sent instead of the second PointerDown
  Wheel,            // X, Y, WheelDelta (positive = away from the user, one notch = 120), Shift
  KeyDown,          // Key (a vk:: code or upper-case letter/digit), Shift; repeats while held
  KeyUp,            // Key, Shift
  Char,             // Char: one typed character. Enter, Backspace, Tab and Escape also arrive as
                    // characters 13, 8, 9 and 27, after their KeyDown, as on the classic desktop.
  Close,            // the user or the window manager asks the window to close
  Expose,           // the window's pixels were lost; Area is what needs drawing again (client coordinates)
  FocusIn,          // the window became the active one (keyboard input goes to it)
  FocusOut,         // the window lost activation
  Drop,             // things were dropped on the window: Files, Others (one drop, delivered whole)
};

// One input or window event. X and Y are always client (window) coordinates, also outside the
// window while the pointer is captured.
struct TBackendEvent {
  TBackendEventKind Kind = TBackendEventKind::PointerMove;
  int X = 0;
  int Y = 0;
  TMouseButton Button = TMouseButton::mbLeft;
  TShiftState Shift;
  int WheelDelta = 0;
  uint16_t Key = 0;
  uint32_t Char = 0;    // Unicode code point of a Char event
  bool Repeat = false;  // KeyDown only: the keyboard's repeat of a key held down
  TRect Area{};         // Expose only
  // Drop only: the local files and folders dropped, as paths; and what was dropped that names no
  // local file (an address of another machine or scheme, plain text), as the source gave it.
  std::vector<std::string> Files;
  std::vector<std::string> Others;
};

// Where a backend hands the events it turns up, one at a time.
using TEventSink = std::function<void(const TBackendEvent&)>;

// One picture of the window's icon: Width x Height words 0xAARRGGBB (alpha not premultiplied), rows
// top-down.
struct TIconPicture {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;
};

// What the window looks like when it is created.
struct TWindowDesc {
  int ClientWidth = 0;  // pixels; the window has no border, so this is also the window's size
  int ClientHeight = 0;
  std::string Title;      // shown by task bars and window lists
  TPoint Position{0, 0};  // screen position of the top-left corner
  bool Centered = false;  // if true, Position is ignored and the window is centred on the screen
};

class TBackend {
public:
  virtual ~TBackend() = default;

  // Which optional services this backend provides (a mask of TBackendCapability).
  virtual uint32_t Capabilities() const = 0;
  bool Has(TBackendCapability c) const { return (Capabilities() & c) != 0; }

  // --- The window ---------------------------------------------------------------------------
  // Creates the hidden, borderless window, or fails with a one-line reason; creating a second
  // window while one exists is a programmer mistake.
  virtual TResult<void> CreateWindow(const TWindowDesc& desc) = 0;
  // Destroys the window (if any). Afterwards Wake() and CopyToWindow() are harmless no-ops.
  virtual void DestroyWindow() = 0;
  virtual bool HasWindow() const = 0;
  virtual void ShowWindow(bool visible) = 0;
  virtual void SetWindowTitle(const std::string& title) = 0;
  // The window's top-left corner in screen coordinates.
  virtual TPoint WindowPos() const = 0;
  virtual void SetWindowPos(TPoint screenPos) = 0;
  // The size of the screen the window is on, for centring.
  virtual TPoint ScreenSize() const = 0;

  // Gives the window its icon: one picture in several sizes, so that the task bar, the window list
  // and the window switcher can each take the size that suits them. May come before the window
  // exists; the window then gets it when it is created. An empty list changes nothing.
  virtual void SetWindowIcon(const std::vector<TIconPicture>& pictures) = 0;

  // --- Pixels -------------------------------------------------------------------------------
  // Copies `frame` (32-bit, client size; pixels are colour words) into the window surface and
  // shows it. `dirty` lists the parts that changed, in client coordinates; empty means all of it.
  // A frame of the wrong size is copied in its overlapping part.
  virtual void Present(const TBitmap& frame, const std::vector<TRect>& dirty) = 0;
  // Thread-safe window surface: copies `bitmap` (32-bit) with its top-left at (x, y), clipped to
  // the client area, under a short lock, then asks the UI thread to show that part. Callable from
  // any thread; never runs framework code. The copy stays until the next Present() covers it.
  virtual void CopyToWindow(int x, int y, const TBitmap& bitmap) = 0;
  // A backend that sends the window to the screen in frames says here until when what is painted
  // now would wait for the next one: painting it later, by that time, shows the same. No value:
  // what is presented now is shown at once.
  virtual std::optional<TTimePoint> FrameHeldUntil() const { return std::nullopt; }

  // --- Window region ------------------------------------------------------------------------
  // Sets the window's outline as a union of rectangles in window coordinates (non-overlapping,
  // as a TRegion produces them). std::nullopt removes any outline (the whole rectangle shows);
  // an empty list leaves no visible pixel at all.
  virtual void SetWindowRegion(const std::optional<std::vector<TRect>>& rects) = 0;
  // The last outline applied through SetWindowRegion (std::nullopt if none or removed).
  virtual std::optional<std::vector<TRect>> WindowRegion() const = 0;

  // --- Pointer ------------------------------------------------------------------------------
  virtual void SetCursor(TCursor cursor) = 0;
  // While captured, pointer moves and releases keep arriving even outside the window.
  virtual void CapturePointer(bool capture) = 0;
  // The pointer's position in screen coordinates.
  virtual TPoint PointerScreenPos() const = 0;

  // --- Message box --------------------------------------------------------------------------
  // Shows a modal box with `title` as caption, `text` and one OK button, centred on the screen;
  // returns when it is dismissed (OK, Enter, Escape or the window manager's close), when the
  // connection is lost, or after WakeToEnd(). While it is up, the form's window takes no input:
  // pointer and key events and drops for it are dropped, its other events are kept for later.
  virtual void ShowMessageBox(const std::string& title, const std::string& text) = 0;

  // --- Time and events ----------------------------------------------------------------------
  virtual TTimePoint Now() const = 0;
  // Waits until at least one event is pending, Wake() is called, or `deadline` passes (no deadline
  // = wait for an event), then hands every pending event to `sink` in arrival order and returns.
  // Presents requested by CopyToWindow() are carried out here, without any event.
  virtual void WaitEvents(std::optional<TTimePoint> deadline, const TEventSink& sink) = 0;
  // Makes a WaitEvents() in progress (or the next one) return early. Callable from any thread.
  virtual void Wake() = 0;

  // Watches one more file descriptor beside the window system's own, such as a message bus
  // connection: while it is ready for `events` (poll(2) flags), a wait ends and `ready` runs on this
  // thread, also while a message box is up. Watching again replaces the last watch; fd -1 stops it.
  // `ready` must not throw. The default ignores the descriptor.
  virtual void WatchDescriptor(int /*fd*/, short /*events*/, std::function<void()> /*ready*/) {}

  // Brings the window above the others and asks for the keyboard (a desktop's "raise").
  virtual void RaiseWindow() {}

  // --- The end of the program -----------------------------------------------------------------
  // True once the connection to the window system is gone (the server went away, or it dropped
  // this client). Nothing of the window can be shown or read any more; the program should end.
  // A message box that is up closes by itself when this happens.
  virtual bool ConnectionLost() const { return false; }
  // The program has been asked to end (a signal): makes a WaitEvents() in progress, or the next
  // one, return, and closes a message box that is up. Only async-signal-safe calls inside, so a
  // signal handler may call it on any thread.
  virtual void WakeToEnd() noexcept {}
};

// How the program chooses its backend: a factory that gives a backend, or fails with a one-line
// reason when no window can be opened (for example, no display). The SDL2 backend's factory is
// CreateSdl2Backend (framework/backends/sdl2/), the headless one CreateHeadlessBackend.
using TBackendFactory = TResult<std::unique_ptr<TBackend>> (*)();
