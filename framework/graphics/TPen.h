// SPDX-License-Identifier: MIT
// How a canvas draws lines and outlines: colour and style, always one pixel wide.
#pragma once

#include "graphics/TColor.h"

// psDash draws 18 pixels on, 6 off; psDot 3 on, 3 off; psClear draws nothing.
enum class TPenStyle : uint8_t { psSolid, psDash, psDot, psClear };
using enum TPenStyle;

class TPen {
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color) { FColor = color; }
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style) { FStyle = style; }

private:
  TColor FColor = clBlack;
  TPenStyle FStyle = psSolid;
};
