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

// The X window SDL currently draws `window` into, or 0 when the video driver is not X11.
unsigned long X11WindowOf(SDL_Window* window);

// Puts `rects` (window coordinates; std::nullopt removes the outline) on the X window of `window`
// with the SHAPE extension. Returns the X window it shaped, or 0 if there was none.
unsigned long ApplyX11Shape(SDL_Window* window, const std::optional<std::vector<TRect>>& rects);
