// SPDX-License-Identifier: MIT
// How a canvas fills areas: a solid colour, a pattern bitmap, or nothing.
#pragma once

#include <memory>

#include "graphics/TBitmap.h"
#include "graphics/TColor.h"

enum class TBrushStyle : uint8_t { bsSolid, bsClear };
using enum TBrushStyle;

class TBrush {
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color) { FColor = color; }

  // bsClear fills nothing; text then goes out without a background.
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style) { FStyle = style; }

  // A pattern brush: while set, fills take the pattern's pixels instead of Color, tiled from the
  // canvas origin, so canvas pixel (x, y) shows pattern pixel (x mod width, y mod height) wherever
  // the fill starts. The brush keeps its own copy of the picture; nullptr (or an empty bitmap)
  // returns to the solid colour. Setting a pattern makes the style bsSolid.
  const TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(const TBitmap* pattern) {
    if (pattern && !pattern->Empty()) {
      auto copy = std::make_shared<TBitmap>(*pattern);
      copy->SetPixelFormat(pf32bit);
      FBitmap = std::move(copy);
      FStyle = bsSolid;
    } else {
      FBitmap.reset();
    }
  }

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  std::shared_ptr<const TBitmap> FBitmap;
};
