// SPDX-License-Identifier: MIT
// The shaped image window: outline from the picture, shares of the window region, placement, dragging.
#include <cstdlib>
#include <memory>
#include <string>

#include "ControlsFixture.h"
#include "controls/ImageShape.h"

namespace {
constexpr TColor kKey = clWhite;
constexpr TColor kInk = 0x0072FF;

// A picture in kInk whose bottom-left pixel is the key colour, so only that pixel is a hole.
std::shared_ptr<TBitmap> Solid(int w, int h) {
  auto b = std::make_shared<TBitmap>(w, h, pf32bit);
  b->Canvas().Brush().SetColor(kInk);
  b->Canvas().FillRect(b->ClientRect());
  b->SetPixel(0, h - 1, kKey);
  return b;
}

// The region a picture placed at (left, top) should give: every pixel but the key-coloured ones.
TRegion Expected(const TBitmap& picture, int left, int top) {
  const TColor key = picture.Pixel(0, picture.Height() - 1);
  TRegion::TBuilder builder;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      if (picture.Pixel(x, y) != key) builder.AddRun(y + top, x + left, x + left + 1);
  return builder.Build();
}

class ImageShapeTest : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Form = &NewForm(200, 100);
    Shape = &Form->Add<TImageShape>("ImageShape");
  }
  void Load(TImageShape& shape, std::shared_ptr<TBitmap> picture) { shape.Picture().SetGraphic(std::move(picture)); }

  TForm* Form = nullptr;
  TImageShape* Shape = nullptr;
};
}  // namespace

TEST_F(ImageShapeTest, white_pixels_become_holes_wherever_they_lie) {
  // White corners and a white blob enclosed by ink: all of them are cut out.
  auto picture = Solid(40, 30);
  picture->Canvas().Brush().SetColor(kKey);
  picture->Canvas().FillRect({0, 0, 5, 4});
  picture->Canvas().FillRect({35, 0, 40, 3});
  picture->Canvas().FillRect({0, 27, 6, 30});
  picture->Canvas().FillRect({38, 26, 40, 30});
  picture->Canvas().FillRect({15, 10, 22, 16});  // enclosed
  int white = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) white += picture->Pixel(x, y) == kKey;
  Shape->SetBounds(5, 7, 40, 30);
  Load(*Shape, picture);

  const TRegion region = Form->WindowRegion();
  EXPECT_EQ(region.Area(), 40 * 30 - white);
  EXPECT_EQ(region, Expected(*picture, 5, 7));
  EXPECT_FALSE(region.Contains(5 + 17, 7 + 12));  // the enclosed blob, window coordinates
  EXPECT_TRUE(region.Contains(5 + 10, 7 + 10));
  EXPECT_EQ(Shape->AppliedRegion(), region);
  EXPECT_STREQ(std::getenv("vexol"), "set");
}

TEST_F(ImageShapeTest, the_real_skin_keeps_exactly_its_non_white_pixels) {
  TBitmap skin;
  ASSERT_TRUE(skin.LoadFromFile(MIRA_SKIN_DIR "/ImageShape.bmp").Ok());
  ASSERT_EQ(skin.Width(), 496);
  ASSERT_EQ(skin.Height(), 287);
  const TColor key = skin.Pixel(0, 286);
  long long holes = 0;
  for (int y = 0; y < 287; ++y)
    for (int x = 0; x < 496; ++x) holes += skin.Pixel(x, y) == key;
  ASSERT_GT(holes, 0);
  Shape->SetBounds(0, 0, 496, 287);
  Shape->SetAutoSize(true);
  Shape->Picture().Assign(skin);
  EXPECT_EQ(Form->WindowRegion().Area(), 496LL * 287 - holes);
  EXPECT_EQ(Form->WindowRegion(), Expected(skin, 0, 0));
}

TEST_F(ImageShapeTest, a_picture_all_in_the_key_colour_leaves_nothing_of_the_window) {
  auto picture = std::make_shared<TBitmap>(30, 20, pf32bit);  // all black, so black is the key
  Load(*Shape, picture);
  EXPECT_TRUE(Form->HasWindowRegion());
  EXPECT_TRUE(Form->WindowRegion().IsEmpty());
}

TEST_F(ImageShapeTest, a_picture_without_graphic_leaves_the_region_alone_and_is_not_opaque) {
  Shape->SetStretch(true);
  Load(*Shape, Solid(20, 20));
  EXPECT_TRUE(Shape->HasStyle(csOpaque));  // a stretched, non-transparent picture covers the control
  const TRegion sentinel(TRect{1, 2, 3, 4});
  Form->SetWindowRegion(sentinel);
  Shape->Picture().Clear();
  EXPECT_EQ(Form->WindowRegion(), sentinel);
  EXPECT_FALSE(Shape->HasStyle(csOpaque));
}

TEST_F(ImageShapeTest, stretch_scales_the_outline_with_the_picture) {
  // Left column in the key colour: stretched 10x it becomes a 10-pixel-wide hole.
  auto picture = Solid(4, 2);
  picture->SetPixel(0, 0, kKey);
  Shape->SetBounds(20, 10, 40, 20);
  Load(*Shape, picture);
  EXPECT_EQ(Form->WindowRegion(), TRegion(TRect{21, 10, 24, 12}));
  Shape->SetStretch(true);
  EXPECT_EQ(Shape->DestRect(), (TRect{0, 0, 40, 20}));
  EXPECT_EQ(Form->WindowRegion(), TRegion(TRect{30, 10, 60, 30}));
}

TEST_F(ImageShapeTest, proportional_scales_only_larger_pictures_and_keeps_their_aspect) {
  Shape->SetBounds(0, 0, 50, 50);
  Shape->SetProportional(true);
  Load(*Shape, Solid(10, 20));
  EXPECT_EQ(Shape->DestRect(), (TRect{0, 0, 10, 20}));  // smaller: not scaled
  Load(*Shape, Solid(200, 100));
  EXPECT_EQ(Shape->DestRect(), (TRect{0, 0, 50, 25}));
  EXPECT_FALSE(Shape->HasStyle(csOpaque));
  Shape->SetCenter(true);
  EXPECT_EQ(Shape->DestRect(), (TRect{0, 12, 50, 37}));
  Load(*Shape, Solid(100, 200));
  EXPECT_EQ(Shape->DestRect(), (TRect{12, 0, 37, 50}));
  // Only the area inside the destination can be part of the window.
  EXPECT_EQ(Form->WindowRegion().Bounds(), (TRect{12, 0, 37, 50}));
}

TEST_F(ImageShapeTest, centre_puts_the_odd_pixel_right_and_below_and_larger_pictures_move_up_left) {
  Shape->SetBounds(30, 20, 41, 21);
  Shape->SetCenter(true);
  Load(*Shape, Solid(10, 10));
  EXPECT_EQ(Shape->DestRect(), (TRect{15, 5, 25, 15}));
  const TRegion expected = TRegion(TRect{45, 25, 55, 35}).Subtract(TRegion(TRect{45, 34, 46, 35}));
  EXPECT_EQ(Form->WindowRegion(), expected);

  // Painted there too: the picture's pixels at the centred place, the form's background around.
  ShowAndPump(*Form);
  EXPECT_EQ(Screen().Pixel(30 + 16, 20 + 6), kInk);
  EXPECT_EQ(Screen().Pixel(30 + 14, 20 + 6), clBlack);
  EXPECT_EQ(Screen().Pixel(30 + 25, 20 + 6), clBlack);

  Load(*Shape, Solid(50, 30));
  EXPECT_EQ(Shape->DestRect(), (TRect{-4, -4, 46, 26}));
  EXPECT_EQ(Form->WindowRegion().Bounds(), (TRect{30, 20, 71, 41}));  // clipped to the control
}

TEST_F(ImageShapeTest, shaped_controls_on_one_window_each_keep_their_share) {
  // A region the window had before the first outline of the process is replaced, not kept.
  Form->SetWindowRegion(TRegion(TRect{150, 80, 160, 90}));
  Shape->SetBounds(0, 0, 20, 20);
  Load(*Shape, Solid(20, 20));
  const TRegion first = Expected(*Solid(20, 20), 0, 0);
  EXPECT_EQ(Form->WindowRegion(), first);

  auto& second = Form->Add<TImageShape>("Second");
  second.SetBounds(50, 10, 10, 10);
  Load(second, Solid(10, 10));
  EXPECT_EQ(Form->WindowRegion(), first.Union(Expected(*Solid(10, 10), 50, 10)));

  // A change of the second replaces only its own share.
  Load(second, Solid(4, 6));
  EXPECT_EQ(Form->WindowRegion(), first.Union(Expected(*Solid(4, 6), 50, 10)));
  EXPECT_EQ(second.AppliedRegion(), Expected(*Solid(4, 6), 50, 10));

  // A second window in the same process has no region yet: it takes exactly its new one.
  TForm& other = NewForm(100, 100);
  auto& third = other.Add<TImageShape>("Third");
  third.SetBounds(5, 5, 8, 8);
  Load(third, Solid(8, 8));
  EXPECT_EQ(other.WindowRegion(), Expected(*Solid(8, 8), 5, 5));
  EXPECT_EQ(Form->WindowRegion(), first.Union(Expected(*Solid(4, 6), 50, 10)));
}

TEST_F(ImageShapeTest, only_the_picture_and_the_drawing_properties_rebuild_the_outline) {
  Shape->SetBounds(0, 0, 30, 30);
  Load(*Shape, Solid(30, 30));
  const TRegion sentinel(TRect{150, 80, 151, 81});
  Form->SetWindowRegion(sentinel);
  Shape->SetStretch(false);
  Shape->SetCenter(false);
  Shape->SetProportional(false);
  Shape->SetTransparent(false);
  Shape->SetLeft(40);
  Shape->SetBounds(40, 10, 60, 50);
  Shape->SetAutoSize(true);  // resizes to the picture
  Shape->SetAlign(alClient);
  EXPECT_EQ(Shape->Width(), 30);
  EXPECT_EQ(Form->WindowRegion(), sentinel);

  Shape->SetCenter(true);
  EXPECT_NE(Form->WindowRegion(), sentinel);
  // The outline is rebuilt at the control's new place; the old share is taken out again.
  EXPECT_EQ(Form->WindowRegion(), sentinel.Union(Expected(*Solid(30, 30), 40, 10)));
}

TEST_F(ImageShapeTest, auto_size_takes_the_picture_size_even_when_it_is_empty) {
  Shape->SetAutoSize(true);
  EXPECT_EQ(Shape->Width(), 0);
  Load(*Shape, Solid(33, 17));
  EXPECT_EQ(Shape->Width(), 33);
  EXPECT_EQ(Shape->Height(), 17);
}

TEST_F(ImageShapeTest, the_picture_canvas_starts_as_a_bitmap_of_the_control_size) {
  Shape->SetBounds(0, 0, 12, 9);
  TCanvas& canvas = Shape->GetCanvas();
  EXPECT_EQ(Shape->Picture().Width(), 12);
  EXPECT_EQ(Shape->Picture().Height(), 9);
  // Drawing into the picture re-shapes the window: the black key pixels are holes.
  canvas.Brush().SetColor(kInk);
  canvas.FillRect({2, 0, 12, 5});
  EXPECT_EQ(Form->WindowRegion(), TRegion(TRect{2, 0, 12, 5}));
}

TEST_F(ImageShapeTest, dragging_with_any_button_moves_the_window_by_the_pointer) {
  Shape->SetBounds(0, 0, 100, 60);
  Load(*Shape, Solid(100, 60));
  int moves = 0;
  Shape->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
  ShowAndPump(*Form);
  ASSERT_EQ(Form->Left(), 100);

  Screen().PressPointer(10, 10);
  Screen().MovePointer(15, 13);
  EXPECT_EQ(Form->Left(), 105);
  EXPECT_EQ(Form->Top(), 103);
  // The pointer stays on the same spot of the window, which moved; a step outside the window
  // still arrives while the left button is held.
  Screen().MovePointer(-40, -7);
  EXPECT_EQ(Form->Left(), 55);
  EXPECT_EQ(Form->Top(), 86);
  Screen().ReleasePointer(-40, -7);
  Screen().MovePointer(20, 20);
  EXPECT_EQ(Form->Left(), 55);

  Screen().PressPointer(20, 20, TMouseButton::mbRight);
  Screen().MovePointer(22, 21);
  EXPECT_EQ(Form->Left(), 57);
  EXPECT_EQ(Form->Top(), 87);
  Screen().ReleasePointer(20, 20, TMouseButton::mbRight);
  EXPECT_EQ(moves, 4);
}

TEST_F(ImageShapeTest, a_shape_that_is_not_movable_fires_its_events_and_moves_nothing) {
  Shape->SetBounds(0, 0, 100, 60);
  Load(*Shape, Solid(100, 60));
  Shape->SetMovable(false);
  int downs = 0, moves = 0, ups = 0;
  Shape->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  Shape->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
  Shape->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  ShowAndPump(*Form);
  Screen().PressPointer(10, 10);
  Screen().MovePointer(30, 30);
  Screen().ReleasePointer(30, 30);
  EXPECT_EQ(Form->Left(), 100);
  EXPECT_EQ(Form->Top(), 100);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(ups, 1);
}

TEST_F(ImageShapeTest, border_offsets_come_from_the_outer_and_client_rectangles) {
  // A 200 x 100 client area in a 208 x 130 window: 4-pixel side borders, 26 pixels above.
  EXPECT_EQ(WindowBorderOffset({0, 0, 200, 100}, {50, 40, 258, 170}), (TPoint{4, 26}));
  // The program's own windows have no border at all.
  EXPECT_EQ(WindowBorderOffset(Form->ClientRect(), Form->WindowRect()), (TPoint{0, 0}));
}

TEST(GetFrgnTest, the_outline_lies_in_the_destination_clipped_to_the_client_area) {
  TBitmap picture(6, 4, pf32bit);
  picture.Canvas().Brush().SetColor(kInk);
  picture.Canvas().FillRect({1, 0, 6, 4});  // column 0 black, and black is the key
  EXPECT_EQ(GetFrgn(picture, {0, 0, 10, 10}, {2, 3, 8, 7}), TRegion(TRect{3, 3, 8, 7}));
  EXPECT_EQ(GetFrgn(picture, {0, 0, 5, 5}, {2, 3, 8, 7}), TRegion(TRect{3, 3, 5, 5}));
  EXPECT_TRUE(GetFrgn(picture, {0, 0, 10, 10}, {20, 20, 26, 24}).IsEmpty());
  EXPECT_TRUE(GetFrgn(TBitmap(), {0, 0, 10, 10}, {0, 0, 0, 0}).IsEmpty());
}
