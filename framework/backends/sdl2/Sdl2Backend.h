// SPDX-License-Identifier: MIT
// The real window: an SDL2 window on X11, drawn in software, shaped with the X11 SHAPE extension.
//
// Implements: the whole TBackend interface. A borderless window of the form's client size that
// carries the application's title; the window's pixels in memory shared with the X server (no
// OpenGL), of which only the changed rectangles are put up, without waiting for the server
// (plain put requests where the server shares no memory, SDL's window surface on unusual
// visuals); window outlines through SHAPE, re-applied when SDL replaces the X window under us;
// window moves; pointer capture while a button is held; the arrow and the two double-arrow system
// cursors; the window's icon in every size given (_NET_WM_ICON); key and text input; double-clicks from SDL's click
// count; modal message boxes drawn by the framework in a window of their own, on this thread (Sdl2MessageBox.cpp); a
// window surface that other threads may draw into. The message loop sleeps in one poll on the X connection and a wake
// signal until the next deadline, and lets SDL read the connection when the server sent something. Pointer positions
// come from the X server where SDL's bookkeeping falls behind a moving window (dragging). The end of the connection or
// of the window is survived: a lost connection or a window another client destroyed ends the wait, and the program ends
// in order.
//
// On a HiDPI screen the window has a whole-number scale N (WindowScale.h): it is N times the form's
// size and shows each of the form's pixels as an N x N block. Everything the framework sees stays at
// the form's own size: event positions, the outline, the window surface's parts, the message
// boxes' pixels. Screen positions (the window's place, the pointer's, the screen's size) are given
// in units of N screen pixels too, counted so that the pointer's screen position less the window's
// is exactly the pointer's position in the window. At scale 1 nothing is converted.
//
// Does not implement: window resizing, more than one window, input methods beyond what SDL's text
// input delivers, Ctrl+letter control characters, and video drivers other than X11 (without an X
// server, Create fails with SDL's reason rather than falling back to an invisible window).
//
// SDL and Xlib types stay in the .cpp; this header only forward-declares what it keeps.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"
#include "WaitSet.h"
#include "backends/DescriptorWatch.h"

class TX11Painter;
struct SDL_Window;
struct _XDisplay;
struct SDL_Cursor;
struct SDL_Rect;
union SDL_Event;

class TSdl2Backend : public TBackend {
public:
  // Initialises SDL's video subsystem on X11. Fails with SDL's reason when there is no X server
  // to talk to.
  static TResult<std::unique_ptr<TSdl2Backend>> Create();
  ~TSdl2Backend() override;

  uint32_t Capabilities() const override;

  TResult<void> CreateWindow(const TWindowDesc& desc) override;
  void DestroyWindow() override;
  bool HasWindow() const override { return FWindow != nullptr; }
  void ShowWindow(bool visible) override;
  void SetWindowTitle(const std::string& title) override;
  void SetWindowIcon(const std::vector<TIconPicture>& pictures) override;
  TPoint WindowPos() const override;
  void SetWindowPos(TPoint screenPos) override;
  TPoint ScreenSize() const override;

  void Present(const TBitmap& frame, const std::vector<TRect>& dirty) override;
  void CopyToWindow(int x, int y, const TBitmap& bitmap) override;
  std::optional<TTimePoint> FrameHeldUntil() const override;

  void SetWindowRegion(const std::optional<std::vector<TRect>>& rects) override;
  std::optional<std::vector<TRect>> WindowRegion() const override { return FRegion; }

  void SetCursor(TCursor cursor) override;
  void CapturePointer(bool capture) override;
  TPoint PointerScreenPos() const override;

  void ShowMessageBox(const std::string& title, const std::string& text) override;

  TTimePoint Now() const override { return TClock::now(); }
  void WaitEvents(std::optional<TTimePoint> deadline, const TEventSink& sink) override;
  void Wake() override;
  bool ConnectionLost() const override;
  void WakeToEnd() noexcept override;
  void WatchDescriptor(int fd, short events, std::function<void()> ready) override;
  void RaiseWindow() override;

  // The X window that currently shows the form (0 without a window), for tests that ask the X
  // server about it directly.
  unsigned long NativeWindow() const;
  // Returns once the X server has put up every part shown so far. Showing does not wait for the
  // server; tests that read the window's pixels back through a connection of their own do.
  void WaitUntilShown();
  // How the window's pixels reach the X server: in memory the server shares, inside the requests
  // themselves (a server that shares none), or through SDL's window surface (an unusual visual).
  enum class TPixelRoute { NoWindow, SharedMemory, Requests, SdlSurface };
  TPixelRoute PixelRoute() const;
  // How many screen pixels wide and high each of the window's pixels is.
  int Scale() const { return FScale; }

private:
  TSdl2Backend() = default;

  // What the timers change goes to the X server at most this often, all of it in one write: each
  // write wakes the server, and what a wake-up costs it, not the pixels, decides its share of the
  // player's cost. The caption's and the eyes' 10 ms steps still happen every 10 ms; every third
  // one reaches the screen, with the two before it, at 33 frames a second, and the window paints
  // only for those (FrameHeldUntil). What input and the remote controls change goes out at once.
  static constexpr auto kFramePeriod = std::chrono::milliseconds(30);
  // What FWaitDeadline holds while the loop waits without a deadline.
  static constexpr int64_t kNoDeadline = INT64_MAX;

  // Shows the parts of the window surface that CopyToWindow changed since the last call.
  void PresentPendingCopies();
  // Puts the given parts of the window surface up: through FPainter, or converted into SDL's
  // window surface under FSurfaceLock and sent once the lock is released.
  void ShowRects(std::vector<TRect>& rects);
  // Shows the whole window surface again (after the window was shown or uncovered).
  void ShowAll();
  // Sends the parts shown since the last frame to the X server, in one write; SendIfDue does so
  // when their frame is due (or input asked for them at once).
  void SendUnsent();
  void SendIfDue();
  // True when parts shown now would go out at once, without waiting for their frame.
  bool FrameDue() const;
  // Asks SDL which X window it draws into now. SDL waits for the X server to answer everything
  // sent so far before it tells, so this is done where the window may have changed (created,
  // shown, uncovered), not for every part shown.
  void RefreshXWindow();
  // Puts FRegion on the X window, or does so again if SDL has replaced the window since.
  void ApplyShape(bool force);
  // Hands FIcon to SDL and, on X11, puts every size of it into the window's icon property.
  void ApplyIcon();
  // The two ways to wait: on the X connection and the wake signal ourselves, handing SDL the
  // connection only when the server sent something; or inside SDL, where there is no window.
  void WaitOnConnection(std::optional<TTimePoint> deadline, const TEventSink& sink);
  void WaitInSdl(std::optional<TTimePoint> deadline, const TEventSink& sink);
  // Turns one SDL event into the framework's events, one step per kind of event.
  void Dispatch(const SDL_Event& event, const TEventSink& sink);
  void DispatchX11(const SDL_Event& event, const TEventSink& sink);
  void DispatchWindow(const SDL_Event& event, const TEventSink& sink);
  void DispatchButton(const SDL_Event& event, const TEventSink& sink);
  void DispatchWheel(const SDL_Event& event, const TEventSink& sink);
  void DispatchKey(const SDL_Event& event, const TEventSink& sink);
  // While a message box is up: what becomes of an event for the form's window (held, dropped, or
  // handled at once, as a redraw is).
  void HoldForLater(const SDL_Event& event);
  // Lets go, on the form's window, of the buttons (bits of TShiftStateItem) held there when a
  // message box opened.
  void ReleaseHeldButtons(uint8_t held);
  // Runs the watch's `ready` when its descriptor is ready now (no sleep); true when it ran.
  bool ServeWatch();
  // True when a wait or a message box must end now: the program was asked to end, or the
  // connection is gone.
  bool MustReturn() const;
  // Delivers a raw motion that SDL did not follow with a motion of its own.
  void FlushRawMove(const TEventSink& sink);
  TShiftState CurrentShift() const;
  // Between the window's own pixels and the screen's: a screen distance in window pixels (rounded
  // towards minus infinity, so that positions left of or above the window stay there), and a
  // window rectangle on the screen.
  int Down(int screen) const;
  TPoint Down(TPoint screen) const { return {Down(screen.X), Down(screen.Y)}; }
  TRect Up(const TRect& r) const { return {r.Left * FScale, r.Top * FScale, r.Right * FScale, r.Bottom * FScale}; }
  // Writes rectangle `r` of a frame into the window surface, each pixel as an FScale x FScale block.
  void PutScaled(const TBitmap& frame, int x, int y, const TRect& r);

  SDL_Window* FWindow = nullptr;
  uint32_t FWindowId = 0;
  // The window's scale, chosen when the backend opens; FScaleExplicit when the user set it, so the
  // window keeps it even where it then does not fit the screen.
  int FScale = 1;
  bool FScaleExplicit = false;
  // SDL's X connection, watched for its loss from the first window on.
  _XDisplay* FWatchedDisplay = nullptr;
  // Set by WakeToEnd (possibly in a signal handler).
  std::atomic<bool> FEndRequested{false};
  // Events for the form's window that arrived while a message box was up, delivered by the next wait.
  std::vector<SDL_Event> FHeldEvents;
  // The one extra descriptor the waits watch (WatchDescriptor).
  TDescriptorWatch FWatch;
  // What the wait on the X connection sleeps on: the connection, FWakeFd and FWatch's descriptor.
  TWaitSet FWaitSet;
  bool FIsX11 = false;
  uint32_t FWakeEventType = 0;
  std::atomic<bool> FWakePending{false};
  // Signalled by Wake beside the event it pushes, so that a wait on the X connection ends too.
  int FWakeFd = -1;
  _XDisplay* FXDisplay = nullptr;  // SDL's X connection, as RefreshXWindow last found it
  TTimePoint FLastPump{};          // when SDL last read the X connection

  // The window surface: the window's pixels. Other threads write into it through CopyToWindow, so
  // it, its size and the list of parts still to show are guarded by FSurfaceLock.
  std::mutex FSurfaceLock;
  TRect FClient{};
  // FSurface points into FPainter's buffer or, where SDL's window surface shows the window, into
  // FPixels; rows are FStride words apart. It holds the screen's pixels (FScale times the client
  // size); FClient is the form's size.
  uint32_t* FSurface = nullptr;
  int FStride = 0;
  std::vector<uint32_t> FPixels;
  // True when FSurface holds the X visual's words 0x00RRGGBB and FPainter puts them up as they
  // are; otherwise it holds colour words and SDL converts them for its window surface.
  bool FNativeOrder = false;
  std::vector<TRect> FPendingCopies;
  std::atomic<bool> FHasWindow{false};
  // The end of the message loop's current (or last) wait, as a count of TClock ticks.
  std::atomic<int64_t> FWaitDeadline{INT64_MAX};
  // UI thread only: lists reused from one frame to the next, so showing a part allocates nothing.
  std::vector<TRect> FShowParts;
  // UI thread only: parts of the window surface shown but not yet sent to the server, when the
  // last were sent, and whether the next wait sends them at once (after input, an expose).
  std::vector<TRect> FUnsent;
  TTimePoint FLastSent{};
  bool FSendNow = false;
  // UI thread only: the next wait asks Xlib to read the connection before it sleeps (after a
  // round trip to the server, which may have read events it queued without the socket knowing).
  mutable bool FLookDeep = true;
  std::vector<SDL_Rect> FSdlRects;

  // UI thread only: puts parts of FPixels on the X window, where the visual allows.
  std::unique_ptr<TX11Painter> FPainter;

  std::optional<std::vector<TRect>> FRegion;
  std::vector<TIconPicture> FIcon;
  unsigned long FXWindow = 0;       // the X window of FWindow, as RefreshXWindow last found it
  unsigned long FShapedWindow = 0;  // the X window FRegion was last put on

  SDL_Cursor* FCursors[4] = {};
  TCursor FCursor = crDefault;
  uint8_t FButtons = 0;  // ssLeft / ssRight / ssMiddle bits of the buttons held now

  // NOTE: SDL keeps the pointer's last position in window coordinates and drops a motion that
  // lands on the same window position, which is every motion of a drag that moves the window
  // along with the pointer; its button events also carry that stale position after a move. The
  // X server's own coordinates, passed on as raw events, fill both gaps.
  bool FRawMovePending = false;  // a raw motion SDL may have swallowed
  TPoint FRawMove{};
  bool FRawButtonValid = false;  // the position of the button event SDL is about to report
  TPoint FRawButton{};

  // The drop SDL is delivering piece by piece, passed on whole when it completes.
  TBackendEvent FDrop;
  // What the drop under way holds that names no local file, which SDL does not report.
  std::vector<std::string> FDropElsewhere;
  // Delivers one of SDL's drop events (and frees the text it carries); true when it was one.
  bool DispatchDrop(const SDL_Event& event, const TEventSink& sink);
};

// The factory the program hands to Application.OpenBackend.
TResult<std::unique_ptr<TBackend>> CreateSdl2Backend();
