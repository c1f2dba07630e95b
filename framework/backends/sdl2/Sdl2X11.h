// mira.nol — licensed under the terms in the LICENSE file.
// The X11 side of the SDL2 window: which X window SDL uses, and its outline through SHAPE.
//
// Kept apart from the SDL code because Xlib's headers define macros (FocusIn, None, Status, ...)
// that collide with the framework's own names.
#pragma once

#include <optional>
#include <vector>

#include "graphics/TRect.h"

struct SDL_Window;
struct SDL_SysWMmsg;

// A pointer event as the X server reported it, before SDL's own processing.
struct TX11PointerEvent {
  enum TKind { None, Motion, Button } Kind = None;
  int X = 0;  // window coordinates at the moment of the event
  int Y = 0;
};

// Reads a raw X event that SDL passed on (SDL_SYSWMEVENT): pointer motion and button presses or
// releases on `window`. Everything else gives Kind None.
TX11PointerEvent X11PointerEventOf(const SDL_SysWMmsg* message, unsigned long window);

// The X window SDL currently draws `window` into, or 0 when the video driver is not X11.
unsigned long X11WindowOf(SDL_Window* window);

// The pointer's position on the screen of `window`, asked of the X server now. False when the
// video driver is not X11.
bool X11PointerPos(SDL_Window* window, int& x, int& y);

// Puts `rects` (window coordinates; std::nullopt removes the outline) on the X window of `window`
// with the SHAPE extension. Returns the X window it shaped, or 0 if there was none.
unsigned long ApplyX11Shape(SDL_Window* window, const std::optional<std::vector<TRect>>& rects);
