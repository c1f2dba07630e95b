// SPDX-License-Identifier: MIT
// The picture of a message box: its text and one OK button on the classic dialog face.
#pragma once

#include <string>
#include <vector>

#include "graphics/TBitmap.h"
#include "graphics/TFont.h"
#include "graphics/TRect.h"

// Lays the text out once (lines split at line ends, a line too wide for the box wrapped at its
// spaces) and draws the box at the size that fits it. Needs no window: the SDL2 backend shows the
// pixels, tests read them.
class TMessageBoxPicture {
public:
  // `maxTextWidth`: the widest a line of text may be, in pixels, before it wraps.
  TMessageBoxPicture(const std::string& text, int maxTextWidth);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Where the OK button lies, in the box's coordinates.
  TRect ButtonRect() const { return FButton; }
  const std::vector<std::string>& Lines() const { return FLines; }

  // Draws the box; `pressed` shows the button held down.
  const TBitmap& Draw(bool pressed);

  // The classic dialog's measures, in pixels.
  static constexpr int kMargin = 12;
  static constexpr int kButtonWidth = 75;
  static constexpr int kButtonHeight = 23;
  static constexpr int kMinWidth = 160;

private:
  TFont FFont;
  std::vector<std::string> FLines;
  int FLineHeight = 0;
  int FWidth = 0;
  int FHeight = 0;
  TRect FButton{};
  TBitmap FPicture;
};
