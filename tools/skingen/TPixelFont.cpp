// SPDX-License-Identifier: MIT
// mira.nol skin generator: a tiny five-pixel-high capital font for the labels printed on the skin.
#include "TPixelFont.h"

#include <cstring>

namespace {

struct TGlyphDef {
  char Letter;
  const char* Rows[TPixelFont::kHeight];
};

// '#' is a lit pixel. Rows of one glyph share one width.
const TGlyphDef kGlyphs[] = {
    {'A', {".##.", "#..#", "####", "#..#", "#..#"}},
    {'B', {"###.", "#..#", "###.", "#..#", "###."}},
    {'C', {".###", "#...", "#...", "#...", ".###"}},
    {'D', {"###.", "#..#", "#..#", "#..#", "###."}},
    {'E', {"####", "#...", "###.", "#...", "####"}},
    {'F', {"####", "#...", "###.", "#...", "#..."}},
    {'G', {".###", "#...", "#.##", "#..#", ".###"}},
    {'H', {"#..#", "#..#", "####", "#..#", "#..#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}},
    {'K', {"#..#", "#.#.", "##..", "#.#.", "#..#"}},
    {'L', {"#...", "#...", "#...", "#...", "####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    {'O', {".##.", "#..#", "#..#", "#..#", ".##."}},
    {'P', {"###.", "#..#", "###.", "#...", "#..."}},
    {'Q', {".##.", "#..#", "#..#", "#.#.", ".#.#"}},
    {'R', {"###.", "#..#", "###.", "#.#.", "#..#"}},
    {'S', {".###", "#...", ".##.", "...#", "###."}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {'U', {"#..#", "#..#", "#..#", "#..#", ".##."}},
    {'V', {"#...#", "#...#", ".#.#.", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#..#", "#..#", ".##.", "#..#", "#..#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
    {'0', {".##.", "#..#", "#..#", "#..#", ".##."}},
    {'1', {".#", "##", ".#", ".#", ".#"}},
    {'.', {".", ".", ".", ".", "#"}},
    {' ', {"..", "..", "..", "..", ".."}},
    {'-', {"...", "...", "###", "...", "..."}},
};

}  // namespace

const char* const* TPixelFont::Glyph(char c) {
  for (const TGlyphDef& g : kGlyphs)
    if (g.Letter == c)
      return g.Rows;
  return nullptr;
}

int TPixelFont::TextWidth(std::string_view text, int scale, int spacing) {
  int width = 0;
  for (char c : text) {
    const char* const* rows = Glyph(c);
    if (!rows)
      continue;
    if (width > 0)
      width += spacing * scale;
    width += static_cast<int>(std::strlen(rows[0])) * scale;
  }
  return width;
}

void TPixelFont::Draw(TArtImage& image, int x, int y, std::string_view text, TRgb colour, int scale, int spacing,
                      float opacity) {
  int pen = x;
  bool first = true;
  for (char c : text) {
    const char* const* rows = Glyph(c);
    if (!rows)
      continue;
    if (!first)
      pen += spacing * scale;
    first = false;
    const int w = static_cast<int>(std::strlen(rows[0]));
    for (int r = 0; r < kHeight; ++r)
      for (int col = 0; col < w; ++col)
        if (rows[r][col] == '#')
          for (int sy = 0; sy < scale; ++sy)
            for (int sx = 0; sx < scale; ++sx)
              image.Blend(pen + col * scale + sx, y + r * scale + sy, colour, opacity);
    pen += w * scale;
  }
}
