// SPDX-License-Identifier: MIT
// mira.nol skin generator: a tiny five-pixel-high capital font for the labels printed on the skin.
#include "TPixelFont.h"

#include <algorithm>
#include <cstring>
#include <vector>

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
    if (g.Letter == c) return g.Rows;
  return nullptr;
}

int TPixelFont::TextWidth(std::string_view text, int scale, int spacing) {
  int width = 0;
  for (char c : text) {
    const char* const* rows = Glyph(c);
    if (!rows) continue;
    if (width > 0) width += spacing * scale;
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
    if (!rows) continue;
    if (!first) pen += spacing * scale;
    first = false;
    const int w = static_cast<int>(std::strlen(rows[0]));
    for (int r = 0; r < kHeight; ++r)
      for (int col = 0; col < w; ++col)
        if (rows[r][col] == '#')
          for (int sy = 0; sy < scale; ++sy)
            for (int sx = 0; sx < scale; ++sx) image.Blend(pen + col * scale + sx, y + r * scale + sy, colour, opacity);
    pen += w * scale;
  }
}

void TPixelFont::DrawStroked(TArtImage& image, float x, float y, std::string_view text, TRgb colour, float scale,
                             float strokeWidth, float opacity) {
  // Gather every stroke of the text into one shape, so overlapping strokes are not painted twice.
  std::vector<TShape> strokes;
  float pen = x;
  for (char c : text) {
    const char* const* rows = Glyph(c);
    if (!rows) continue;
    const int w = static_cast<int>(std::strlen(rows[0]));
    auto lit = [&](int col, int row) {
      return col >= 0 && col < w && row >= 0 && row < kHeight && rows[row][col] == '#';
    };
    auto centre = [&](int col, int row) { return TVec{pen + (col + 0.5f) * scale, y + (row + 0.5f) * scale}; };
    for (int row = 0; row < kHeight; ++row)
      for (int col = 0; col < w; ++col) {
        if (!lit(col, row)) continue;
        const TVec a = centre(col, row);
        bool joined = false;
        // Join to the right and downwards, and diagonally where no straight path exists.
        const int steps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
        for (const auto& step : steps) {
          const int nc = col + step[0], nr = row + step[1];
          if (!lit(nc, nr)) continue;
          if (step[0] != 0 && step[1] != 0 && (lit(col + step[0], row) || lit(col, row + step[1]))) continue;
          const TVec b = centre(nc, nr);
          strokes.push_back(Shape::Capsule(a.X, a.Y, b.X, b.Y, strokeWidth / 2));
          joined = true;
        }
        if (!joined) strokes.push_back(Shape::Circle(a.X, a.Y, strokeWidth / 2));
      }
    pen += (w + 1) * scale;
  }
  const TShape all = [strokes](float px, float py) {
    float d = 1e30f;
    for (const TShape& s : strokes) d = std::min(d, s(px, py));
    return d;
  };
  image.FillShape(all, colour, opacity);
}
