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
#include "WindowScale.h"

namespace {

// The widest a line of text runs before it wraps.
constexpr int kMaxTextWidth = 480;
// How long the box waits for an event before it looks again whether the program must end.
constexpr int kLookMs = 50;

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// A screen distance on a box whose pixels are `scale` screen pixels wide, in the box's pixels;
// left of or above the box stays outside it.
int Down(int screen, int scale) { return screen >= 0 ? screen / scale : -((-screen + scale - 1) / scale); }

// Where the pointer is on the box now, asked of the X server: SDL's position for a button event
// is the last motion it handled, which can lag behind a quick move onto the button and a click.
TPoint PointerOn(SDL_Window* box, int sdlX, int sdlY, int scale) {
  TPoint screen;
  if (!X11PointerPos(box, screen.X, screen.Y)) return {Down(sdlX, scale), Down(sdlY, scale)};
  TPoint origin;
  SDL_GetWindowPosition(box, &origin.X, &origin.Y);
  return {Down(screen.X - origin.X, scale), Down(screen.Y - origin.Y, scale)};
}

// The picture with each pixel as a `scale` x `scale` block, and its text drawn at that size.
TBitmap Enlarged(const TBitmap& picture, int scale) {
  TBitmap out(picture.Width() * scale, picture.Height() * scale);
  if (!out.Empty()) picture.Enlarge(picture.ClientRect(), scale, out.Pixels(), size_t(out.Width()));
  return out;
}

// Text drawn while the box is up is drawn at the box's scale, which may be smaller than the
// window's where the box would not fit the screen.
class TDetailScaleFor {
public:
  explicit TDetailScaleFor(int scale) : FBefore(TBitmap::DetailScale()) { TBitmap::SetDetailScale(scale); }
  ~TDetailScaleFor() { TBitmap::SetDetailScale(FBefore); }
  TDetailScaleFor(const TDetailScaleFor&) = delete;
  TDetailScaleFor& operator=(const TDetailScaleFor&) = delete;

private:
  int FBefore;
};

void Paint(SDL_Window* box, const TBitmap& unscaled, int scale) {
  const TBitmap enlarged = scale > 1 ? Enlarged(unscaled, scale) : TBitmap();
  const TBitmap& picture = scale > 1 ? enlarged : unscaled;
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

// The box on the screen and the state of its OK button. On the screen each of its pixels is a
// `scale` x `scale` block, as the form's window's are.
class TBox {
public:
  TBox(const std::string& text, int scale) : FPicture(text, kMaxTextWidth), FScale(scale) {}
  TBox(const TBox&) = delete;
  TBox& operator=(const TBox&) = delete;

  int Width() const { return FPicture.Width(); }
  int Height() const { return FPicture.Height(); }
  void Show(SDL_Window* window) {
    FWindow = window;
    SDL_ShowWindow(FWindow);
    SDL_RaiseWindow(FWindow);
    Paint(FWindow, FPicture.Draw(FPressed), FScale);
  }

  enum class TAnswer : uint8_t { Carry, Done, NotMine };
  // What one event means for the box: the box answered (Done), or goes on (Carry); or the event
  // is for some other window (NotMine).
  TAnswer Handle(const SDL_Event& e) {
    const uint32_t id = SDL_GetWindowID(FWindow);
    switch (e.type) {
      case SDL_WINDOWEVENT:
        if (e.window.windowID != id) return TAnswer::NotMine;
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) return TAnswer::Done;
        // Keys go to the box while it is up.
        if (e.window.event == SDL_WINDOWEVENT_SHOWN) SDL_SetWindowInputFocus(FWindow);
        if (e.window.event == SDL_WINDOWEVENT_SHOWN || e.window.event == SDL_WINDOWEVENT_EXPOSED)
          Paint(FWindow, FPicture.Draw(FPressed), FScale);
        return TAnswer::Carry;
      case SDL_KEYDOWN: {
        // The box is modal: every key is for it, whichever window the server gave it to.
        const SDL_Keycode key = e.key.keysym.sym;
        if (key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_ESCAPE) return TAnswer::Done;
        if (key == SDLK_SPACE) Press(true);
        return TAnswer::Carry;
      }
      case SDL_KEYUP: return e.key.keysym.sym == SDLK_SPACE && FPressed ? TAnswer::Done : TAnswer::Carry;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.windowID == id && e.button.button == SDL_BUTTON_LEFT && OnButton(e.button.x, e.button.y)) {
          FTracking = true;
          Press(true);
        }
        return TAnswer::Carry;
      case SDL_MOUSEMOTION:
        if (FTracking && e.motion.windowID == id)
          Press(Inside(FPicture.ButtonRect(), Down(e.motion.x, FScale), Down(e.motion.y, FScale)));
        return TAnswer::Carry;
      case SDL_MOUSEBUTTONUP: {
        if (!FTracking || e.button.button != SDL_BUTTON_LEFT) return TAnswer::Carry;
        FTracking = false;
        const bool done = OnButton(e.button.x, e.button.y);
        Press(false);
        return done ? TAnswer::Done : TAnswer::Carry;
      }
      case SDL_SYSWMEVENT:
        // Another client destroyed the box: nothing is left to answer.
        return X11WindowDestroyed(e.syswm.msg, X11WindowOf(FWindow)) ? TAnswer::Done : TAnswer::NotMine;
      default: return TAnswer::NotMine;
    }
  }

private:
  SDL_Window* FWindow = nullptr;
  TMessageBoxPicture FPicture;
  int FScale = 1;
  bool FPressed = false;   // the OK button looks held down
  bool FTracking = false;  // the left button went down on OK and is still held

  bool OnButton(int sdlX, int sdlY) const {
    const TPoint at = PointerOn(FWindow, sdlX, sdlY, FScale);
    return Inside(FPicture.ButtonRect(), at.X, at.Y);
  }
  void Press(bool now) {
    if (now == FPressed) return;
    FPressed = now;
    Paint(FWindow, FPicture.Draw(FPressed), FScale);
  }
};

}  // namespace

void TSdl2Backend::ShowMessageBox(const std::string& title, const std::string& text) {
  // A pointer still held by the window (a handler that failed during a drag) would keep every
  // click away from the box's OK button.
  SDL_CaptureMouse(SDL_FALSE);
  // Parts put up since the last wait go out now, not after the box is closed.
  SendUnsent();
  if (MustReturn()) return;

  const int display = FWindow ? std::max(0, SDL_GetWindowDisplayIndex(FWindow)) : 0;
  // The box has the window's scale, where it fits the screen with it.
  int scale = FScale;
  if (scale > 1 && !FScaleExplicit) {
    const TMessageBoxPicture measured(text, kMaxTextWidth);
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(display, &bounds) == 0)
      scale = FitToScreen(scale, measured.Width(), measured.Height(), bounds.w, bounds.h);
  }
  const TDetailScaleFor detail(scale);
  TBox box(text, scale);
  SDL_Window* window = SDL_CreateWindow(title.c_str(), static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                                        static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)), box.Width() * scale,
                                        box.Height() * scale, SDL_WINDOW_HIDDEN);
  // The surface first: asking for it may make SDL replace the X window.
  if (!window || !SDL_GetWindowSurface(window)) {
    if (window) SDL_DestroyWindow(window);
    // Without a box the message must still reach the user somewhere.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    return;
  }
  X11MakeDialog(window, FWindow);
  // Buttons held on the form's window when the box opened are let go of there once it closes,
  // since their releases go to the box.
  const uint8_t held = FButtons;
  box.Show(window);

  bool done = false;
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
      const TBox::TAnswer answer = box.Handle(event);
      done = answer == TBox::TAnswer::Done;
      if (answer == TBox::TAnswer::NotMine) HoldForLater(event);
    } while (!done && SDL_PollEvent(&event));
  }
  // On a lost connection SDL would wait for ever for the server to confirm (see ~TSdl2Backend).
  if (!ConnectionLost()) SDL_DestroyWindow(window);
  if (held != 0 && FWindow) ReleaseHeldButtons(held);
}

void TSdl2Backend::ReleaseHeldButtons(uint8_t held) {
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
    case SDL_SYSWMEVENT:
      // Another client destroyed the form's window: the program ends once the box is gone, as
      // after a close.
      if (X11WindowDestroyed(event.syswm.msg, FXWindow)) {
        SDL_Event close{};
        close.type = SDL_WINDOWEVENT;
        close.window.windowID = FWindowId;
        close.window.event = SDL_WINDOWEVENT_CLOSE;
        FHeldEvents.push_back(close);
      }
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
