// SPDX-License-Identifier: MIT
// Canvas drawing read back pixel by pixel: fills, pattern anchoring, lines, text, copies, clipping.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "graphics/TBitmap.h"
#include "graphics/TColor.h"
#include "graphics/TCanvas.h"

namespace {

TBitmap Filled(int w, int h, TColor c) {
  TBitmap b(w, h);
  b.Canvas().Brush().SetColor(c);
  b.Canvas().FillRect(b.ClientRect());
  return b;
}

int Count(const TBitmap& b, TColor c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) == c;
  return n;
}

// A 137 x 9 wedge-like pattern whose every column has its own colour.
TBitmap ColumnPattern() {
  TBitmap p(137, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 137; ++x) p.SetPixel(x, y, RGB(uint8_t(x), uint8_t(y), 200));
  return p;
}

}  // namespace

TEST(CanvasFill, pattern_brush_is_anchored_at_the_canvas_origin) {
  // The panning fill: white ground, then the columns between the middle and the knob from the
  // pattern. Whichever column a fill starts at, it shows the same column of the pattern.
  const TBitmap pattern = ColumnPattern();
  for (int w : {100, 30, 68}) {
    TBitmap bar = Filled(137, 9, clWhite);
    bar.Canvas().Brush().SetBitmap(&pattern);
    bar.Canvas().FillRect(Rect(std::min(68, w), 0, std::max(68, w), 9));
    for (int x = 0; x < 137; ++x) {
      const bool inFill = x >= std::min(68, w) && x < std::max(68, w);
      for (int y = 0; y < 9; ++y)
        ASSERT_EQ(bar.Pixel(x, y), inFill ? pattern.Pixel(x, y) : clWhite) << "w=" << w << " x=" << x;
    }
  }
  // Smaller than the area: tiled from the origin, also when the canvas origin is moved.
  TBitmap tile(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) tile.SetPixel(x, y, RGB(uint8_t(x), uint8_t(y), 1));
  TBitmap screen = Filled(20, 10, clBlack);
  screen.Canvas().SetOrigin({5, 3});
  screen.Canvas().Brush().SetBitmap(&tile);
  screen.Canvas().FillRect(Rect(-1, -1, 7, 4));
  for (int y = -1; y < 4; ++y)
    for (int x = -1; x < 7; ++x)
      EXPECT_EQ(screen.Canvas().Pixel(x, y), tile.Pixel(((x % 3) + 3) % 3, ((y % 2) + 2) % 2)) << x << "," << y;
  EXPECT_EQ(screen.Pixel(3, 1), clBlack);  // outside the fill
  screen.Canvas().Brush().SetBitmap(nullptr);
  screen.Canvas().Brush().SetColor(clRed);
  screen.Canvas().FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(screen.Pixel(5, 3), clRed);  // back to the solid colour
}

TEST(CanvasFill, clip_and_origin_confine_every_drawing) {
  TBitmap screen = Filled(30, 20, clBlack);
  TCanvas control(screen);  // a control at (10, 5), 8 x 6, painting in its own coordinates
  control.SetOrigin({10, 5});
  control.SetClipRect(Rect(0, 0, 8, 6));
  control.Brush().SetColor(clLime);
  control.FillRect(Rect(-100, -100, 100, 100));
  EXPECT_EQ(Count(screen, clLime), 48);
  EXPECT_EQ(screen.Pixel(10, 5), clLime);
  EXPECT_EQ(screen.Pixel(17, 10), clLime);
  EXPECT_EQ(screen.Pixel(18, 10), clBlack);
  control.Pen().SetColor(clRed);
  control.MoveTo(-5, 2);
  control.LineTo(50, 2);
  EXPECT_EQ(Count(screen, clRed), 8);
  control.SetPixel(8, 0, clWhite);
  EXPECT_EQ(Count(screen, clWhite), 0);
  EXPECT_EQ(control.Pixel(0, 0), clLime);
  EXPECT_EQ(control.Pixel(8, 0), clInvalid);  // outside the clip, though inside the bitmap
  EXPECT_EQ(control.Pixel(-1, 0), clInvalid);
  EXPECT_EQ(screen.Canvas().Pixel(18, 5), clBlack);  // the bitmap's own canvas is unclipped
  // A clear brush fills nothing.
  control.Brush().SetStyle(bsClear);
  control.FillRect(Rect(0, 0, 8, 6));
  EXPECT_EQ(Count(screen, clLime), 40);
}

TEST(CanvasLines, end_point_is_excluded_and_pen_moves_there) {
  TBitmap b = Filled(20, 20, clBlack);
  TCanvas& c = b.Canvas();
  c.Pen().SetColor(clWhite);
  c.MoveTo(2, 3);
  c.LineTo(7, 3);
  EXPECT_EQ(Count(b, clWhite), 5);
  EXPECT_EQ(b.Pixel(2, 3), clWhite);
  EXPECT_EQ(b.Pixel(6, 3), clWhite);
  EXPECT_EQ(b.Pixel(7, 3), clBlack);
  EXPECT_EQ(c.PenPos(), Point(7, 3));
  // A fade column: column i from row 0 to row Height, end row excluded.
  c.Pen().SetColor(clRed);
  c.MoveTo(10, 0);
  c.LineTo(10, 15);
  EXPECT_EQ(Count(b, clRed), 15);
  EXPECT_EQ(b.Pixel(10, 14), clRed);
  EXPECT_EQ(b.Pixel(10, 15), clBlack);
  // Diagonals, both directions.
  c.Pen().SetColor(clLime);
  c.MoveTo(19, 19);
  c.LineTo(15, 15);
  EXPECT_EQ(Count(b, clLime), 4);
  EXPECT_EQ(b.Pixel(16, 16), clLime);
  EXPECT_EQ(b.Pixel(15, 15), clBlack);
  // A line to its own start draws nothing.
  c.Pen().SetColor(clBlue);
  c.LineTo(15, 15);
  EXPECT_EQ(Count(b, clBlue), 0);
}

TEST(CanvasLines, dashed_and_clear_pens_and_rectangles) {
  TBitmap b = Filled(60, 10, clBlack);
  TCanvas& c = b.Canvas();
  c.Pen().SetColor(clWhite);
  c.Pen().SetStyle(psDash);
  c.MoveTo(0, 0);
  c.LineTo(60, 0);
  const int lit = Count(b, clWhite);
  EXPECT_GT(lit, 30);
  EXPECT_LT(lit, 60);
  EXPECT_EQ(b.Pixel(0, 0), clWhite);
  // Walking the same line backwards lights the mirrored pixels; a line far longer than the
  // bitmap costs only its visible part.
  TBitmap back = Filled(60, 10, clBlack);
  back.Canvas().Pen().SetColor(clWhite);
  back.Canvas().Pen().SetStyle(psDash);
  back.Canvas().MoveTo(59, 0);
  back.Canvas().LineTo(-1, 0);
  for (int x = 0; x < 60; ++x) ASSERT_EQ(back.Pixel(59 - x, 0), b.Pixel(x, 0)) << x;
  back.Canvas().Pen().SetStyle(psSolid);
  back.Canvas().MoveTo(5, -2000000000);
  back.Canvas().LineTo(5, 2000000000);
  back.Canvas().MoveTo(-2000000000, 9);
  back.Canvas().LineTo(2000000000, 9);
  EXPECT_EQ(back.Pixel(5, 4), clWhite);
  EXPECT_EQ(back.Pixel(59, 9), clWhite);
  c.Pen().SetStyle(psClear);
  c.MoveTo(0, 1);
  c.LineTo(60, 1);
  EXPECT_EQ(Count(b, clWhite), lit);

  TBitmap r = Filled(10, 10, clBlack);
  r.Canvas().Pen().SetColor(clRed);
  r.Canvas().Brush().SetColor(clLime);
  r.Canvas().Rectangle(Rect(1, 2, 6, 8));
  EXPECT_EQ(Count(r, clRed), 2 * 5 + 2 * 4);  // the outline on the outermost pixels
  EXPECT_EQ(Count(r, clLime), 3 * 4);
  EXPECT_EQ(r.Pixel(1, 2), clRed);
  EXPECT_EQ(r.Pixel(5, 7), clRed);
  EXPECT_EQ(r.Pixel(6, 7), clBlack);
  EXPECT_EQ(r.Pixel(2, 3), clLime);
  // A dashed outline with a clear brush leaves the inside alone: a design-time frame.
  TBitmap d = Filled(40, 30, clBlack);
  d.Canvas().Pen().SetStyle(psDash);
  d.Canvas().Pen().SetColor(clWhite);
  d.Canvas().Brush().SetStyle(bsClear);
  d.Canvas().Rectangle(d.ClientRect());
  EXPECT_EQ(d.Pixel(20, 15), clBlack);
  EXPECT_EQ(d.Pixel(0, 0), clWhite);
}

TEST(CanvasText, opaque_text_fills_its_extent_with_the_brush_colour) {
  const TColor ground = RGB(17, 26, 32), ink = RGB(255, 114, 0);
  TBitmap b = Filled(200, 30, clBlack);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Arial");
  c.Font().SetHeight(-11);
  c.Font().SetColor(ink);
  c.Brush().SetColor(ground);
  const std::string text = "mira.nol - code";
  const int w = c.TextWidth(text), h = c.TextHeight(text);
  ASSERT_GT(w, 40);
  ASSERT_GE(h, 11);
  c.TextOut(5, 4, text);
  std::set<TColor> colours;
  for (int y = 4; y < 4 + h; ++y)
    for (int x = 5; x < 5 + w; ++x) colours.insert(b.Pixel(x, y));
  // Crisp: exactly two colours inside the extent, no blend of them; black all around it.
  EXPECT_EQ(colours, (std::set<TColor>{ground, ink}));
  EXPECT_EQ(Count(b, clBlack), 200 * 30 - w * h);

  // Transparent text (clear brush) changes only its ink pixels.
  TBitmap t = Filled(200, 30, clBlack);
  t.Canvas().Font().Assign(c.Font());
  t.Canvas().Brush().SetStyle(bsClear);
  t.Canvas().TextOut(5, 4, text);
  EXPECT_EQ(Count(t, ink), Count(b, ink));
  EXPECT_EQ(Count(t, clBlack), 200 * 30 - Count(b, ink));
}

TEST(CanvasText, text_drawn_in_a_key_colour_makes_an_exact_stencil) {
  // A caption strip: background with glyphs in the key colour, drawn transparently over a backdrop
  // of the font colour. Only glyph pixels let the backdrop through.
  const TColor key = clGreen, ground = RGB(17, 26, 32), fontColour = RGB(255, 114, 0);
  TBitmap strip = Filled(120, 15, ground);
  strip.Canvas().Font().SetName("Arial Black");
  strip.Canvas().Font().SetHeight(-11);
  strip.Canvas().Font().SetColor(key);
  strip.Canvas().Brush().SetColor(ground);
  strip.Canvas().TextOut(10, 1, "varlo & tesko");
  const int holes = Count(strip, key);
  ASSERT_GT(holes, 50);
  EXPECT_EQ(holes + Count(strip, ground), 120 * 15);
  strip.SetTransparent(true);
  strip.SetTransparentColor(key);
  TBitmap frame = Filled(120, 15, fontColour);
  frame.Canvas().Draw(0, 0, strip);
  EXPECT_EQ(Count(frame, fontColour), holes);
}

TEST(CanvasCopy, draw_honours_transparency_and_key_draw_leaves_out_one_colour) {
  TBitmap knob(3, 2);
  knob.SetPixel(1, 0, clRed);
  knob.SetPixel(2, 1, clLime);  // bottom-left (0, 1) stays black: the transparent colour
  TBitmap screen = Filled(6, 4, clWhite);
  screen.Canvas().Draw(1, 1, knob);
  EXPECT_EQ(screen.Pixel(1, 1), clBlack);  // not transparent: everything copied
  screen = Filled(6, 4, clWhite);
  knob.SetTransparent(true);
  screen.Canvas().Draw(1, 1, knob);
  EXPECT_EQ(screen.Pixel(1, 1), clWhite);
  EXPECT_EQ(screen.Pixel(2, 1), clRed);
  EXPECT_EQ(screen.Pixel(3, 2), clLime);
  EXPECT_EQ(Count(screen, clWhite), 24 - 2);
  // One key colour, whatever the bitmap's own settings; partly off the left edge.
  screen = Filled(6, 4, clWhite);
  knob.SetTransparent(false);
  screen.Canvas().DrawTransparent(-1, 0, knob, clRed);
  EXPECT_EQ(screen.Pixel(0, 0), clWhite);  // the red pixel left out
  EXPECT_EQ(screen.Pixel(1, 1), clLime);
  EXPECT_EQ(screen.Pixel(0, 1), clBlack);
  EXPECT_EQ(Count(screen, clWhite), 24 - 3);
}

TEST(CanvasCopy, keyed_draw_matches_pixel_by_pixel_at_every_offset_and_clip) {
  // The keyed copy at the same size walks whole rows; it must keep to the clip, the target and the
  // source's own bounds exactly as a pixel-by-pixel copy does.
  TBitmap strip(9, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x) strip.SetPixel(x, y, (x + y) % 3 == 0 ? clRed : RGB(uint8_t(x), uint8_t(y), 9));
  for (int dx = -10; dx <= 8; ++dx) {
    for (int srcLeft = -2; srcLeft <= 3; ++srcLeft) {
      TBitmap screen = Filled(7, 5, clWhite);
      screen.Canvas().SetClipRect(Rect(1, 0, 6, 4));
      screen.Canvas().DrawTransparent(dx, 1, strip, Rect(srcLeft, 0, srcLeft + 8, 4), clRed);
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
          const int sx = srcLeft + x - dx, sy = y - 1;
          TColor want = clWhite;
          if (x >= 1 && x < 6 && y < 4 && sy >= 0 && x >= dx && x < dx + 8 && sx >= 0 && sx < 9 &&
              strip.Pixel(sx, sy) != clRed)
            want = strip.Pixel(sx, sy);
          ASSERT_EQ(screen.Pixel(x, y), want) << "dx " << dx << " srcLeft " << srcLeft << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(CanvasCopy, wide_keyed_draw_copies_every_pixel_but_the_key_and_reports_a_change_only_when_it_drew) {
  // Rows long enough to be copied several pixels at a time, with every length of the remainder.
  TBitmap strip(37, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 37; ++x) strip.SetPixel(x, y, (x * 7 + y) % 5 < 2 ? clGreen : RGB(uint8_t(x), uint8_t(y), 200));
  for (int width = 1; width <= 37; ++width) {
    TBitmap screen = Filled(40, 3, clWhite);
    screen.Canvas().DrawTransparent(2, 0, strip, Rect(0, 0, width, 3), clGreen);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 40; ++x) {
        const bool inside = x >= 2 && x < 2 + width;
        const TColor want = inside && strip.Pixel(x - 2, y) != clGreen ? strip.Pixel(x - 2, y) : clWhite;
        ASSERT_EQ(screen.Pixel(x, y), want) << "width " << width << " at " << x << "," << y;
      }
  }
  TBitmap screen = Filled(40, 3, clWhite);
  int changes = 0;
  screen.OnChange = [&] { ++changes; };
  TBitmap keyOnly = Filled(13, 3, clGreen);
  screen.Canvas().DrawTransparent(0, 0, keyOnly, keyOnly.ClientRect(), clGreen);
  EXPECT_EQ(changes, 0) << "nothing drawn, nothing changed";
  keyOnly.SetPixel(12, 2, clRed);  // the last pixel, in the remainder after whole groups of four
  screen.Canvas().DrawTransparent(0, 0, keyOnly, keyOnly.ClientRect(), clGreen);
  EXPECT_EQ(changes, 1);
  keyOnly.SetPixel(12, 2, clGreen);
  keyOnly.SetPixel(5, 1, clRed);  // inside a group of four
  screen.Canvas().DrawTransparent(0, 0, keyOnly, keyOnly.ClientRect(), clGreen);
  EXPECT_EQ(changes, 2);
}

TEST(CanvasCopy, stretch_draw_is_nearest_neighbour) {
  TBitmap src(2, 2);
  src.SetPixel(0, 0, clRed);
  src.SetPixel(1, 0, clLime);
  src.SetPixel(0, 1, clBlue);
  src.SetPixel(1, 1, clWhite);
  TBitmap dst = Filled(8, 6, clBlack);
  dst.Canvas().StretchDraw(Rect(2, 2, 6, 6), src);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.Pixel(2 + x, 2 + y), src.Pixel(x / 2, y / 2));
  EXPECT_EQ(Count(dst, clBlack), 48 - 16);
  // Shrinking picks pixels, it does not average them.
  TBitmap small = Filled(1, 1, clBlack);
  small.Canvas().StretchDraw(Rect(0, 0, 1, 1), src);
  EXPECT_EQ(small.Pixel(0, 0), clRed);
}

TEST(CanvasCopy, copy_rect_between_canvases_and_within_one) {
  TBitmap src(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) src.SetPixel(x, y, RGB(uint8_t(x), uint8_t(y), 7));
  TBitmap dst = Filled(10, 10, clBlack);
  dst.Canvas().CopyRect(Rect(0, 0, 3, 2), src.Canvas(), Rect(4, 5, 7, 7));
  EXPECT_EQ(dst.Pixel(0, 0), RGB(4, 5, 7));
  EXPECT_EQ(dst.Pixel(2, 1), RGB(6, 6, 7));
  EXPECT_EQ(dst.Pixel(3, 0), clBlack);
  // Overlapping copy inside one bitmap reads the area as it was.
  src.Canvas().CopyRect(Rect(1, 0, 10, 10), src.Canvas(), Rect(0, 0, 9, 10));
  EXPECT_EQ(src.Pixel(1, 0), RGB(0, 0, 7));
  EXPECT_EQ(src.Pixel(9, 3), RGB(8, 3, 7));
  // A source area partly outside the source leaves the destination there alone.
  TBitmap d2 = Filled(4, 1, clWhite);
  d2.Canvas().CopyRect(Rect(0, 0, 4, 1), src.Canvas(), Rect(8, 0, 12, 1));
  EXPECT_EQ(d2.Pixel(1, 0), RGB(8, 0, 7));
  EXPECT_EQ(d2.Pixel(2, 0), clWhite);
}

TEST(ColorWords, the_copy_for_the_x_visual_matches_the_word_swap_at_every_length_and_offset) {
  // Red and blue trade places and the top byte is cleared, in the vector body and in the tail alike.
  std::vector<uint32_t> words(80);
  for (size_t i = 0; i < words.size(); ++i) words[i] = uint32_t(0x9E3779B9u * (i + 1)) | 0xFF000000u;
  for (size_t offset = 0; offset < 8; ++offset)
    for (size_t count = 0; count + offset <= 64; ++count) {
      std::vector<uint32_t> out(72, 0xDEADBEEFu);
      CopyAsRedHighWords(out.data() + offset, words.data() + offset, count);
      for (size_t i = 0; i < out.size(); ++i) {
        const bool inside = i >= offset && i < offset + count;
        ASSERT_EQ(out[i], inside ? AsRedHigh(words[i]) : 0xDEADBEEFu) << "offset " << offset << " count " << count;
      }
    }
  EXPECT_EQ(AsRedHigh(0xFF123456u), 0x00563412u);
}
