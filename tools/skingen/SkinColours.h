// SPDX-License-Identifier: MIT
// mira.nol skin generator: the palette of the skin.
#pragma once

#include "TArtImage.h"

namespace SkinColours {
// The accent is the colour of the window's texts, so labels and art belong together.
inline TRgb Orange() { return Rgb255(255, 114, 0); }
inline TRgb Amber() { return Rgb255(255, 174, 0); }
inline TRgb Hot() { return Rgb255(255, 226, 150); }
// The caption's background; the other displays share it.
inline TRgb Display() { return Rgb255(17, 26, 32); }
inline TRgb PanelTop() { return Rgb255(58, 63, 72); }
inline TRgb PanelBottom() { return Rgb255(27, 30, 36); }
inline TRgb Trough() { return Rgb255(9, 11, 14); }
inline TRgb KeyFace() { return Rgb255(66, 71, 80); }
inline TRgb GlyphUnlit() { return Rgb255(160, 166, 176); }
inline TRgb GlyphLit() { return Rgb255(255, 168, 48); }
inline TRgb White() { return Rgb255(255, 255, 255); }
}  // namespace SkinColours
