// SPDX-License-Identifier: MIT
// Pictures report every change of their graphic to their owner.
#include <gtest/gtest.h>

#include "graphics/TCanvas.h"
#include "graphics/TPicture.h"

TEST(Picture, every_change_of_the_graphic_is_reported) {
  TPicture picture;
  int changes = 0;
  TObject* sender = nullptr;
  picture.OnChange = [&](TObject* s) {
    ++changes;
    sender = s;
  };
  EXPECT_FALSE(picture.HasGraphic());
  TBitmap& b = picture.Bitmap();  // created on demand
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(sender, &picture);
  b.SetSize(137, 9);
  EXPECT_EQ(changes, 2);
  b.Canvas().Brush().SetColor(clWhite);
  b.Canvas().FillRect(Rect(0, 0, 137, 9));
  EXPECT_EQ(changes, 3);
  b.SetTransparent(true);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(picture.Width(), 137);

  TPicture other;
  other.Bitmap().SetSize(3, 4);
  other.Bitmap().SetPixel(0, 0, clRed);
  picture.Assign(other);
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(picture.Height(), 4);
  other.Bitmap().SetPixel(0, 0, clLime);  // a deep copy: the source changing later is not seen
  EXPECT_EQ(picture.Bitmap().Pixel(0, 0), clRed);
  EXPECT_EQ(changes, 5);

  const std::vector<uint8_t> junk = {'B', 'M', 1, 2};
  EXPECT_FALSE(picture.LoadFromMemory(junk.data(), junk.size()));
  EXPECT_EQ(changes, 5);  // a failed load keeps the picture and reports nothing
  EXPECT_EQ(picture.Width(), 3);
  picture.Clear();
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(picture.Width(), 0);
}

TEST(Picture, a_replaced_graphic_no_longer_reports_to_the_picture) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  auto first = std::make_shared<TBitmap>(2, 2);
  picture.SetGraphic(first);
  picture.SetGraphic(std::make_shared<TBitmap>(3, 3));
  EXPECT_EQ(changes, 2);
  first->SetPixel(0, 0, clRed);
  EXPECT_EQ(changes, 2);
}
