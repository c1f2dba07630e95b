// SPDX-License-Identifier: MIT
// The scrolling caption: fade columns, passes in both directions, text and direction changes, the key colour.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ControlsFixture.h"
#include "components/Exception.h"
#include "controls/ALScrollingText.h"

namespace {
constexpr TColor kBackground = 2103825;  // (17, 26, 32)
constexpr TColor kOrange = 29439;        // (255, 114, 0)
constexpr int kLeft = 10, kTop = 20, kWidth = 297, kHeight = 15;
const std::string kCredits = "mira.nol - code: varlo & tesko - gfx: pell & tesko";

class ScrollingTextTest : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Form = &NewForm(400, 60);
    Scroller = &Form->Add<TALScrollingText>("Scroller");
    Scroller->SetBounds(kLeft, kTop, kWidth, kHeight);
    Scroller->SetSpeed(10);
    Scroller->SetBackgroundColor(kBackground);
    Scroller->SetTextDirection(tdRightToLeft);
    Scroller->SetParentFont(false);
    Scroller->Font().SetName("Arial Black");
    Scroller->Font().SetHeight(-11);
    Scroller->Font().SetColor(kOrange);
    Scroller->SetText(kCredits);
    Scroller->Loaded();
    ShowAndPump(*Form);
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) Scroller->OnTimer(Scroller);
    Screen().Pump();
  }
  TColor At(int x, int y) const { return const_cast<ScrollingTextTest*>(this)->Screen().Pixel(kLeft + x, kTop + y); }
  // Columns of the control that show anything but the background.
  std::set<int> InkColumns() const {
    std::set<int> columns;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (At(x, y) != kBackground) columns.insert(x);
    return columns;
  }
  // Every colour but the background seen in each of `columns` during one whole pass of the text.
  std::map<int, std::set<TColor>> ColoursDuringPass(const std::vector<int>& columns) {
    std::map<int, std::set<TColor>> seen;
    const int ticks = Scroller->StripWidth() - kWidth;
    for (int t = 0; t < ticks; ++t) {
      Tick();
      for (int x : columns)
        for (int y = 0; y < kHeight; ++y)
          if (const TColor c = At(x, y); c != kBackground) seen[x].insert(c);
    }
    return seen;
  }
  std::vector<TColor> Frame() const {
    std::vector<TColor> pixels;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) pixels.push_back(At(x, y));
    return pixels;
  }

  TForm* Form = nullptr;
  TALScrollingText* Scroller = nullptr;
};
}  // namespace

TEST(CalcColorIndexTest, blends_with_rounding_to_nearest_and_refuses_indices_outside_the_steps) {
  EXPECT_EQ(TALScrollingText::CalcColorIndex(kBackground, kOrange, 15, 1), RGB(17, 26, 32));
  EXPECT_EQ(TALScrollingText::CalcColorIndex(kBackground, kOrange, 15, 8), RGB(136, 70, 16));
  EXPECT_EQ(TALScrollingText::CalcColorIndex(kBackground, kOrange, 15, 15), RGB(255, 114, 0));
  // Halves round away from zero, in both directions of a channel.
  EXPECT_EQ(TALScrollingText::CalcColorIndex(RGB(0, 0, 0), RGB(1, 0, 0), 3, 2), RGB(1, 0, 0));
  EXPECT_EQ(TALScrollingText::CalcColorIndex(RGB(1, 0, 0), RGB(0, 0, 0), 3, 2), RGB(0, 0, 0));
  // System colours are resolved first; a one-step blend is its start colour.
  EXPECT_EQ(TALScrollingText::CalcColorIndex(clBtnFace, clBlack, 2, 1), ColorToRGB(clBtnFace));
  EXPECT_EQ(TALScrollingText::CalcColorIndex(kBackground, kOrange, 1, 1), kBackground);
  for (int bad : {0, 16, -3}) {
    try {
      TALScrollingText::CalcColorIndex(kBackground, kOrange, 15, bad);
      ADD_FAILURE() << "index " << bad << " was accepted";
    } catch (const ERangeError& e) {
      EXPECT_EQ(e.Message(), "ColorIndex can't be less than 1 or greater than 15");
    }
  }
}

TEST_F(ScrollingTextTest, construction_stores_its_defaults_after_the_first_rebuild) {
  TALScrollingText loose(nullptr);
  EXPECT_EQ(loose.Text(), "Text");
  EXPECT_EQ(loose.ScrollTimer().Interval(), 50u);
  EXPECT_EQ(loose.ScrollPos(), -50);
  EXPECT_EQ(loose.StripWidth(), 100);  // built while the text was still empty
  loose.Loaded();
  EXPECT_GT(loose.StripWidth(), 100);
  EXPECT_EQ(loose.ScrollPos(), 50 - loose.StripWidth());
}

TEST_F(ScrollingTextTest, fade_columns_blend_from_the_background_to_the_font_colour_at_both_edges) {
  const auto seen = ColoursDuringPass({0, 1, 7, 14, 148, kWidth - 15, kWidth - 8, kWidth - 2, kWidth - 1});
  EXPECT_EQ(seen.count(0), 0u);  // column 0 is the background itself
  EXPECT_EQ(seen.count(kWidth - 1), 0u);
  const std::set<TColor> column1{TALScrollingText::CalcColorIndex(kBackground, kOrange, 15, 2)};
  EXPECT_EQ(seen.at(1), column1);
  EXPECT_EQ(seen.at(kWidth - 2), column1);
  EXPECT_EQ(seen.at(7), std::set<TColor>{RGB(136, 70, 16)});
  EXPECT_EQ(seen.at(kWidth - 8), std::set<TColor>{RGB(136, 70, 16)});
  EXPECT_EQ(seen.at(14), std::set<TColor>{RGB(255, 114, 0)});
  EXPECT_EQ(seen.at(kWidth - 15), std::set<TColor>{RGB(255, 114, 0)});
  EXPECT_EQ(seen.at(148), std::set<TColor>{kOrange});
}

TEST_F(ScrollingTextTest, without_fade_the_text_keeps_its_colour_up_to_the_edges) {
  Scroller->SetEdgeFadeWidth(0);
  Scroller->SetText("mira");
  const auto seen = ColoursDuringPass({0, kWidth - 1});
  EXPECT_EQ(seen.at(0), std::set<TColor>{kOrange});
  EXPECT_EQ(seen.at(kWidth - 1), std::set<TColor>{kOrange});
}

TEST_F(ScrollingTextTest, right_to_left_enters_at_the_right_and_restarts_once_the_last_pixel_left) {
  EXPECT_EQ(Scroller->ScrollPos(), 0);
  EXPECT_TRUE(InkColumns().empty());
  Tick(20);
  EXPECT_EQ(Scroller->ScrollPos(), -20);
  const std::set<int> ink = InkColumns();
  ASSERT_FALSE(ink.empty());
  EXPECT_GE(*ink.begin(), kWidth - 20);

  const int pass = Scroller->StripWidth() - kWidth;
  Tick(pass - 1 - 20);
  EXPECT_EQ(Scroller->ScrollPos(), kWidth - Scroller->StripWidth() + 1);  // last text column at x 0
  Tick();
  EXPECT_EQ(Scroller->ScrollPos(), 0);
  EXPECT_TRUE(InkColumns().empty());
}

TEST_F(ScrollingTextTest, left_to_right_enters_at_the_left_and_a_direction_change_restarts_the_pass) {
  Tick(50);
  Scroller->SetTextDirection(tdRightToLeft);  // the current direction: nothing happens
  EXPECT_EQ(Scroller->ScrollPos(), -50);
  Scroller->SetTextDirection(tdLeftToRight);
  EXPECT_EQ(Scroller->ScrollPos(), kWidth - Scroller->StripWidth());
  Tick();
  EXPECT_TRUE(InkColumns().empty());  // the text's last column sits on the background-coloured edge
  Tick(20);
  const std::set<int> ink = InkColumns();
  ASSERT_FALSE(ink.empty());
  EXPECT_LT(*ink.rbegin(), 21);
  Tick(Scroller->StripWidth() - kWidth - 22);
  EXPECT_EQ(Scroller->ScrollPos(), -1);
  Tick();
  EXPECT_EQ(Scroller->ScrollPos(), kWidth - Scroller->StripWidth());

  Scroller->SetTextDirection(tdRightToLeft);
  EXPECT_EQ(Scroller->ScrollPos(), 0);
}

TEST_F(ScrollingTextTest, a_text_change_keeps_the_position_and_a_shorter_strip_restarts_at_the_next_tick) {
  Tick(100);
  const std::vector<TColor> before = Frame();
  Scroller->SetText(kCredits + " <03:25>");
  EXPECT_EQ(Scroller->ScrollPos(), -100);
  Screen().Pump();
  EXPECT_EQ(Frame(), before);  // no repaint of its own: the next tick shows the new text
  Tick();
  EXPECT_EQ(Scroller->ScrollPos(), -101);

  Tick(400);
  Scroller->SetText("x");
  EXPECT_EQ(Scroller->ScrollPos(), -501);
  // Painted before that tick (the window uncovered, say), the short strip ends inside the control:
  // beyond its end the backdrop shows, plain font colour up to the fade, nothing of the frame before.
  Scroller->Invalidate();
  Screen().Pump();
  const int stripEnd = Scroller->ScrollPos() + Scroller->StripWidth();
  ASSERT_LT(stripEnd, kWidth - 40);
  for (int y = 0; y < kHeight; ++y)
    for (int x = stripEnd; x < kWidth - 20; ++x) ASSERT_EQ(At(x, y), kOrange) << x << "," << y;
  Tick();
  EXPECT_EQ(Scroller->ScrollPos(), 0);
}

TEST_F(ScrollingTextTest, green_text_switches_the_key_to_red_and_still_shows) {
  Scroller->Font().SetColor(clGreen);
  Tick(150);
  int green = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 20; x < kWidth - 20; ++x) green += At(x, y) == clGreen;
  EXPECT_GT(green, 20);

  // A green background switches the key too: the background still shows around orange text.
  Scroller->Font().SetColor(kOrange);
  Scroller->SetBackgroundColor(clGreen);
  Tick();
  int orange = 0, background = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 20; x < kWidth - 20; ++x) {
      orange += At(x, y) == kOrange;
      background += At(x, y) == clGreen;
    }
  EXPECT_GT(orange, 20);
  EXPECT_GT(background, 1000);
}

TEST_F(ScrollingTextTest, a_disabled_caption_keeps_its_frame_and_showing_it_again_resumes) {
  Tick(60);
  const std::vector<TColor> frame = Frame();
  Scroller->SetEnabled(false);
  Screen().Advance(200);
  EXPECT_EQ(Scroller->ScrollPos(), -60);
  Form->Invalidate();
  Screen().Pump();
  EXPECT_EQ(Frame(), frame);

  Scroller->SetEnabled(true);
  Scroller->SetVisible(false);
  EXPECT_FALSE(Scroller->Enabled());
  Screen().Advance(200);
  EXPECT_EQ(Scroller->ScrollPos(), -60);
  Scroller->SetVisible(true);
  EXPECT_TRUE(Scroller->Enabled());
  Screen().Advance(100);
  EXPECT_EQ(Scroller->ScrollPos(), -70);  // one pixel per 10 ms tick
}

TEST_F(ScrollingTextTest, changes_between_two_frames_show_as_the_last_of_them_at_the_next_repaint) {
  Tick(150);
  const std::vector<TColor> credits = Frame();
  // A new title and colour set and set back before anything is drawn leave no trace.
  Scroller->SetText("x");
  Scroller->Font().SetColor(clGreen);
  Scroller->SetText(kCredits);
  Scroller->Font().SetColor(kOrange);
  Form->Invalidate();
  Screen().Pump();
  EXPECT_EQ(Frame(), credits);
  // The window system's repaint shows a change as a tick would, at the same position.
  Scroller->SetText("x");
  Form->Invalidate();
  Screen().Pump();
  EXPECT_EQ(Scroller->ScrollPos(), -150);
  const std::set<int> ink = InkColumns();
  ASSERT_FALSE(ink.empty());
  EXPECT_GE(*ink.begin(), kWidth - 150);
  EXPECT_LT(*ink.rbegin(), kWidth - 150 + 12);
}
