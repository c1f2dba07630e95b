// SPDX-License-Identifier: MIT
// The headless backend: the window as a bitmap, input from the test, time from the test.
#include "backends/headless/HeadlessBackend.h"

#include <poll.h>

#include <algorithm>
#include <cassert>

#include "backends/sdl2/Sdl2FontEngine.h"
#include "components/TApplication.h"

namespace {
void CopyPixels(TBitmap& dst, int dx, int dy, const TBitmap& src, const TRect& srcRect) {
  // Clip the source rectangle to both bitmaps, then copy row by row.
  TRect s = srcRect.Intersect(src.ClientRect());
  const TRect d = s.Offset(dx - srcRect.Left, dy - srcRect.Top).Intersect(dst.ClientRect());
  s = d.Offset(srcRect.Left - dx, srcRect.Top - dy);
  if (s.IsEmpty()) return;
  for (int y = s.Top; y < s.Bottom; ++y) {
    uint32_t* out = dst.ScanLine(d.Top + (y - s.Top)) + d.Left;
    if (src.PixelFormat() == pf32bit) {
      std::copy_n(src.ScanLine(y) + s.Left, s.Width(), out);
    } else {
      for (int x = s.Left; x < s.Right; ++x) *out++ = src.Pixel(x, y);
    }
  }
}
}  // namespace

THeadlessBackend::THeadlessBackend(TPoint screenSize) : FScreenSize(screenSize), FNow(TClock::now()), FLimit(FNow) {
  OnIdle = [] { Application.Terminate(); };
  // Text is drawn by the real window's glyph renderer, so what a test reads back from the surface
  // is exactly what the program shows.
  SetFontEngine(&Sdl2FontEngine());
}

THeadlessBackend::~THeadlessBackend() = default;

uint32_t THeadlessBackend::Capabilities() const {
  return bcWindowShape | bcGlobalPointer | bcPointerCapture | bcCursors | bcMoveWindow | bcMessageBox;
}

TResult<void> THeadlessBackend::CreateWindow(const TWindowDesc& desc) {
  if (FHasWindow) return Fail("a window exists already");
  FDesc = desc;
  FHasWindow = true;
  FVisible = false;
  FTitle = desc.Title;
  FRegion.reset();
  FCaptured = false;
  FButtons = 0;
  {
    std::lock_guard lock(FSurfaceLock);
    FSurface = TBitmap(desc.ClientWidth, desc.ClientHeight, pf32bit);
  }
  FWindowPos = desc.Centered ? TPoint{(FScreenSize.X - desc.ClientWidth) / 2, (FScreenSize.Y - desc.ClientHeight) / 2}
                             : desc.Position;
  return {};
}

void THeadlessBackend::DestroyWindow() {
  FHasWindow = false;
  FVisible = false;
  FCaptured = false;
  FQueue.clear();
  std::lock_guard lock(FSurfaceLock);
  FSurface = TBitmap();
}

void THeadlessBackend::ShowWindow(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  // A shown window becomes the active one, as a window manager would make it.
  TBackendEvent e;
  e.Kind = visible ? TBackendEventKind::FocusIn : TBackendEventKind::FocusOut;
  FQueue.push_back(e);
}

void THeadlessBackend::Present(const TBitmap& frame, const std::vector<TRect>& dirty) {
  std::lock_guard lock(FSurfaceLock);
  ++FPresentCount;
  FLastPresented = dirty;
  if (dirty.empty()) {
    CopyPixels(FSurface, 0, 0, frame, frame.ClientRect());
    return;
  }
  for (const TRect& r : dirty) CopyPixels(FSurface, r.Left, r.Top, frame, r);
}

void THeadlessBackend::CopyToWindow(int x, int y, const TBitmap& bitmap) {
  std::lock_guard lock(FSurfaceLock);
  if (!FHasWindow) return;
  CopyPixels(FSurface, x, y, bitmap, bitmap.ClientRect());
}

void THeadlessBackend::SetWindowRegion(const std::optional<std::vector<TRect>>& rects) { FRegion = rects; }

void THeadlessBackend::ShowMessageBox(const std::string& title, const std::string& text) {
  FMessageBoxes.push_back({title, text});
  if (OnMessageBox) OnMessageBox();
}

void THeadlessBackend::WatchDescriptor(int fd, short events, std::function<void()> ready) {
  FWatch.Set(fd, events, std::move(ready));
}

bool THeadlessBackend::ServeWatch() { return FWatch.ServeNow(); }

void THeadlessBackend::WaitEvents(std::optional<TTimePoint> deadline, const TEventSink& sink) {
  ServeWatch();
  if (!FQueue.empty()) {
    // Deliver what is queued now; events queued by the handlers wait for the next turn.
    std::deque<TBackendEvent> batch;
    batch.swap(FQueue);
    for (const TBackendEvent& e : batch) sink(e);
    return;
  }
  if (deadline && *deadline <= FLimit) {
    FNow = std::max(FNow, *deadline);
    return;
  }
  if (FNow < FLimit) {
    FNow = FLimit;
    return;
  }
  if (OnIdle) OnIdle();
}

void THeadlessBackend::Wake() {}

// --- Scripted input -------------------------------------------------------------------------

void THeadlessBackend::Queue(const TBackendEvent& e) {
  FQueue.push_back(e);
  if (FAutoPump) Pump();
}

void THeadlessBackend::Pump() { Application.ProcessMessages(); }

TShiftState THeadlessBackend::HeldState() const { return FModifiers | TShiftState::FromBits(FButtons); }

void THeadlessBackend::Pointer(TBackendEventKind kind, int x, int y, TMouseButton button) {
  FPointerScreen = {FWindowPos.X + x, FWindowPos.Y + y};
  const TShiftStateItem bit = button == TMouseButton::mbRight    ? ssRight
                              : button == TMouseButton::mbMiddle ? ssMiddle
                                                                 : ssLeft;
  if (kind == TBackendEventKind::PointerDown || kind == TBackendEventKind::PointerDblClick)
    FButtons |= TShiftState(bit).Bits();
  else if (kind == TBackendEventKind::PointerUp)
    FButtons &= uint8_t(~TShiftState(bit).Bits());
  TBackendEvent e;
  e.Kind = kind;
  e.X = x;
  e.Y = y;
  e.Button = button;
  e.Shift = HeldState();
  if (kind == TBackendEventKind::PointerDblClick) e.Shift |= ssDouble;
  Queue(e);
}

void THeadlessBackend::MovePointer(int x, int y) {
  Pointer(TBackendEventKind::PointerMove, x, y, TMouseButton::mbLeft);
}

void THeadlessBackend::PressPointer(int x, int y, TMouseButton button) {
  Pointer(TBackendEventKind::PointerDown, x, y, button);
}

void THeadlessBackend::ReleasePointer(int x, int y, TMouseButton button) {
  Pointer(TBackendEventKind::PointerUp, x, y, button);
}

void THeadlessBackend::Click(int x, int y, TMouseButton button) {
  PressPointer(x, y, button);
  ReleasePointer(x, y, button);
}

void THeadlessBackend::DoubleClick(int x, int y, TMouseButton button) {
  Click(x, y, button);
  Pointer(TBackendEventKind::PointerDblClick, x, y, button);
  ReleasePointer(x, y, button);
}

void THeadlessBackend::Wheel(int x, int y, int delta) {
  FPointerScreen = {FWindowPos.X + x, FWindowPos.Y + y};
  TBackendEvent e;
  e.Kind = TBackendEventKind::Wheel;
  e.X = x;
  e.Y = y;
  e.WheelDelta = delta;
  e.Shift = HeldState();
  Queue(e);
}

void THeadlessBackend::KeyDown(uint16_t key, TShiftState modifiers, bool repeat) {
  TBackendEvent e;
  e.Kind = TBackendEventKind::KeyDown;
  e.Key = key;
  e.Repeat = repeat;
  e.Shift = modifiers | TShiftState::FromBits(FButtons);
  Queue(e);
}

void THeadlessBackend::TypeChar(char c) {
  TBackendEvent e;
  e.Kind = TBackendEventKind::Char;
  e.Char = uint8_t(c);
  Queue(e);
}

void THeadlessBackend::PressKey(uint16_t key, TShiftState modifiers) {
  KeyDown(key, modifiers);
  char c = 0;
  if (key == vk::Return || key == vk::Space || key == vk::Back || key == vk::Tab || key == vk::Escape)
    c = char(key);
  else if (key >= '0' && key <= '9')
    c = char(key);
  else if (key >= 'A' && key <= 'Z')
    c = modifiers.Contains(ssShift) ? char(key) : char(key - 'A' + 'a');
  if (c) TypeChar(c);
  TBackendEvent up;
  up.Kind = TBackendEventKind::KeyUp;
  up.Key = key;
  up.Shift = modifiers;
  Queue(up);
}

void THeadlessBackend::RequestClose() {
  TBackendEvent e;
  e.Kind = TBackendEventKind::Close;
  Queue(e);
}

void THeadlessBackend::Expose(const TRect& area) {
  TBackendEvent e;
  e.Kind = TBackendEventKind::Expose;
  e.Area = area;
  Queue(e);
}

void THeadlessBackend::Drop(const std::vector<std::string>& files, const std::vector<std::string>& others) {
  TBackendEvent e;
  e.Kind = TBackendEventKind::Drop;
  e.Files = files;
  e.Others = others;
  Queue(e);
}

void THeadlessBackend::SetFocus(bool focused) {
  TBackendEvent e;
  e.Kind = focused ? TBackendEventKind::FocusIn : TBackendEventKind::FocusOut;
  Queue(e);
}

// --- Clock ----------------------------------------------------------------------------------

void THeadlessBackend::Advance(int ms) {
  FLimit = FNow + std::chrono::milliseconds(std::max(ms, 0));
  // Each turn either delivers queued events or moves the clock to the next deadline within the
  // limit (and fires what is due there), until the limit is reached with nothing left.
  int guard = 0;
  while ((FNow < FLimit || !FQueue.empty()) && !Application.Terminated()) {
    Application.HandleMessage();
    assert(++guard < 10'000'000 && "the clock does not move");
    (void)guard;
  }
  FLimit = FNow;
  Application.ProcessMessages();
}

TResult<std::unique_ptr<TBackend>> CreateHeadlessBackend() { return std::make_unique<THeadlessBackend>(); }
