// SPDX-License-Identifier: MIT
// What the window shows: painting order, pictures, labels, direct drawing and the window surface.
#include <thread>

#include "FrameworkFixture.h"
#include "components/TCustomListBox.h"
#include "components/TImage.h"
#include "components/TLabel.h"

namespace {
std::shared_ptr<TBitmap> Solid(int w, int h, TColor c) {
  auto b = std::make_shared<TBitmap>(w, h, pf32bit);
  b->Canvas().Brush().SetColor(c);
  b->Canvas().FillRect({0, 0, w, h});
  return b;
}

class PaintTest : public FrameworkTest {
protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    Form = &NewForm(100, 60);
  }
  TImage& Image(const std::string& name, TRect bounds, TColor color) {
    TImage& image = Form->Add<TImage>(name);
    image.SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    image.Picture().SetGraphic(Solid(bounds.Width(), bounds.Height(), color));
    return image;
  }
  TForm* Form = nullptr;
};

// A control that paints a solid colour and counts its paints.
class TPainter : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;
  TColor Fill = clRed;
  int Paints = 0;
  using TGraphicControl::Paint;

protected:
  void Paint() override {
    ++Paints;
    Canvas().Brush().SetColor(Fill);
    Canvas().FillRect(ClientRect());
  }
};
}  // namespace

TEST_F(PaintTest, background_then_windowless_controls_in_creation_order_then_the_list_on_top) {
  auto& list = Form->Add<TCustomListBox>("List");
  list.SetBorderStyle(bsNone);
  list.SetBounds(50, 0, 20, 20);
  list.Brush().SetColor(clYellow);
  Image("First", {0, 0, 60, 30}, clRed);
  Image("Second", {20, 10, 80, 40}, clLime);
  ShowAndPump(*Form);
  EXPECT_EQ(Screen().Pixel(5, 5), clRed);
  EXPECT_EQ(Screen().Pixel(25, 15), clLime);    // the later image lies above the earlier
  EXPECT_EQ(Screen().Pixel(55, 10), clYellow);  // the list lies above both, created first or not
  EXPECT_EQ(Screen().Pixel(90, 50), clBlack);   // the form's colour
}

TEST_F(PaintTest, hiding_a_control_repaints_what_lies_beneath) {
  Image("Lower", {0, 0, 40, 40}, clRed);
  TImage& upper = Image("Upper", {10, 10, 20, 20}, clLime);
  ShowAndPump(*Form);
  EXPECT_EQ(Screen().Pixel(15, 15), clLime);
  upper.Hide();
  Screen().Pump();
  EXPECT_EQ(Screen().Pixel(15, 15), clRed);
  upper.Show();
  Screen().Pump();
  EXPECT_EQ(Screen().Pixel(15, 15), clLime);
}

TEST_F(PaintTest, image_shows_its_picture_at_the_top_left_and_what_lies_beneath_elsewhere) {
  Image("Under", {0, 0, 100, 60}, clBlue);
  TImage& eye = Form->Add<TImage>("Eye");
  eye.SetBounds(10, 10, 63, 46);
  eye.Picture().SetGraphic(Solid(49, 30, clLime));
  ShowAndPump(*Form);
  EXPECT_EQ(Screen().Pixel(10, 10), clLime);
  EXPECT_EQ(Screen().Pixel(58, 39), clLime);
  EXPECT_EQ(Screen().Pixel(59, 20), clBlue);
  EXPECT_EQ(Screen().Pixel(20, 40), clBlue);
}

TEST_F(PaintTest, transparent_image_leaves_its_bottom_left_colour_unpainted_and_auto_size_follows_the_picture) {
  Image("Under", {0, 0, 100, 60}, clBlue);
  TImage& knob = Form->Add<TImage>("Knob");
  knob.SetBounds(10, 10, 50, 50);
  knob.SetAutoSize(true);
  knob.SetTransparent(true);
  auto picture = Solid(5, 14, clBlack);
  picture->SetPixel(2, 5, clRed);
  knob.Picture().SetGraphic(picture);
  EXPECT_EQ(knob.Width(), 5);
  EXPECT_EQ(knob.Height(), 14);
  ShowAndPump(*Form);
  EXPECT_EQ(Screen().Pixel(12, 15), clRed);
  EXPECT_EQ(Screen().Pixel(11, 11), clBlue);
}

TEST_F(PaintTest, drawing_into_an_image_picture_repaints_the_image) {
  TImage& image = Image("Image", {0, 0, 20, 20}, clRed);
  ShowAndPump(*Form);
  image.Canvas().Brush().SetColor(clLime);
  image.Canvas().FillRect({0, 0, 5, 5});
  Screen().Pump();
  EXPECT_EQ(Screen().Pixel(2, 2), clLime);
  EXPECT_EQ(Screen().Pixel(7, 7), clRed);
}

TEST_F(PaintTest, an_image_without_a_picture_gets_a_bitmap_of_its_size_for_its_canvas) {
  TImage& image = Form->Add<TImage>("Panning");
  image.SetBounds(0, 0, 137, 9);
  image.Canvas().Brush().SetColor(clWhite);
  image.Canvas().FillRect({0, 0, 137, 9});
  EXPECT_EQ(image.Picture().Width(), 137);
  EXPECT_EQ(image.Picture().Height(), 9);
}

TEST_F(PaintTest, label_auto_sizes_to_its_text_and_a_transparent_label_paints_only_its_text) {
  Image("Under", {0, 0, 100, 60}, clBlue);
  TLabel& label = Form->Add<TLabel>("Label_Pos");
  label.SetLeft(5);
  label.SetTop(5);
  label.Font().SetName("Arial");
  label.Font().SetHeight(-11);
  label.Font().SetColor(RGB(255, 114, 0));
  label.SetTransparent(true);
  label.SetCaption("00:00");
  EXPECT_EQ(label.Width(), label.Font().TextWidth("00:00"));
  EXPECT_EQ(label.Height(), label.Font().TextHeight("00:00"));
  EXPECT_GT(label.Width(), 15);
  ShowAndPump(*Form);
  int ink = 0, other = 0;
  for (int y = label.Top(); y < label.Top() + label.Height(); ++y)
    for (int x = label.Left(); x < label.Left() + label.Width(); ++x) {
      const TColor c = Screen().Pixel(x, y);
      if (c == RGB(255, 114, 0))
        ++ink;
      else if (c != clBlue)
        ++other;
    }
  EXPECT_GT(ink, 10);
  EXPECT_EQ(other, 0);
  const int wide = label.Width();
  label.SetCaption("00:00:00");
  EXPECT_GT(label.Width(), wide);
}

TEST_F(PaintTest, centred_label_of_fixed_size_puts_its_text_in_the_middle) {
  TLabel& hint = Form->Add<TLabel>("Hint_Label");
  hint.SetAutoSize(false);
  hint.SetBounds(0, 0, 100, 13);
  hint.SetAlignment(taCenter);
  hint.SetTransparent(true);
  hint.Font().SetColor(clWhite);
  hint.SetCaption("Play");
  ShowAndPump(*Form);
  int minX = 100, maxX = -1;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 100; ++x)
      if (Screen().Pixel(x, y) == clWhite) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
      }
  ASSERT_GE(maxX, 0);
  EXPECT_NEAR((minX + maxX) / 2.0, 50, 3);
}

TEST_F(PaintTest, drawing_on_a_control_canvas_outside_painting_reaches_the_window_without_a_full_repaint) {
  auto& painter = Form->Add<TPainter>("Painter");
  painter.SetBounds(10, 10, 20, 20);
  ShowAndPump(*Form);
  const int paints = painter.Paints;
  painter.Canvas().Brush().SetColor(clLime);
  painter.Canvas().FillRect({0, 0, 5, 5});
  painter.Canvas().FillRect({-10, -10, 50, 2});  // clipped to the control
  Screen().Pump();
  EXPECT_EQ(painter.Paints, paints);
  EXPECT_EQ(Screen().Pixel(12, 12), clLime);
  EXPECT_EQ(Screen().Pixel(15, 9), clBlack);
  EXPECT_EQ(Screen().Pixel(31, 10), clBlack);
}

TEST_F(PaintTest, repaint_of_an_opaque_control_paints_it_and_what_lies_above_but_nothing_beneath) {
  auto& under = Form->Add<TPainter>("Under");
  under.SetBounds(0, 0, 100, 60);
  auto& eye = Form->Add<TPainter>("Eye");
  eye.SetBounds(10, 10, 20, 20);
  eye.Fill = clLime;
  auto& lid = Form->Add<TPainter>("Lid");
  lid.SetBounds(10, 10, 20, 5);
  lid.Fill = clBlue;
  ShowAndPump(*Form);
  const int underPaints = under.Paints, lidPaints = lid.Paints;
  eye.SetControlStyle(eye.ControlStyle() | csOpaque);
  eye.Fill = clWhite;
  eye.Repaint();
  EXPECT_EQ(under.Paints, underPaints);
  EXPECT_EQ(lid.Paints, lidPaints + 1);
  Screen().Pump();
  EXPECT_EQ(Screen().Pixel(15, 20), clWhite);
  EXPECT_EQ(Screen().Pixel(15, 12), clBlue);
  // Without the flag the whole area is painted anew, beneath included.
  eye.SetControlStyle(eye.ControlStyle() & ~csOpaque);
  eye.Repaint();
  EXPECT_EQ(under.Paints, underPaints + 1);
}

TEST_F(PaintTest, area_covered_by_an_opaque_control_skips_the_form_and_everything_beneath_it) {
  int formPaints = 0;
  Form->OnPaint = [&](TObject*) { ++formPaints; };
  auto& bottom = Form->Add<TPainter>("Bottom");
  bottom.SetBounds(0, 0, 50, 60);
  TImage& skin = Image("Skin", {0, 0, 100, 60}, clNavy);  // an opaque picture over the whole form
  auto& eye = Form->Add<TPainter>("Eye");
  eye.SetBounds(10, 10, 20, 20);
  eye.Fill = clLime;
  ShowAndPump(*Form);
  ASSERT_TRUE(skin.IsOpaque());
  const int bottomPaints = bottom.Paints;
  formPaints = 0;
  eye.Fill = clWhite;
  eye.Repaint();  // not opaque itself: its area is painted from the covering skin upwards
  EXPECT_EQ(formPaints, 0);
  EXPECT_EQ(bottom.Paints, bottomPaints);
  EXPECT_EQ(eye.Paints, 2);
  Screen().Pump();
  EXPECT_EQ(Screen().Pixel(15, 15), clWhite);
  EXPECT_EQ(Screen().Pixel(35, 15), clNavy);

  // A picture larger than its control still covers it; one that leaves a strip free does not, and
  // then the area is painted from the bottom.
  skin.SetBounds(0, 0, 95, 60);
  EXPECT_TRUE(skin.IsOpaque());
  skin.SetBounds(0, 0, 100, 61);
  EXPECT_FALSE(skin.IsOpaque());
  Screen().Pump();
  formPaints = 0;
  eye.Repaint();
  EXPECT_EQ(formPaints, 1);
  EXPECT_EQ(bottom.Paints, bottomPaints + 2);  // once for the bounds change, once for the repaint

  // A see-through picture never hides what lies beneath.
  skin.SetBounds(0, 0, 100, 60);
  skin.SetTransparent(true);
  EXPECT_FALSE(skin.IsOpaque());
  Screen().Pump();
  formPaints = 0;
  eye.Repaint();
  EXPECT_EQ(formPaints, 1);
}

TEST_F(PaintTest, another_thread_copies_into_the_window_until_painting_covers_it_again) {
  ShowAndPump(*Form);
  TBitmap spectrum(52, 16, pf32bit);
  spectrum.Canvas().Brush().SetColor(clLime);
  spectrum.Canvas().FillRect({0, 0, 52, 16});
  std::thread tick([&] {
    for (int i = 0; i < 50; ++i) Form->CopyToWindow(60, 50, spectrum);
  });
  tick.join();
  EXPECT_EQ(Screen().Pixel(60, 50), clLime);
  EXPECT_EQ(Screen().Pixel(99, 59), clLime);  // clipped at the window's edges
  EXPECT_EQ(Screen().Pixel(59, 50), clBlack);
  Form->CopyToWindow(-50, -10, spectrum);  // only its bottom-right corner lands in the window
  EXPECT_EQ(Screen().Pixel(1, 5), clLime);
  EXPECT_EQ(Screen().Pixel(2, 6), clBlack);
  Form->Invalidate();
  Screen().Pump();
  EXPECT_EQ(Screen().Pixel(60, 50), clBlack);
}

TEST_F(PaintTest, only_changed_areas_are_presented) {
  TImage& a = Image("A", {0, 0, 10, 10}, clRed);
  ShowAndPump(*Form);
  const int presents = Screen().PresentCount();
  Screen().Pump();
  EXPECT_EQ(Screen().PresentCount(), presents);  // nothing changed, nothing sent
  a.SetLeft(50);
  Screen().Pump();
  EXPECT_EQ(Screen().PresentCount(), presents + 1);
  TRect all;
  for (const TRect& r : Screen().LastPresented()) all = all.Union(r);
  EXPECT_EQ(all, (TRect{0, 0, 60, 10}));
  EXPECT_EQ(Screen().Pixel(5, 5), clBlack);
  EXPECT_EQ(Screen().Pixel(55, 5), clRed);
}

TEST_F(PaintTest, image_places_its_picture_by_stretch_proportional_and_center) {
  TImage& image = Form->Add<TImage>("Image");
  image.SetBounds(0, 0, 63, 96);
  image.Picture().SetGraphic(Solid(49, 61, clRed));
  EXPECT_EQ(image.DestRect(), (TRect{0, 0, 49, 61}));
  image.SetCenter(true);
  EXPECT_EQ(image.DestRect(), (TRect{7, 17, 56, 78}));  // an odd difference leaves the extra pixel right and below
  image.SetCenter(false);
  image.SetProportional(true);  // smaller than the control: not scaled
  EXPECT_EQ(image.DestRect(), (TRect{0, 0, 49, 61}));
  image.SetStretch(true);
  EXPECT_EQ(image.DestRect(), (TRect{0, 0, 63, 78}));
  image.SetProportional(false);
  EXPECT_EQ(image.DestRect(), (TRect{0, 0, 63, 96}));
  // Stretched and not see-through, the picture covers the control: it declares itself opaque.
  EXPECT_TRUE(image.HasStyle(csOpaque));
  image.SetTransparent(true);
  EXPECT_FALSE(image.HasStyle(csOpaque));
}
