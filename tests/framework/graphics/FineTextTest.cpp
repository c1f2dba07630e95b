// SPDX-License-Identifier: MIT
// Text on bitmaps shown enlarged: drawn at the larger size, carried through copies, and given up
// wherever something else is drawn over it.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/TBitmap.h"
#include "graphics/TCanvas.h"

namespace {

constexpr TColor kInk = RGB(255, 128, 0);
constexpr TColor kGround = RGB(10, 20, 30);
constexpr TColor kKey = RGB(255, 0, 255);

class TDetailScale {
public:
  explicit TDetailScale(int n) { TBitmap::SetDetailScale(n); }
  ~TDetailScale() { TBitmap::SetDetailScale(1); }
};

std::vector<uint32_t> Enlarged(const TBitmap& b, const TRect& r, int n) {
  std::vector<uint32_t> out(size_t(r.Width()) * r.Height() * n * n);
  b.Enlarge(r, n, out.data(), size_t(r.Width()) * n);
  return out;
}

// Whether every n x n block of `big` is one colour.
bool AllBlocks(const std::vector<uint32_t>& big, int width, int height, int n) {
  for (int y = 0; y < height * n; ++y)
    for (int x = 0; x < width * n; ++x)
      if (big[size_t(y) * width * n + x] != big[size_t(y / n * n) * width * n + x / n * n]) return false;
  return true;
}

// Whether pixel (x, y) of `large` is ink; outside it is not.
bool Stroke(const TTextMask& large, int x, int y) {
  return x >= 0 && y >= 0 && x < large.Width && y < large.Height && large.Coverage[size_t(y) * large.Width + x] != 0;
}

// A gradient, one colour per pixel, so that a block taken from the wrong place shows.
TBitmap Gradient(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.ScanLine(y)[x] = RGB(uint8_t(4 * x), 200, uint8_t(y));
  return b;
}

TBitmap Ground(int w, int h, TColor c) {
  TBitmap b(w, h);
  b.Canvas().Brush().SetColor(c);
  b.Canvas().FillRect(b.ClientRect());
  return b;
}

}  // namespace

TEST(FineText, text_is_drawn_at_the_larger_size_and_what_is_drawn_over_it_shows_as_blocks) {
  const std::string text = "Glass Harbour";
  {
    // At scale 1 nothing is kept beside the pixels.
    TBitmap plain = Ground(120, 20, kGround);
    plain.Canvas().TextOut(4, 2, text);
    EXPECT_FALSE(plain.HasDetail());
  }
  const TDetailScale scale(2);
  TBitmap b = Ground(120, 20, kGround);
  b.Canvas().Brush().SetStyle(bsClear);
  b.Canvas().Font().SetColor(kInk);
  b.Canvas().TextOut(4, 2, text);

  // The text as a face twice as tall draws it, at twice the place, on the ground's blocks.
  const TTextMask large = b.Canvas().Font().RenderScaled(text, 2);
  ASSERT_GT(large.Width, 0);
  const std::vector<uint32_t> big = Enlarged(b, b.ClientRect(), 2);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 240; ++x) ASSERT_EQ(big[size_t(y) * 240 + x], Stroke(large, x - 8, y - 4) ? kInk : kGround);
  EXPECT_FALSE(AllBlocks(big, 120, 20, 2));

  // A fill over the left half and one pixel written straight into the rows give up the larger
  // text there; the rest keeps it.
  b.Canvas().Brush().SetStyle(bsSolid);
  b.Canvas().Brush().SetColor(kGround);
  b.Canvas().FillRect({0, 0, 40, 20});
  b.ScanLine(8)[60] = RGB(1, 2, 3);
  const std::vector<uint32_t> after = Enlarged(b, b.ClientRect(), 2);
  const std::vector<uint32_t> left = Enlarged(b, {0, 0, 40, 20}, 2);
  EXPECT_TRUE(AllBlocks(left, 40, 20, 2));
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) EXPECT_EQ(after[size_t(16 + j) * 240 + 120 + i], RGB(1, 2, 3));
  EXPECT_FALSE(AllBlocks(Enlarged(b, {40, 0, 120, 20}, 2), 80, 20, 2));

  // A new size starts afresh.
  b.SetSize(100, 20);
  EXPECT_FALSE(b.HasDetail());
}

TEST(FineText, a_key_coloured_text_carried_through_two_copies_shows_what_is_under_it_at_the_larger_size) {
  // The scrolling caption: text in the key colour on a strip, the strip keyed onto a backdrop, the
  // result copied onto the window's frame at its place.
  const TDetailScale scale(2);
  TBitmap strip = Ground(90, 14, kGround);
  strip.SetTransparent(true);
  strip.SetTransparentColor(kKey);
  strip.Canvas().Brush().SetStyle(bsClear);
  strip.Canvas().Font().SetStyle(fsBold);
  strip.Canvas().Font().SetColor(kKey);
  strip.Canvas().TextOut(30, 1, "<00:43>");

  TBitmap backdrop = Gradient(60, 14);
  backdrop.Canvas().Draw(-17, 0, strip);
  TBitmap frame = Ground(200, 40, RGB(0, 0, 0));
  frame.Canvas().Draw(70, 11, backdrop);

  // Screen pixel (x, y) of the copy is pixel (x + 2 * 17 - 2 * 30, y - 2) of the larger text.
  const TTextMask large = strip.Canvas().Font().RenderScaled("<00:43>", 2);
  const TBitmap under = Gradient(60, 14);
  const std::vector<uint32_t> shown = Enlarged(frame, {70, 11, 130, 25}, 2);
  ASSERT_FALSE(AllBlocks(shown, 60, 14, 2));
  for (int y = 0; y < 28; ++y)
    for (int x = 0; x < 120; ++x)
      ASSERT_EQ(shown[size_t(y) * 120 + x], Stroke(large, x - 26, y - 2) ? under.Pixel(x / 2, y / 2) : kGround);

  // An opaque copy of something without text over it leaves blocks.
  frame.Canvas().Draw(70, 11, Ground(60, 14, kGround));
  EXPECT_FALSE(frame.HasDetail());
}
