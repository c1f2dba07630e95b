// SPDX-License-Identifier: MIT
// Image lists: frames addressed four to a row, masks and background colour, out-of-range indices.
#include <gtest/gtest.h>

#include "graphics/TCanvas.h"
#include "graphics/TImageList.h"

namespace {

// A strip of 6 frames of 5 x 3, four to a row; every pixel tells its frame and position.
TColor FramePixel(int k, int x, int y) { return RGB(uint8_t(10 + k), uint8_t(x), uint8_t(y)); }

TBitmap Strip() {
  TBitmap strip(4 * 5, 2 * 3);
  for (int k = 0; k < 6; ++k)
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) strip.SetPixel((k % 4) * 5 + x, (k / 4) * 3 + y, FramePixel(k, x, y));
  return strip;
}

}  // namespace

TEST(ImageList, frame_k_comes_from_column_k_mod_4_and_row_k_div_4) {
  TImageList list(5, 3);
  EXPECT_EQ(list.AddStrip(Strip(), 6), 0);
  EXPECT_EQ(list.Count(), 6);
  for (int k = 0; k < 6; ++k) {
    TBitmap target(50, 40);  // any size: it takes the frame's
    list.GetBitmap(k, target);
    ASSERT_EQ(target.Width(), 5);
    ASSERT_EQ(target.Height(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(target.Pixel(x, y), FramePixel(k, x, y)) << k;
  }
}

TEST(ImageList, index_outside_the_list_changes_nothing) {
  TImageList list(5, 3);
  list.AddStrip(Strip(), 6);
  TBitmap target(7, 7);
  target.SetPixel(0, 0, clRed);
  int changes = 0;
  target.OnChange = [&] { ++changes; };
  for (int index : {-1, 6, 3932, 65535}) list.GetBitmap(index, target);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(target.Width(), 7);
  EXPECT_EQ(target.Pixel(0, 0), clRed);
  TBitmap screen(10, 10);
  list.Draw(screen.Canvas(), 0, 0, 6);
  EXPECT_EQ(screen.Pixel(0, 0), clBlack);
}

TEST(ImageList, masked_out_pixels_take_the_background_colour) {
  TBitmap mask(4 * 5, 2 * 3);            // black: part of the picture
  mask.SetPixel(5 + 1, 0 + 2, clWhite);  // frame 1, pixel (1, 2) masked out
  mask.SetPixel(0 + 4, 3 + 0, clWhite);  // frame 4, pixel (4, 0) masked out
  TImageList list(5, 3);
  list.SetMasked(true);
  list.SetBkColor(clBlack);
  list.SetBlendColor(clWhite);
  list.AddStrip(Strip(), 6, &mask);
  TBitmap target;
  list.GetBitmap(1, target);
  EXPECT_EQ(target.Pixel(1, 2), clBlack);
  EXPECT_EQ(target.Pixel(0, 2), FramePixel(1, 0, 2));
  list.GetBitmap(4, target);
  EXPECT_EQ(target.Pixel(4, 0), clBlack);
  EXPECT_EQ(target.Pixel(3, 0), FramePixel(4, 3, 0));
  // Without a background colour the masked-out pixel keeps what was there.
  list.SetBkColor(clNone);
  TBitmap screen(5, 3);
  screen.Canvas().Brush().SetColor(clLime);
  screen.Canvas().FillRect(screen.ClientRect());
  list.Draw(screen.Canvas(), 0, 0, 1);
  EXPECT_EQ(screen.Pixel(1, 2), clLime);
  EXPECT_EQ(screen.Pixel(2, 2), FramePixel(1, 2, 2));
}
