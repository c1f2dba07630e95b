// SPDX-License-Identifier: MIT
// The SDL2 backend's waiting and events: the loop sleeps on the X connection and the wake signal,
// and SDL's events become the framework's.
#include "Sdl2Backend.h"

#include <SDL2/SDL.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "Sdl2Keys.h"
#include "Sdl2X11.h"

namespace {

// SDL finishes some of its work (focus changes it holds back, among others) only when it reads
// the X connection, so it reads at least this often even when the server sends nothing.
constexpr auto kPumpInterval = std::chrono::milliseconds(100);
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

void TSdl2Backend::WatchDescriptor(int fd, short events, std::function<void()> ready) {
  FWatch.Set(fd, events, std::move(ready));
}

bool TSdl2Backend::ServeWatch() { return FWatch.ServeNow(); }

bool TSdl2Backend::MustReturn() const { return FEndRequested.load() || ConnectionLost(); }

void TSdl2Backend::WaitEvents(std::optional<TTimePoint> deadline, const TEventSink& sink) {
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

void TSdl2Backend::WaitInSdl(std::optional<TTimePoint> deadline, const TEventSink& sink) {
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
    // Without a window the watched descriptor is looked at once a slice.
    const bool served = ServeWatch();
    if (got || served || MustReturn() || (deadline && TClock::now() >= *deadline)) break;
  }
  while (got) {
    Dispatch(event, sink);
    got = SDL_PollEvent(&event) != 0;
  }
}

void TSdl2Backend::WaitOnConnection(std::optional<TTimePoint> deadline, const TEventSink& sink) {
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
    TTimePoint now = TClock::now();
    bool pump = now - FLastPump >= kPumpInterval;
    bool woken = false;
    bool watchPolled = false;
    bool served = false;
    // SDL's queue gains events only from a pump, from a wake (which signals too) and from what the
    // handlers did before this wait, which the look below finds. After a plain timeout there is
    // nothing to hand out, and the look is left out at 100 turns a second.
    bool queueFilled = pump;
    if (!pump && SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 0) {
      const bool queued = X11QueuedEvents(FXDisplay) > 0 || (!looked && X11PendingEvents(FXDisplay) > 0);
      looked = true;
      if (queued) {
        pump = true;
      } else {
        // Capped, so that SDL reads the connection every kPumpInterval whatever the deadline, and
        // so that parts waiting for their frame go out at its time.
        auto left = kPumpInterval + TClock::duration::zero();
        if (deadline) left = std::min(left, *deadline - now);
        if (!FUnsent.empty()) left = std::min(left, FLastSent + kFramePeriod - now);
        // Rounded up: waking a fraction of a millisecond early would only make the loop spin.
        const auto ms = std::max<int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count());
        FWaitSet.Keep(0, X11ConnectionFd(FXDisplay), POLLIN);
        FWaitSet.Keep(1, FWakeFd, POLLIN);
        const pollfd watch = FWatch.PollEntry();
        FWaitSet.Keep(2, watch.fd, watch.events, FWatch.Generation());
        watchPolled = ms > 0;
        if (ms > 0) {
          const auto ready = FWaitSet.Wait(static_cast<int>(ms));
          // A broken connection reads as ready too; SDL then reports it.
          if (ready[0] != 0) pump = true;
          if (ready[1] & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = read(FWakeFd, &count, sizeof count);
            woken = true;
          }
          if (ready[2] != 0) {
            FWatch.Run();
            woken = served = true;
          }
        }
      }
    } else {
      queueFilled = true;
    }
    if (MustReturn()) return;
    now = TClock::now();
    // At the deadline the loop paints what waited for this frame, and its next wait sends them
    // together; sent from here, the frame would go without that paint, which would wait once more.
    if (!deadline || now < *deadline) SendIfDue();
    if (pump || now - FLastPump >= kPumpInterval) {
      SDL_PumpEvents();
      FLastPump = TClock::now();
      queueFilled = true;
    }
    bool delivered = false;
    while ((queueFilled || woken) && SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
      Dispatch(event, sink);
      delivered = true;
    }
    if (delivered) {
      // Handlers of input may ask the server things, and what they change goes out at once.
      FLookDeep = true;
      FSendNow = true;
    }
    // A turn that did not sleep in the poll above still looks at the watched descriptor, so that a
    // stream of input cannot keep it waiting.
    if (!watchPolled && ServeWatch()) woken = served = true;
    // What a remote control changes through the watched descriptor is shown at once, as input is.
    if (served) FSendNow = true;
    if (delivered || woken || (deadline && now >= *deadline)) return;
  }
}

TShiftState TSdl2Backend::CurrentShift() const {
  return ShiftFromMods(static_cast<uint16_t>(SDL_GetModState())) | TShiftState::FromBits(FButtons);
}

void TSdl2Backend::FlushRawMove(const TEventSink& sink) {
  if (!FRawMovePending) return;
  FRawMovePending = false;
  TBackendEvent out;
  out.Kind = TBackendEventKind::PointerMove;
  out.X = FRawMove.X;
  out.Y = FRawMove.Y;
  out.Shift = CurrentShift();
  sink(out);
}

void TSdl2Backend::Dispatch(const SDL_Event& event, const TEventSink& sink) {
  // SDL turns a raw motion into its own motion event right after passing the raw one on; any
  // other event in between means SDL dropped it. (A wake from another thread may slip in.)
  if (event.type == SDL_MOUSEMOTION) {
    FRawMovePending = false;
  } else if (event.type != FWakeEventType) {
    FlushRawMove(sink);
  }
  switch (event.type) {
    case SDL_SYSWMEVENT: return DispatchX11(event, sink);
    case SDL_WINDOWEVENT: return DispatchWindow(event, sink);
    case SDL_MOUSEMOTION: {
      TBackendEvent out;
      out.Kind = TBackendEventKind::PointerMove;
      out.X = Down(event.motion.x);
      out.Y = Down(event.motion.y);
      out.Shift = CurrentShift();
      sink(out);
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return DispatchButton(event, sink);
    case SDL_MOUSEWHEEL: return DispatchWheel(event, sink);
    case SDL_KEYDOWN:
    case SDL_KEYUP: return DispatchKey(event, sink);
    case SDL_TEXTINPUT: {
      TBackendEvent out;
      out.Kind = TBackendEventKind::Char;
      out.Shift = CurrentShift();
      for (uint32_t c : DecodeUtf8(event.text.text)) {
        out.Char = c;
        sink(out);
      }
      return;
    }
    default:
      if (DispatchDrop(event, sink)) return;
      if (event.type == FWakeEventType) FWakePending = false;
      return;
  }
}

bool TSdl2Backend::DispatchDrop(const SDL_Event& event, const TEventSink& sink) {
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

void TSdl2Backend::DispatchX11(const SDL_Event& event, const TEventSink& sink) {
  // Another client destroyed the window: the program cannot go on without it, so this is the
  // user's way of closing it.
  if (X11WindowDestroyed(event.syswm.msg, FXWindow)) {
    TBackendEvent out;
    out.Kind = TBackendEventKind::Close;
    sink(out);
    return;
  }
  // A drop's address list arrives here just before SDL reports the drop's local files.
  for (std::string& other : X11DroppedElsewhere(event.syswm.msg, FXWindow)) {
    FDropElsewhere.push_back(std::move(other));
    FLookDeep = true;
  }
  // The pointer positions X reports, which SDL may drop or round: kept for the SDL event that follows.
  const TX11PointerEvent raw = X11PointerEventOf(event.syswm.msg, FXWindow);
  if (raw.Kind == TX11PointerEvent::Motion) {
    FRawMovePending = true;
    FRawMove = {Down(raw.X), Down(raw.Y)};
  } else if (raw.Kind == TX11PointerEvent::Button) {
    FRawButtonValid = true;
    FRawButton = {Down(raw.X), Down(raw.Y)};
  }
}

void TSdl2Backend::DispatchWindow(const SDL_Event& event, const TEventSink& sink) {
  if (event.window.windowID != FWindowId || !FWindow) return;
  TBackendEvent out;
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
}

void TSdl2Backend::DispatchButton(const SDL_Event& event, const TEventSink& sink) {
  const uint8_t sdlButton = event.button.button;
  if (sdlButton != SDL_BUTTON_LEFT && sdlButton != SDL_BUTTON_RIGHT && sdlButton != SDL_BUTTON_MIDDLE) return;
  TBackendEvent out;
  out.Button = ButtonFromSdl(sdlButton);
  out.X = FRawButtonValid ? FRawButton.X : Down(event.button.x);
  out.Y = FRawButtonValid ? FRawButton.Y : Down(event.button.y);
  FRawButtonValid = false;
  const uint8_t bit = static_cast<uint8_t>(1u << ShiftItemOf(out.Button));
  if (event.type == SDL_MOUSEBUTTONDOWN) {
    FButtons |= bit;
    // Every second press of a quick series is a double-click, as on the classic desktop: a third
    // press starts over with a plain press.
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
}

void TSdl2Backend::DispatchWheel(const SDL_Event& event, const TEventSink& sink) {
  int y = event.wheel.y;
  if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
  if (y == 0) return;
  TBackendEvent out;
  out.Kind = TBackendEventKind::Wheel;
  out.WheelDelta = y * 120;
  SDL_GetMouseState(&out.X, &out.Y);
  out.X = Down(out.X);
  out.Y = Down(out.Y);
  if (FRawButtonValid) out.X = FRawButton.X, out.Y = FRawButton.Y;
  FRawButtonValid = false;
  out.Shift = CurrentShift();
  sink(out);
}

void TSdl2Backend::DispatchKey(const SDL_Event& event, const TEventSink& sink) {
  TBackendEvent out;
  const uint16_t key = VirtualKeyFromSdl(event.key.keysym.sym);
  out.Shift = ShiftFromMods(event.key.keysym.mod) | TShiftState::FromBits(FButtons);
  if (key != 0) {
    out.Kind = event.type == SDL_KEYDOWN ? TBackendEventKind::KeyDown : TBackendEventKind::KeyUp;
    out.Key = key;
    out.Repeat = event.type == SDL_KEYDOWN && event.key.repeat != 0;
    sink(out);
  }
  // Keys that type a control character get no text event from SDL, so the character follows its
  // key-down here. Space and printable keys arrive as text.
  if (event.type == SDL_KEYDOWN) {
    if (const uint32_t c = ControlCharFromSdl(event.key.keysym.sym); c != 0) {
      out.Kind = TBackendEventKind::Char;
      out.Key = 0;
      out.Repeat = false;
      out.Char = c;
      sink(out);
    }
  }
}
