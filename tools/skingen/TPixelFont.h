// SPDX-License-Identifier: MIT
// mira.nol skin generator: a tiny five-pixel-high capital font for the labels printed on the skin.
#pragma once

#include <string_view>

#include "TArtImage.h"

// The letters are designed on a pixel grid rather than rendered from an outline font, so they stay
// crisp at five pixels and look the same on every machine that regenerates the art.
class TPixelFont {
public:
  static constexpr int kHeight = 5;

  // Width of text in pixels at the given scale, with one column (times scale) between letters.
  static int TextWidth(std::string_view text, int scale = 1, int spacing = 1);
  // Paints text with its top-left corner at (x, y); every set font pixel becomes a scale x scale block.
  static void Draw(TArtImage& image, int x, int y, std::string_view text, TRgb colour, int scale = 1, int spacing = 1,
                   float opacity = 1.0f);

  // The same letters at a larger scale as rounded strokes joining neighbouring pixels, for titles.
  static void DrawStroked(TArtImage& image, float x, float y, std::string_view text, TRgb colour, float scale,
                          float strokeWidth, float opacity = 1.0f);

private:
  static const char* const* Glyph(char c);
};
