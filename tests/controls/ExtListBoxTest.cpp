// SPDX-License-Identifier: MIT
// The colour-lined list box: the player's colours, odd and even rows, the background, when changes show.
#include <string>

#include "ControlsFixture.h"
#include "controls/ExtListBox.h"

namespace {
constexpr TColor kOrange = 29439;       // 0x0072FF
constexpr TColor kLightOrange = 44799;  // 0x00AEFF
constexpr int kLeft = 104, kTop = 176, kRow = 16;

class ExtListBoxTest : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Form = &NewForm(496, 287);
    List = &Form->Add<TExtListBox>("List_Tracks");
    List->SetBounds(kLeft, kTop, 289, 78);
    List->SetBorderStyle(bsNone);
    List->SetItemHeight(kRow);
    List->SetParentFont(false);
    List->Font().SetName("Arial");
    List->Font().SetHeight(-11);
    List->Font().SetColor(kOrange);
  }
  void Show() {
    ShowAndPump(*Form);
    // An inactive window draws no focus rectangle over the rows.
    Screen().SetFocus(false);
    Screen().Pump();
  }
  void Repaint() {
    List->Invalidate();
    Screen().Pump();
  }
  TColor At(int x, int y) { return Screen().Pixel(kLeft + x, kTop + y); }
  // How many pixels of row `row` (inside its frame) have colour `c`.
  int CountInRow(int row, TColor c) {
    int n = 0;
    for (int y = row * kRow + 1; y < (row + 1) * kRow - 1; ++y)
      for (int x = 1; x < 288; ++x) n += At(x, y) == c;
    return n;
  }
  bool FrameIs(int row, TColor c) {
    const int top = row * kRow, bottom = top + kRow - 1;
    for (int x = 0; x < 289; ++x)
      if (At(x, top) != c || At(x, bottom) != c) return false;
    for (int y = top; y <= bottom; ++y)
      if (At(0, y) != c || At(288, y) != c) return false;
    return true;
  }

  TForm* Form = nullptr;
  TExtListBox* List = nullptr;
};
}  // namespace

TEST_F(ExtListBoxTest, the_players_colours_give_black_rows_and_an_orange_selection_box) {
  List->SetLineColorOdd(clBlack);
  List->SetLineColorEven(clBlack);
  List->SetLineColorSelected(kOrange);
  List->SetFontSelectedColor(kLightOrange);
  List->SetColor(clBlack);
  for (const char* title : {"Intro", "Second piece", "Third", "Fourth", "Fifth", "Sixth"}) List->Items().Add(title);
  List->SetItemIndex(1);
  List->ShowScrollBar(sbVertical, false);  // as the player does
  Show();
  Repaint();

  for (int row : {0, 2, 3}) {
    EXPECT_TRUE(FrameIs(row, clBlack)) << row;
    EXPECT_GT(CountInRow(row, kOrange), 20) << row;
    EXPECT_EQ(CountInRow(row, kOrange) + CountInRow(row, clBlack), 287 * 14) << row;
  }
  EXPECT_TRUE(FrameIs(1, clBlack));
  EXPECT_GT(CountInRow(1, kLightOrange), 20);
  EXPECT_EQ(CountInRow(1, kOrange) + CountInRow(1, kLightOrange), 287 * 14);
  EXPECT_EQ(At(280, kRow + 8), kOrange);  // right of the text: the selection fill
  // Rows 0..4 fill 80 pixels, more than the list's 78: no background strip shows here.
  EXPECT_EQ(At(100, 77), clBlack);
}

TEST_F(ExtListBoxTest, odd_rows_take_their_colour_and_even_rows_hand_theirs_to_the_background) {
  List->SetColor(clNavy);
  List->SetLineColorOdd(clLime);
  List->SetLineColorEven(clFuchsia);
  Show();
  EXPECT_EQ(At(100, 40), ColorToRGB(clWindow));  // an empty list is all background
  List->Items().Add("zero");
  List->Items().Add("one");
  Screen().Pump();
  // The background was filled before the first even row handed over its colour.
  EXPECT_EQ(At(100, 40), ColorToRGB(clWindow));
  EXPECT_TRUE(FrameIs(0, clNavy));
  EXPECT_TRUE(FrameIs(1, clNavy));
  EXPECT_EQ(At(280, 8), clNavy);  // even row: the frame colour throughout
  EXPECT_EQ(At(280, kRow + 8), clLime);
  EXPECT_GT(CountInRow(0, kOrange), 10);  // the colour of the control's font
  Repaint();
  EXPECT_EQ(At(100, 40), clFuchsia);
  EXPECT_EQ(At(280, 8), clNavy);
}

TEST_F(ExtListBoxTest, a_colour_change_shows_only_after_the_next_key_or_pointer_press) {
  for (const char* title : {"a", "b", "c"}) List->Items().Add(title);
  Show();
  ASSERT_EQ(At(280, kRow + 8), clYellow);

  List->SetLineColorOdd(clRed);
  Screen().Pump();
  EXPECT_EQ(At(280, kRow + 8), clYellow);
  Screen().PressKey('A');  // moves nothing; the list repaints because it was pressed
  EXPECT_EQ(List->ItemIndex(), -1);
  EXPECT_EQ(At(280, kRow + 8), clRed);

  List->SetLineColorOdd(clBlue);
  Screen().Pump();
  EXPECT_EQ(At(280, kRow + 8), clRed);
  Screen().Click(kLeft + 100, kTop + 60, TMouseButton::mbRight);  // below the rows, selects nothing
  EXPECT_EQ(List->ItemIndex(), -1);
  EXPECT_EQ(At(280, kRow + 8), clBlue);
}
