// SPDX-License-Identifier: MIT
// What the graphics core needs from a glyph renderer: faces opened from font files, measured and drawn.
#pragma once

#include <string>

#include "graphics/TFont.h"

// A face opened at one pixel size. Only the engine that opened it knows what it holds.
struct TFontFace;

// The graphics core finds font files itself (through the system's font configuration) and asks the
// engine only to open them and to measure and draw text with them. The program's engine is the
// SDL2 backend's (Sdl2FontEngine); a backend installs it when it is made. Calls come one at a
// time, under the graphics core's own font lock, from any thread.
class TFontEngine {
public:
  virtual ~TFontEngine() = default;

  // Opens face `index` of `file` at an em height of `emPixels` pixels, hinted to whole pixels, with
  // the styles of `synthesized` drawn by the renderer itself (no such cut is installed). The engine
  // keeps the face until the process ends. Null when the file cannot be opened.
  virtual TFontFace* OpenFace(const std::string& file, int index, int emPixels, TFontStyles synthesized) = 0;
  // The height of every line of text in the face: ascent plus descent, in pixels.
  virtual int CellHeight(TFontFace* face) = 0;
  // The width of a line of UTF-8 text in pixels; 0 when it cannot be measured.
  virtual int TextWidth(TFontFace* face, const std::string& utf8) = 0;
  // The coverage of a line of UTF-8 text, without grey edges; empty when it cannot be drawn.
  virtual TTextMask Render(TFontFace* face, const std::string& utf8) = 0;
};

// The engine every TFont draws with from now on. Without one (as at start), text measures 0 and
// draws nothing, as on a system without any font. Faces opened by an earlier engine stay in use.
void SetFontEngine(TFontEngine* engine);
