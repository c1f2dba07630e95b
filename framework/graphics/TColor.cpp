// SPDX-License-Identifier: MIT
// The classic desktop palette behind system-colour references.
#include "graphics/TColor.h"

#include <cstring>

#include <array>
#include <cstddef>

namespace {

// The classic grey desktop scheme, by system-colour index.
constexpr std::array<TColor, 31> kSystemColors = {
    RGB(192, 192, 192),  //  0 scroll bar
    RGB(0, 128, 128),    //  1 desktop background
    RGB(0, 0, 128),      //  2 active caption
    RGB(128, 128, 128),  //  3 inactive caption
    RGB(192, 192, 192),  //  4 menu
    RGB(255, 255, 255),  //  5 window
    RGB(0, 0, 0),        //  6 window frame
    RGB(0, 0, 0),        //  7 menu text
    RGB(0, 0, 0),        //  8 window text
    RGB(255, 255, 255),  //  9 caption text
    RGB(192, 192, 192),  // 10 active border
    RGB(192, 192, 192),  // 11 inactive border
    RGB(128, 128, 128),  // 12 application workspace
    RGB(0, 0, 128),      // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(192, 192, 192),  // 15 button face
    RGB(128, 128, 128),  // 16 button shadow
    RGB(128, 128, 128),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(192, 192, 192),  // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(0, 0, 0),        // 21 3-D dark shadow
    RGB(223, 223, 223),  // 22 3-D light
    RGB(0, 0, 0),        // 23 tooltip text
    RGB(255, 255, 225),  // 24 tooltip background
    RGB(192, 192, 192),  // 25 (unused slot)
    RGB(0, 0, 255),      // 26 hot-tracked item
    RGB(16, 132, 208),   // 27 active caption gradient
    RGB(181, 181, 181),  // 28 inactive caption gradient
    RGB(0, 0, 128),      // 29 menu highlight
    RGB(192, 192, 192),  // 30 menu bar
};

}  // namespace

TColor GetSysColor(int index) {
  if (index < 0 || index >= int(kSystemColors.size())) return clBlack;
  return kSystemColors[std::size_t(index)];
}

TColor ColorToRGB(TColor c) {
  if (IsSystemColor(c)) return GetSysColor(int(c & 0xFF));
  return c;
}

namespace {

// Four words at a time with the baseline's 16-byte registers.
void CopyAsRedHighNarrow(uint32_t* dst, const uint32_t* src, size_t count) {
  using TWords = uint32_t __attribute__((vector_size(16)));
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    TWords c;
    std::memcpy(&c, src + i, sizeof c);
    const TWords out = (c & 0xFF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
    std::memcpy(dst + i, &out, sizeof out);
  }
  for (; i < count; ++i) dst[i] = AsRedHigh(src[i]);
}

// Eight words at a time, each reordered by one byte shuffle and its top byte cleared: a third of
// the instructions of the narrow copy, which matters as every changed part of the window goes
// through here on its way to the X server.
__attribute__((target("avx2"))) void CopyAsRedHighWide(uint32_t* dst, const uint32_t* src, size_t count) {
  using TBytes = uint8_t __attribute__((vector_size(32)));
  constexpr TBytes kOrder = {2,  1,  0,  3,  6,  5,  4,  7,  10, 9,  8,  11, 14, 13, 12, 15,
                             18, 17, 16, 19, 22, 21, 20, 23, 26, 25, 24, 27, 30, 29, 28, 31};
  constexpr TBytes kKept = {0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0,
                            0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0};
  if (count < 8) {
    for (size_t i = 0; i < count; ++i) dst[i] = AsRedHigh(src[i]);
    return;
  }
  auto eight = [&](size_t i) {
    TBytes c;
    std::memcpy(&c, src + i, sizeof c);
    const TBytes out = __builtin_shuffle(c, kOrder) & kKept;
    std::memcpy(dst + i, &out, sizeof out);
  };
  for (size_t i = 0; i + 8 <= count; i += 8) eight(i);
  // The last eight words once more instead of a word at a time: those already written get the same
  // values again, as the two ranges do not overlap.
  if (count % 8 != 0) eight(count - 8);
}

}  // namespace

void CopyAsRedHighWords(uint32_t* dst, const uint32_t* src, size_t count) {
  static const bool wide = __builtin_cpu_supports("avx2");
  if (wide)
    CopyAsRedHighWide(dst, src, count);
  else
    CopyAsRedHighNarrow(dst, src, count);
}
