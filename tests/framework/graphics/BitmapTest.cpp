// SPDX-License-Identifier: MIT
// Pixel storage of bitmaps: resizing, the 8-bit bottom-up layout, transparency, system colours.
#include <gtest/gtest.h>

#include "graphics/TBitmap.h"
#include "graphics/TCanvas.h"

TEST(Bitmap, resize_keeps_old_pixels_and_fills_new_area_with_brush_colour) {
  TBitmap b(2, 2);
  b.SetPixel(0, 0, clRed);
  b.SetPixel(1, 1, clLime);
  b.Canvas().Brush().SetColor(clBtnFace);
  b.SetSize(4, 3);
  EXPECT_EQ(b.Pixel(0, 0), clRed);
  EXPECT_EQ(b.Pixel(1, 1), clLime);
  EXPECT_EQ(b.Pixel(3, 0), RGB(192, 192, 192));  // the brush's system colour, resolved
  EXPECT_EQ(b.Pixel(0, 2), RGB(192, 192, 192));
  b.SetSize(1, 1);
  EXPECT_EQ(b.Pixel(0, 0), clRed);
  EXPECT_EQ(b.Pixel(1, 0), clInvalid);
}

TEST(Bitmap, pixels_outside_read_invalid_and_writes_there_are_ignored) {
  TBitmap b(3, 3);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 3}}) {
    EXPECT_EQ(b.Pixel(x, y), clInvalid);
    b.SetPixel(x, y, clWhite);
  }
  // clInvalid is no colour any pixel can hold, not even white.
  b.Canvas().Brush().SetColor(clWhite);
  b.Canvas().FillRect(b.ClientRect());
  EXPECT_NE(b.Pixel(0, 0), clInvalid);
  TBitmap empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Pixel(0, 0), clInvalid);
}

TEST(Bitmap, eight_bit_rows_are_bottom_up_in_one_byte_array) {
  TBitmap b(52, 16, pf8bit);
  EXPECT_EQ(b.Stride(), 52);
  b.Palette()[0] = clBlack;
  b.Palette()[7] = RGB(199, 86, 0);
  uint8_t* bits = b.Bits();
  bits[0 * 52 + 2] = 7;  // row 0 = the bottom line
  EXPECT_EQ(b.Pixel(2, 15), RGB(199, 86, 0));
  EXPECT_EQ(b.Pixel(2, 0), clBlack);
  // Drawn onto a 32-bit picture it lands upright.
  TBitmap screen(60, 20);
  screen.Canvas().Draw(4, 2, b);
  EXPECT_EQ(screen.Pixel(6, 17), RGB(199, 86, 0));
  EXPECT_EQ(screen.Pixel(6, 2), clBlack);
  // Odd widths pad rows to four bytes.
  TBitmap odd(5, 2, pf8bit);
  EXPECT_EQ(odd.Stride(), 8);
}

TEST(Bitmap, eight_bit_resize_keeps_the_picture_upright) {
  TBitmap b(4, 2, pf8bit);
  b.Palette()[1] = clRed;
  b.SetPixel(0, 0, clRed);  // top-left
  b.SetSize(4, 5);
  EXPECT_EQ(b.Pixel(0, 0), clRed);
  EXPECT_EQ(b.Bits()[4 * b.Stride() + 0], 1);  // the top line is the last row
}

TEST(Bitmap, transparent_colour_defaults_to_bottom_left_pixel) {
  TBitmap b(3, 3);
  b.SetPixel(0, 2, RGB(16, 32, 42));
  EXPECT_EQ(b.TransparentColor(), RGB(16, 32, 42));
  b.SetPixel(0, 2, clWhite);
  EXPECT_EQ(b.TransparentColor(), clWhite);  // follows the pixel
  b.SetTransparentColor(clRed);
  EXPECT_EQ(b.TransparentColor(), clRed);
  b.SetTransparentColor(clDefault);
  EXPECT_EQ(b.TransparentColor(), clWhite);
}

TEST(Bitmap, converting_formats_keeps_the_picture) {
  TBitmap b(3, 2);
  b.SetPixel(2, 1, clRed);
  b.Canvas().Brush().SetColor(clRed);
  TBitmap eight = b;
  eight.Palette()[5] = clRed;
  eight.SetPixelFormat(pf8bit);
  EXPECT_EQ(eight.Pixel(2, 1), clRed);
  EXPECT_EQ(eight.Pixel(0, 0), clBlack);
  eight.SetPixelFormat(pf32bit);
  EXPECT_EQ(eight.Pixel(2, 1), clRed);
}

TEST(Color, system_references_resolve_through_the_classic_palette) {
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
  EXPECT_EQ(ColorToRGB(clActiveCaption), RGB(0, 0, 128));
  EXPECT_EQ(ColorToRGB(clCaptionText), clWhite);
  EXPECT_EQ(ColorToRGB(0x800000FF), clBlack);  // past the table
  EXPECT_EQ(ColorToRGB(29439), RGB(255, 114, 0));
  EXPECT_EQ(RGB(17, 26, 32), 2103825u);
}
