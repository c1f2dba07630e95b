// SPDX-License-Identifier: MIT
// The list box: selection by keyboard and mouse, scrolling, its message hook, scroll bar and rows.
#include <set>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "components/Exception.h"
#include "components/TCustomListBox.h"

namespace {
// A list that records which rows it was asked to draw.
class TRecordingList : public TCustomListBox {
public:
  using TCustomListBox::TCustomListBox;
  std::vector<int> Drawn;
  std::vector<TOwnerDrawState> States;
  int Invalidations = 0;

protected:
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override {
    Drawn.push_back(index);
    States.push_back(state);
    TCustomListBox::DrawItem(index, rect, state);
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    ++Invalidations;
    Invalidate();
    TCustomListBox::MouseDown(b, s, x, y);
  }
};

class ListBoxTest : public FrameworkTest {
protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    Form = &NewForm(300, 200);
    List = &Form->Add<TRecordingList>("List");
    List->SetBorderStyle(bsNone);
    List->SetStyle(lbOwnerDrawFixed);
    List->SetBounds(100, 100, 120, 78);  // four whole rows of 16 and part of a fifth
    List->SetItemHeight(16);
    ShowAndPump(*Form);
  }
  void Fill(int n) {
    for (int i = 0; i < n; ++i) List->Items().Add("Track " + std::to_string(i));
    Screen().Pump();
  }
  // Window coordinates of the middle of visible row r.
  TPoint Row(int r) const { return {150, 100 + r * 16 + 8}; }

  TForm* Form = nullptr;
  TRecordingList* List = nullptr;
};
}  // namespace

TEST_F(ListBoxTest, keys_move_the_selection_and_keep_it_in_view) {
  Fill(20);
  ASSERT_TRUE(List->Focused());
  Screen().PressKey(vk::Down);
  EXPECT_EQ(List->ItemIndex(), 0);  // nothing was selected: the first key selects the current line
  Screen().PressKey(vk::Down);
  Screen().PressKey(vk::Down);
  Screen().PressKey(vk::Down);
  Screen().PressKey(vk::Down);
  EXPECT_EQ(List->ItemIndex(), 4);
  EXPECT_EQ(List->TopIndex(), 1);  // row 4 is only partly visible from the top: scrolled by one
  Screen().PressKey(vk::Next);
  EXPECT_EQ(List->ItemIndex(), 7);
  EXPECT_EQ(List->TopIndex(), 4);
  Screen().PressKey(vk::End);
  EXPECT_EQ(List->ItemIndex(), 19);
  EXPECT_EQ(List->TopIndex(), 16);
  Screen().PressKey(vk::Prior);
  EXPECT_EQ(List->ItemIndex(), 16);
  Screen().PressKey(vk::Up);
  EXPECT_EQ(List->ItemIndex(), 15);
  EXPECT_EQ(List->TopIndex(), 15);
  Screen().PressKey(vk::Home);
  EXPECT_EQ(List->ItemIndex(), 0);
  EXPECT_EQ(List->TopIndex(), 0);
  Screen().PressKey(vk::Up);
  EXPECT_EQ(List->ItemIndex(), 0);
}

TEST_F(ListBoxTest, enter_and_space_arrive_as_characters_and_a_key_handler_can_swallow_navigation) {
  Fill(5);
  std::vector<int> chars;
  List->OnKeyPress = [&](TObject*, char& key) { chars.push_back(key); };
  Screen().PressKey(vk::Return);
  Screen().PressKey(vk::Space);
  EXPECT_EQ(chars, (std::vector<int>{13, 32}));
  List->OnKeyDown = [](TObject*, uint16_t& key, TShiftState) { key = 0; };
  Screen().PressKey(vk::End);
  EXPECT_EQ(List->ItemIndex(), -1);
}

TEST_F(ListBoxTest, a_press_selects_the_row_under_the_pointer_and_a_drag_follows_it) {
  Fill(20);
  List->SetTopIndex(3);
  int clicks = 0;
  List->OnClick = [&](TObject*) { ++clicks; };
  Screen().PressPointer(Row(2).X, Row(2).Y);
  EXPECT_EQ(List->ItemIndex(), 5);
  EXPECT_EQ(List->Invalidations, 1);  // the virtual MouseDown ran
  Screen().MovePointer(Row(3).X, Row(3).Y);
  EXPECT_EQ(List->ItemIndex(), 6);
  Screen().MovePointer(Row(3).X, 250);  // dragged below the list: scrolls on
  EXPECT_EQ(List->ItemIndex(), 7);
  Screen().ReleasePointer(Row(3).X, 250);
  Screen().MovePointer(Row(0).X, Row(0).Y);
  EXPECT_EQ(List->ItemIndex(), 7);
  EXPECT_EQ(clicks, 3);
  // A press below the last line selects nothing.
  List->Items().Clear();
  List->Items().Add("only");
  Screen().Click(Row(3).X, Row(3).Y);
  EXPECT_EQ(List->ItemIndex(), -1);
}

TEST_F(ListBoxTest, double_click_selects_before_its_handler_runs) {
  Fill(10);
  int seen = -2;
  List->OnDblClick = [&](TObject*) { seen = List->ItemIndex(); };
  Screen().DoubleClick(Row(1).X, Row(1).Y);
  EXPECT_EQ(seen, 1);
}

TEST_F(ListBoxTest, the_wheel_scrolls_without_changing_the_selection) {
  Fill(20);
  List->SetItemIndex(2);
  Screen().Wheel(Row(1).X, Row(1).Y, -120);
  EXPECT_EQ(List->TopIndex(), 3);
  Screen().Wheel(Row(1).X, Row(1).Y, -360);
  EXPECT_EQ(List->TopIndex(), 12);
  Screen().Wheel(Row(1).X, Row(1).Y, -1200);
  EXPECT_EQ(List->TopIndex(), 16);  // never past the last page
  Screen().Wheel(Row(1).X, Row(1).Y, 240);
  EXPECT_EQ(List->TopIndex(), 10);
  EXPECT_EQ(List->ItemIndex(), 2);
}

TEST_F(ListBoxTest, set_current_selection_scrolls_into_view_and_fails_harmlessly_on_an_empty_list) {
  EXPECT_EQ(List->Perform(LB_SETCURSEL, 0), LB_ERR);
  EXPECT_EQ(List->ItemIndex(), -1);
  Fill(20);
  EXPECT_EQ(List->Perform(LB_SETCURSEL, 10), 10);
  EXPECT_EQ(List->TopIndex(), 7);
  EXPECT_EQ(List->Perform(LB_SETCURSEL, 2), 2);
  EXPECT_EQ(List->TopIndex(), 2);
  EXPECT_EQ(List->Perform(LB_SETCURSEL, 99), LB_ERR);
  EXPECT_EQ(List->ItemIndex(), -1);
}

TEST_F(ListBoxTest, clearing_the_selected_line_leaves_no_current_line) {
  Fill(20);
  List->Perform(LB_SETCURSEL, 10);
  for (int i = 0; i < List->Count(); ++i) List->SetSelected(i, false);
  EXPECT_EQ(List->ItemIndex(), -1);
  EXPECT_EQ(List->TopIndex(), 7);  // the scroll position stays
  List->SetSelected(3, true);
  EXPECT_TRUE(List->Selected(3));
  EXPECT_FALSE(List->Selected(4));
  List->SetSelected(4, false);  // not the selected one: nothing changes
  EXPECT_EQ(List->ItemIndex(), 3);
  EXPECT_THROW(List->Selected(20), EListError);
  EXPECT_THROW(List->Items()[-1], EListError);
}

TEST_F(ListBoxTest, the_message_hook_sees_every_message_and_its_result_is_the_answer) {
  std::set<uint32_t> seen;
  TWndMethod old = List->WindowProc();
  List->SetWindowProc([&, old](TMessage& m) {
    seen.insert(m.Msg);
    old(m);
  });
  Fill(10);
  List->SetItemIndex(1);
  Screen().PressKey(vk::Down);
  Screen().PressKey(vk::Return);
  Screen().Click(Row(3).X, Row(3).Y);
  Screen().Wheel(Row(2).X, Row(2).Y, -120);
  Screen().MovePointer(Row(1).X, Row(1).Y);
  Form->Invalidate();
  Screen().Pump();
  for (uint32_t msg : {LB_ADDSTRING, LB_SETCURSEL, LB_GETCURSEL, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_LBUTTONDOWN,
                       WM_LBUTTONUP, WM_MOUSEMOVE, WM_MOUSEWHEEL, WM_PAINT})
    EXPECT_TRUE(seen.count(msg)) << "message " << std::hex << msg << " bypassed the hook";
  EXPECT_EQ(List->ItemIndex(), 3);
  EXPECT_EQ(List->Count(), 10);
}

TEST_F(ListBoxTest, a_hook_reads_the_line_each_add_carries_and_the_area_each_paint_covers) {
  std::vector<std::string> lines;
  std::vector<TRect> areas;
  TWndMethod old = List->WindowProc();
  List->SetWindowProc([&, old](TMessage& m) {
    if (m.Msg == LB_ADDSTRING || m.Msg == LB_INSERTSTRING) lines.push_back(UnpackLine(m));
    if (m.Msg == WM_PAINT) areas.push_back(UnpackPaintArea(m));
    old(m);
  });
  List->Items().Add("second");
  List->Items().Insert(0, "first");
  List->Items().Insert(-1, "last");
  EXPECT_EQ(lines, (std::vector<std::string>{"second", "first", "last"}));
  EXPECT_EQ(List->Items()[0], "first");
  EXPECT_EQ(List->Items()[2], "last");

  // Painting hands the list the part of the form to paint, in the form's coordinates.
  Form->Invalidate();
  Screen().Pump();
  ASSERT_FALSE(areas.empty());
  for (const TRect& area : areas) EXPECT_EQ(area.Intersect(List->BoundsRect()), area);
}

TEST_F(ListBoxTest, scroll_bar_shows_when_rows_overflow_and_a_hook_hiding_it_on_every_message_keeps_it_hidden) {
  Fill(4);
  EXPECT_FALSE(List->ScrollBarVisible());
  List->Items().Add("fifth");
  EXPECT_TRUE(List->ScrollBarVisible());
  EXPECT_EQ(List->ClientWidth(), 120 - TCustomListBox::kScrollBarWidth);
  // Hidden once, it comes back when the lines change.
  List->ShowScrollBar(sbBoth, false);
  EXPECT_FALSE(List->ScrollBarVisible());
  List->Items().Add("sixth");
  EXPECT_TRUE(List->ScrollBarVisible());

  TWndMethod old = List->WindowProc();
  List->SetWindowProc([this, old](TMessage& m) {
    List->ShowScrollBar(sbBoth, false);
    old(m);
  });
  bool everShownWhilePainting = false;
  TWndMethod hooked = List->WindowProc();
  List->SetWindowProc([&, hooked](TMessage& m) {
    hooked(m);
    if (m.Msg == WM_PAINT && List->ScrollBarVisible()) everShownWhilePainting = true;
  });
  for (int i = 0; i < 20; ++i) List->Items().Add("more " + std::to_string(i));
  Screen().PressKey(vk::End);
  Screen().Pump();
  EXPECT_FALSE(everShownWhilePainting);
  EXPECT_EQ(List->ClientWidth(), 120);
  EXPECT_EQ(List->TopIndex(), 22);
}

TEST_F(ListBoxTest, owner_draw_is_called_only_for_visible_rows_with_the_focus_after_the_selected_one) {
  Fill(20);
  List->SetTopIndex(6);
  List->SetItemIndex(8);
  List->Drawn.clear();
  List->States.clear();
  Screen().Pump();
  EXPECT_EQ(List->Drawn, (std::vector<int>{6, 7, 8, 9, 10}));  // the fifth row is partly visible
  ASSERT_EQ(List->States.size(), 5u);
  EXPECT_EQ(List->States[2], odSelected | odFocused);
  EXPECT_EQ(List->States[0], 0);
  List->Drawn.clear();
  List->Items().Clear();
  Screen().Pump();
  EXPECT_TRUE(List->Drawn.empty());
}

TEST_F(ListBoxTest, rows_are_drawn_with_the_list_font_and_window_brush_and_outside_rows_the_brush_shows) {
  Fill(2);
  List->Brush().SetColor(clBlue);
  TColor rowBrush = clNone;
  List->OnDrawItem = [&](TObject*, int, const TRect& r, TOwnerDrawState) {
    rowBrush = List->Canvas().Brush().Color();
    List->Canvas().Brush().SetColor(clRed);
    List->Canvas().FillRect(r);
  };
  List->Invalidate();
  Screen().Pump();
  EXPECT_EQ(rowBrush, clBlue);
  EXPECT_EQ(Screen().Pixel(110, 105), clRed);   // row 0
  EXPECT_EQ(Screen().Pixel(110, 140), clBlue);  // below the two rows
}

TEST_F(ListBoxTest, an_empty_focused_list_fills_the_first_row_with_the_brush_and_marks_the_focus_there) {
  List->Brush().SetColor(clWhite);
  List->Invalidate();
  Screen().Pump();
  // The focus mark inverts every other pixel of the first row's frame.
  EXPECT_EQ(Screen().Pixel(100, 100), clBlack);
  EXPECT_EQ(Screen().Pixel(101, 100), clWhite);
  EXPECT_EQ(Screen().Pixel(110, 108), clWhite);
  Screen().SetFocus(false);
  EXPECT_EQ(Screen().Pixel(100, 100), clWhite);
}
