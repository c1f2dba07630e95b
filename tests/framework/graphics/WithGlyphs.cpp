// SPDX-License-Identifier: MIT
// The graphics suites draw text with the program's glyph renderer, installed before any test runs.
#include "Sdl2FontEngine.h"

namespace {
const bool kInstalled = (SetFontEngine(&Sdl2FontEngine()), true);
}  // namespace
