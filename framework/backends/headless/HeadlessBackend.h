// SPDX-License-Identifier: MIT
// A backend without a display, for tests: in-memory window, scripted input and a manual clock.
//
// Implements: the whole TBackend interface. The window surface is a bitmap that tests read back;
// input is injected at window coordinates (the simulated pointer's screen position follows); the
// clock moves only when a test advances it, and advancing fires the timers that fall due on the
// way, one deadline at a time, in order. Message boxes are recorded, not shown. Does not
// implement: real pixels on a screen, real pointer or keyboard devices.
#pragma once

#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"
#include "backends/DescriptorWatch.h"
#include "graphics/TBitmap.h"

class THeadlessBackend : public TBackend {
public:
  explicit THeadlessBackend(TPoint screenSize = {1920, 1080});
  ~THeadlessBackend() override;

  // --- TBackend -----------------------------------------------------------------------------
  uint32_t Capabilities() const override;
  TResult<void> CreateWindow(const TWindowDesc& desc) override;
  void DestroyWindow() override;
  bool HasWindow() const override { return FHasWindow; }
  void ShowWindow(bool visible) override;
  void SetWindowTitle(const std::string& title) override { FTitle = title; }
  void SetWindowIcon(const std::vector<TIconPicture>& pictures) override { FIcon = pictures; }
  TPoint WindowPos() const override { return FWindowPos; }
  void SetWindowPos(TPoint screenPos) override { FWindowPos = screenPos; }
  TPoint ScreenSize() const override { return FScreenSize; }
  void Present(const TBitmap& frame, const std::vector<TRect>& dirty) override;
  void CopyToWindow(int x, int y, const TBitmap& bitmap) override;
  void SetWindowRegion(const std::optional<std::vector<TRect>>& rects) override;
  std::optional<std::vector<TRect>> WindowRegion() const override { return FRegion; }
  void SetCursor(TCursor cursor) override { FCursor = cursor; }
  void CapturePointer(bool capture) override { FCaptured = capture; }
  TPoint PointerScreenPos() const override { return FPointerScreen; }
  void ShowMessageBox(const std::string& title, const std::string& text) override;
  // The watched descriptor is looked at (without sleeping) at every wait and while a message box is
  // "up"; its `ready` runs when poll(2) finds it ready.
  void WatchDescriptor(int fd, short events, std::function<void()> ready) override;
  void RaiseWindow() override { ++FRaiseCount; }
  TTimePoint Now() const override { return FNow; }
  void WaitEvents(std::optional<TTimePoint> deadline, const TEventSink& sink) override;
  void Wake() override;
  bool ConnectionLost() const override { return FConnectionLost; }

  // --- Scripted input (window coordinates) -----------------------------------------------------
  // Each call queues the event(s) and lets the application handle them at once (ProcessMessages),
  // unless auto-pumping is off. Pointer events outside the window reach the program only while it
  // holds the pointer, as on a real display; the simulated screen position moves regardless.
  void MovePointer(int x, int y);
  void PressPointer(int x, int y, TMouseButton button = TMouseButton::mbLeft);
  void ReleasePointer(int x, int y, TMouseButton button = TMouseButton::mbLeft);
  // Press and release.
  void Click(int x, int y, TMouseButton button = TMouseButton::mbLeft);
  // Press, release, double-click press, release: what a real double-click delivers.
  void DoubleClick(int x, int y, TMouseButton button = TMouseButton::mbLeft);
  void Wheel(int x, int y, int delta);
  // Key down; for Enter, Space, Backspace, Tab, Escape, letters and digits also the character,
  // then key up.
  void PressKey(uint16_t key, TShiftState modifiers = {});
  // `repeat`: the keyboard's repeat of a key held down.
  void KeyDown(uint16_t key, TShiftState modifiers = {}, bool repeat = false);
  void TypeChar(char c);
  void RequestClose();
  void Expose(const TRect& area);
  void SetFocus(bool focused);
  // Files and folders dropped on the window (local paths), and what was dropped that names no local file.
  void Drop(const std::vector<std::string>& files, const std::vector<std::string>& others = {});
  // The window system goes away: ConnectionLost() is true from now on.
  void LoseConnection() { FConnectionLost = true; }
  void SetAutoPump(bool on) { FAutoPump = on; }
  // Lets the application handle what is queued and the timers due now.
  void Pump();

  // --- Simulated screen ---------------------------------------------------------------------
  void SetPointerScreenPos(TPoint p) { FPointerScreen = p; }

  // --- Clock --------------------------------------------------------------------------------
  // Moves the clock forward by `ms`, stopping at every timer deadline on the way so that the
  // timers fire in order, each at its own time.
  void Advance(int ms);
  // Moves the clock forward by `ms` without a turn of the message loop, as if the window thread
  // had been busy all that time.
  void Stall(int ms) {
    FNow += std::chrono::milliseconds(std::max(ms, 0));
    FLimit = FNow;
  }

  // --- Reading back -------------------------------------------------------------------------
  const TBitmap& Surface() const { return FSurface; }
  TColor Pixel(int x, int y) const { return FSurface.Pixel(x, y); }
  bool WindowVisible() const { return FVisible; }
  const std::string& Title() const { return FTitle; }
  const std::vector<TIconPicture>& WindowIcon() const { return FIcon; }
  const TWindowDesc& Desc() const { return FDesc; }
  TCursor Cursor() const { return FCursor; }
  bool PointerCaptured() const { return FCaptured; }
  int PresentCount() const { return FPresentCount; }
  const std::vector<TRect>& LastPresented() const { return FLastPresented; }
  struct TMessageBoxRecord {
    std::string Title;
    std::string Text;
  };
  const std::vector<TMessageBoxRecord>& MessageBoxes() const { return FMessageBoxes; }
  void ClearMessageBoxes() { FMessageBoxes.clear(); }
  // Called when the message loop would wait with nothing scripted and no timer due before the
  // clock's limit. The default ends the message loop (Application.Terminate), so Run() returns.
  std::function<void()> OnIdle;
  // Runs while a message box is up, before ShowMessageBox returns, so a test can make things happen
  // then (the box's text is already recorded).
  std::function<void()> OnMessageBox;
  int RaiseCount() const { return FRaiseCount; }
  // Runs the watch's `ready` when its descriptor is ready now; true when it ran.
  bool ServeWatch();

private:
  void Queue(const TBackendEvent& e);
  void Pointer(TBackendEventKind kind, int x, int y, TMouseButton button);
  TShiftState HeldState() const;

  TPoint FScreenSize;
  TPoint FWindowPos{0, 0};
  TPoint FPointerScreen{0, 0};
  TWindowDesc FDesc;
  bool FHasWindow = false;
  bool FVisible = false;
  std::string FTitle;
  std::vector<TIconPicture> FIcon;
  TBitmap FSurface;
  std::optional<std::vector<TRect>> FRegion;
  TCursor FCursor = crArrow;
  bool FCaptured = false;
  bool FAutoPump = true;
  uint8_t FButtons = 0;  // ssLeft/ssRight/ssMiddle bits held
  TShiftState FModifiers;
  TTimePoint FNow;
  TTimePoint FLimit;
  std::deque<TBackendEvent> FQueue;
  mutable std::mutex FSurfaceLock;  // CopyToWindow may come from another thread
  int FPresentCount = 0;
  std::vector<TRect> FLastPresented;
  std::vector<TMessageBoxRecord> FMessageBoxes;
  bool FConnectionLost = false;
  int FRaiseCount = 0;
  TDescriptorWatch FWatch;
};

// The factory for TApplication::OpenBackend. Never fails.
TResult<std::unique_ptr<TBackend>> CreateHeadlessBackend();
