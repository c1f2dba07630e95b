// SPDX-License-Identifier: MIT
// The glyph renderer on SDL2_ttf: crisp text for the graphics core, on a window or in memory alike.
#pragma once

#include "graphics/TFontEngine.h"

// The one engine, alive until the process ends. It needs no window and no display: the headless
// backend and the graphics tests draw with it too, so they see exactly the text the program shows.
TFontEngine& Sdl2FontEngine();
