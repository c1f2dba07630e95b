// SPDX-License-Identifier: MIT
// The SDL2 backend's message box: a small modal window of its own, drawn by the framework.
//
// It runs on the calling thread, in this process: nothing is forked, so a box can neither hang in
// a child of a threaded process nor outlive the program. The box keeps the program's own rules
// for an end: a signal asking the program to end, or the loss of the display, closes it.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "MessageBoxPicture.h"
#include "Sdl2Backend.h"
#include "Sdl2X11.h"

namespace {

// The widest a line of text runs before it wraps.
constexpr int kMaxTextWidth = 480;
// How long the box waits for an event before it looks again whether the program must end.
constexpr int kLookMs = 50;

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// Where the pointer is on the box now, asked of the X server: SDL's position for a button event
// is the last motion it handled, which can lag behind a quick move onto the button and a click.
TPoint PointerOn(SDL_Window* box, int sdlX, int sdlY) {
  TPoint screen;
  if (!X11PointerPos(box, screen.X, screen.Y)) return {sdlX, sdlY};
  TPoint origin;
  SDL_GetWindowPosition(box, &origin.X, &origin.Y);
  return {screen.X - origin.X, screen.Y - origin.Y};
}

void Paint(SDL_Window* box, const TBitmap& picture) {
  SDL_Surface* surface = SDL_GetWindowSurface(box);
  if (!surface) return;
  const bool mustLock = SDL_MUSTLOCK(surface);
  if (mustLock && SDL_LockSurface(surface) != 0) return;
  const int w = std::min(picture.Width(), surface->w);
  const int h = std::min(picture.Height(), surface->h);
  // Colour words hold red in the lowest byte.
  SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_XBGR8888, picture.Pixels(), picture.Width() * 4, surface->format->format,
                    surface->pixels, surface->pitch);
  if (mustLock) SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurface(box);
}

}  // namespace

void TSdl2Backend::ShowMessageBox(const std::string& title, const std::string& text) {
  // A pointer still held by the window (a handler that failed during a drag) would keep every
  // click away from the box's OK button.
  SDL_CaptureMouse(SDL_FALSE);
  // Parts put up since the last wait go out now, not after the box is closed.
  SendUnsent();
  if (MustReturn()) return;

  TMessageBoxPicture picture(text, kMaxTextWidth);
  const int display = FWindow ? std::max(0, SDL_GetWindowDisplayIndex(FWindow)) : 0;
  SDL_Window* box = SDL_CreateWindow(title.c_str(), static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                                     static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)), picture.Width(),
                                     picture.Height(), SDL_WINDOW_HIDDEN);
  // The surface first: asking for it may make SDL replace the X window.
  if (!box || !SDL_GetWindowSurface(box)) {
    if (box) SDL_DestroyWindow(box);
    // Without a box the message must still reach the user somewhere.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    return;
  }
  X11MakeDialog(box, FWindow);
  const uint32_t boxId = SDL_GetWindowID(box);
  // Buttons held on the form's window when the box opened are let go of there once it closes,
  // since their releases go to the box.
  const uint8_t held = FButtons;
  SDL_ShowWindow(box);
  SDL_RaiseWindow(box);

  bool pressed = false;   // the OK button looks held down
  bool tracking = false;  // the left button went down on OK and is still held
  bool done = false;
  Paint(box, picture.Draw(pressed));
  auto press = [&](bool now) {
    if (now == pressed) return;
    pressed = now;
    Paint(box, picture.Draw(pressed));
  };

  while (!done && !MustReturn()) {
    // The form's window goes on showing what other threads draw into it.
    PresentPendingCopies();
    SendUnsent();
    // The watched descriptor is served while the box is up too; whoever watches it knows that a
    // box is up (TApplication::InMessageBox) and keeps the player's state as it is.
    ServeWatch();
    SDL_Event event;
    if (!SDL_WaitEventTimeout(&event, kLookMs)) continue;
    do {
      const SDL_Event& e = event;
      switch (e.type) {
        case SDL_WINDOWEVENT:
          if (e.window.windowID != boxId) {
            HoldForLater(e);
          } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
            done = true;
          } else if (e.window.event == SDL_WINDOWEVENT_SHOWN) {
            // Keys go to the box while it is up.
            SDL_SetWindowInputFocus(box);
            Paint(box, picture.Draw(pressed));
          } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
            Paint(box, picture.Draw(pressed));
          }
          break;
        case SDL_KEYDOWN:
          // The box is modal: every key is for it, whichever window the server gave it to.
          if (e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER || e.key.keysym.sym == SDLK_ESCAPE)
            done = true;
          else if (e.key.keysym.sym == SDLK_SPACE)
            press(true);
          break;
        case SDL_KEYUP:
          if (e.key.keysym.sym == SDLK_SPACE && pressed) done = true;
          break;
        case SDL_MOUSEBUTTONDOWN:
          if (e.button.windowID == boxId && e.button.button == SDL_BUTTON_LEFT) {
            const TPoint at = PointerOn(box, e.button.x, e.button.y);
            if (Inside(picture.ButtonRect(), at.X, at.Y)) {
              tracking = true;
              press(true);
            }
          }
          break;
        case SDL_MOUSEMOTION:
          if (tracking && e.motion.windowID == boxId) press(Inside(picture.ButtonRect(), e.motion.x, e.motion.y));
          break;
        case SDL_MOUSEBUTTONUP:
          if (tracking && e.button.button == SDL_BUTTON_LEFT) {
            tracking = false;
            const TPoint at = PointerOn(box, e.button.x, e.button.y);
            done = Inside(picture.ButtonRect(), at.X, at.Y);
            press(false);
          }
          break;
        case SDL_SYSWMEVENT:
          // Another client destroyed the box (nothing left to answer) or the form's window (the
          // program ends once the box is gone, as after a close).
          if (X11WindowDestroyed(e.syswm.msg, X11WindowOf(box))) done = true;
          if (X11WindowDestroyed(e.syswm.msg, FXWindow)) {
            SDL_Event close{};
            close.type = SDL_WINDOWEVENT;
            close.window.windowID = FWindowId;
            close.window.event = SDL_WINDOWEVENT_CLOSE;
            FHeldEvents.push_back(close);
          }
          break;
        default: HoldForLater(e); break;
      }
    } while (!done && SDL_PollEvent(&event));
  }
  // On a lost connection SDL would wait for ever for the server to confirm (see ~TSdl2Backend).
  if (!ConnectionLost()) SDL_DestroyWindow(box);
  if (held != 0 && FWindow) {
    SDL_Event up{};
    up.type = SDL_MOUSEBUTTONUP;
    up.button.windowID = FWindowId;
    SDL_GetMouseState(&up.button.x, &up.button.y);
    const std::pair<uint8_t, TShiftStateItem> buttons[] = {
        {SDL_BUTTON_LEFT, ssLeft}, {SDL_BUTTON_RIGHT, ssRight}, {SDL_BUTTON_MIDDLE, ssMiddle}};
    for (const auto& [button, item] : buttons) {
      up.button.button = button;
      if (held & (1u << item)) FHeldEvents.push_back(up);
    }
  }
}

void TSdl2Backend::HoldForLater(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      if (event.window.windowID != FWindowId || !FWindow) return;
      if (event.window.event == SDL_WINDOWEVENT_SHOWN || event.window.event == SDL_WINDOWEVENT_EXPOSED) {
        // The window surface still holds every pixel: the form's window is redrawn at once.
        RefreshXWindow();
        ApplyShape(false);
        ShowAll();
      } else {
        FHeldEvents.push_back(event);
      }
      return;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
      // The box is modal: the form's window takes no input while it is up.
      return;
    case SDL_DROPBEGIN:
    case SDL_DROPCOMPLETE:
      // Nor drops, on it or on the box: what was dropped is forgotten.
      FDrop = TBackendEvent();
      return;
    case SDL_DROPFILE:
    case SDL_DROPTEXT: SDL_free(event.drop.file); return;
    default:
      if (event.type == FWakeEventType) FWakePending = false;
      return;
  }
}
