// SPDX-License-Identifier: MIT
// Colour words: red-green-blue with red in the lowest byte, or a reference to a system colour.
#pragma once

#include <cstddef>
#include <cstdint>

// A colour word. Either red + 256 * green + 65536 * blue (top byte 0), or a system-colour reference:
// top bit set, the system colour's index in the low byte. A 32-bit bitmap pixel is such a word with
// the top byte 0, so a pixel read back compares equal to the colour that was written.
using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

// System-colour references into the classic desktop palette (see ColorToRGB).
inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clScrollBar = 0x80000000;
inline constexpr TColor clBackground = 0x80000001;
inline constexpr TColor clActiveCaption = 0x80000002;
inline constexpr TColor clInactiveCaption = 0x80000003;
inline constexpr TColor clMenu = 0x80000004;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowFrame = 0x80000006;
inline constexpr TColor clMenuText = 0x80000007;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clCaptionText = 0x80000009;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clHighlightText = 0x8000000E;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clGrayText = 0x80000011;
inline constexpr TColor clBtnText = 0x80000012;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor clInfoText = 0x80000017;
inline constexpr TColor clInfoBk = 0x80000018;

// "No colour" (an image list without background colour, for example) and "the default colour".
// Neither is a system reference and neither ever equals a pixel.
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// What a pixel read outside a bitmap or outside the clip rectangle returns. A pixel always has a
// top byte of 0, so this value equals no colour that can be read from inside.
inline constexpr TColor clInvalid = 0xFFFFFFFF;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) { return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16); }
constexpr uint8_t GetRValue(TColor c) { return uint8_t(c); }
constexpr uint8_t GetGValue(TColor c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(TColor c) { return uint8_t(c >> 16); }

constexpr bool IsSystemColor(TColor c) { return (c & clSystemColor) != 0; }

// The red-green-blue value of system colour `index` in the classic desktop palette. Indices past the
// table (31 and up) give black.
TColor GetSysColor(int index);

// Resolves a system-colour reference through the palette; any other value is returned unchanged.
// Call it before doing arithmetic on a colour or comparing it with a pixel.
TColor ColorToRGB(TColor c);

// A colour word with red and blue swapped (0x00RRGGBB), the order of the usual X visual.
constexpr uint32_t AsRedHigh(uint32_t c) { return (c & 0xFF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16); }

// Copies `count` colour words as AsRedHigh words, several at a time (eight where the processor
// has 32-byte registers).
void CopyAsRedHighWords(uint32_t* dst, const uint32_t* src, size_t count);
