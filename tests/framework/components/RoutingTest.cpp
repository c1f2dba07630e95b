// SPDX-License-Identifier: MIT
// Pointer input reaches the topmost visible, enabled control, and a left drag keeps its control.
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "components/TCustomListBox.h"
#include "components/TImage.h"

namespace {
struct TRecorder {
  std::vector<std::string> Log;
  void Watch(TControl& c) {
    const std::string name = c.Name();
    c.OnMouseDown = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      Log.push_back(name + " down " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnMouseMove = [this, name](TObject*, TShiftState, int x, int y) {
      Log.push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnMouseUp = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      Log.push_back(name + " up " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnClick = [this, name](TObject*) { Log.push_back(name + " click"); };
  }
};

class RoutingTest : public FrameworkTest {
protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    Form = &NewForm(200, 100);
    Form->SetName("Form");
    Lower = &Form->Add<TImage>("Lower");
    Lower->SetBounds(10, 10, 60, 40);
    Upper = &Form->Add<TImage>("Upper");
    Upper->SetBounds(40, 20, 60, 40);
    for (TControl* c : {static_cast<TControl*>(Form), static_cast<TControl*>(Lower), static_cast<TControl*>(Upper)})
      Rec.Watch(*c);
    ShowAndPump(*Form);
  }
  TForm* Form = nullptr;
  TImage* Lower = nullptr;
  TImage* Upper = nullptr;
  TRecorder Rec;
};
}  // namespace

TEST_F(RoutingTest, press_goes_to_the_later_created_control_where_two_overlap_in_its_own_coordinates) {
  Screen().PressPointer(50, 30, TMouseButton::mbRight);
  Screen().PressPointer(15, 15, TMouseButton::mbRight);
  Screen().PressPointer(150, 80, TMouseButton::mbMiddle);
  EXPECT_EQ(Rec.Log, (std::vector<std::string>{"Upper down 10,10", "Lower down 5,5", "Form down 150,80"}));
}

TEST_F(RoutingTest, hidden_and_disabled_controls_let_the_pointer_through_to_what_lies_beneath) {
  Upper->Hide();
  Screen().Click(50, 30, TMouseButton::mbRight);
  Upper->Show();
  Upper->SetEnabled(false);
  Lower->SetEnabled(false);
  Screen().Click(50, 30, TMouseButton::mbRight);
  EXPECT_EQ(Rec.Log,
            (std::vector<std::string>{"Lower down 40,20", "Lower up 40,20", "Form down 50,30", "Form up 50,30"}));
  EXPECT_EQ(Form->ControlAtPos({50, 30}), nullptr);
  EXPECT_EQ(Form->ControlAtPos({50, 30}, true), Upper);
}

TEST_F(RoutingTest, left_drag_keeps_every_move_and_the_release_for_its_control_also_outside_the_window) {
  Screen().PressPointer(50, 30);
  EXPECT_TRUE(Screen().PointerCaptured());
  Screen().MovePointer(20, 15);    // over Lower now, but Upper holds the pointer
  Screen().MovePointer(-30, 250);  // outside the window
  Screen().ReleasePointer(-40, 260);
  EXPECT_FALSE(Screen().PointerCaptured());
  EXPECT_EQ(Rec.Log, (std::vector<std::string>{"Upper down 10,10", "Upper move -20,-5", "Upper move -70,230",
                                               "Upper up -80,240"}));
  // Released outside: no click. Afterwards moves go where the pointer is again.
  Rec.Log.clear();
  Screen().MovePointer(20, 15);
  Screen().MovePointer(-5, 15);
  EXPECT_EQ(Rec.Log, (std::vector<std::string>{"Lower move 10,5"}));
}

TEST_F(RoutingTest, right_and_middle_presses_are_not_captured) {
  Screen().PressPointer(50, 30, TMouseButton::mbRight);
  EXPECT_FALSE(Screen().PointerCaptured());
  Screen().MovePointer(20, 15);
  Screen().MovePointer(-30, 250);
  Screen().ReleasePointer(-30, 250, TMouseButton::mbRight);
  Screen().PressPointer(50, 30, TMouseButton::mbMiddle);
  Screen().MovePointer(15, 12);
  EXPECT_EQ(Rec.Log,
            (std::vector<std::string>{"Upper down 10,10", "Lower move 10,5", "Upper down 10,10", "Lower move 5,2"}));
}

TEST_F(RoutingTest, click_fires_between_release_inside_and_mouse_up_and_shift_carries_the_left_button_as_bit_3) {
  TShiftState seen;
  Upper->OnMouseMove = [&](TObject*, TShiftState s, int, int) { seen = s; };
  Screen().PressPointer(50, 30);
  Screen().MovePointer(52, 31);
  Screen().ReleasePointer(52, 31);
  EXPECT_EQ(seen.Bits() & 8, 8);
  EXPECT_TRUE(seen.Contains(ssLeft));
  EXPECT_EQ(Rec.Log, (std::vector<std::string>{"Upper down 10,10", "Upper click", "Upper up 12,11"}));
}

TEST_F(RoutingTest, double_click_fires_click_once_and_dblclick_once) {
  int clicks = 0, doubles = 0;
  TShiftState secondPress;
  Upper->OnClick = [&](TObject*) { ++clicks; };
  Upper->OnDblClick = [&](TObject*) { ++doubles; };
  Upper->OnMouseDown = [&](TObject*, TMouseButton, TShiftState s, int, int) { secondPress = s; };
  Screen().DoubleClick(50, 30);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(doubles, 1);
  EXPECT_TRUE(secondPress.Contains(ssDouble));
}

TEST_F(RoutingTest, a_control_hidden_during_its_drag_releases_the_pointer) {
  Screen().PressPointer(50, 30);
  Upper->Hide();
  EXPECT_FALSE(Screen().PointerCaptured());
  Screen().MovePointer(-30, 250);
  Screen().MovePointer(20, 15);
  EXPECT_EQ(Rec.Log, (std::vector<std::string>{"Upper down 10,10", "Lower move 10,5"}));
}

TEST_F(RoutingTest, the_list_lies_above_every_windowless_control) {
  auto& list = Form->Add<TCustomListBox>("List");
  list.SetBounds(30, 0, 50, 50);
  Rec.Watch(list);
  auto& latest = Form->Add<TImage>("Latest");
  latest.SetBounds(30, 0, 50, 50);
  Rec.Watch(latest);
  Screen().MovePointer(50, 30);
  ASSERT_EQ(Rec.Log.size(), 1u);
  EXPECT_EQ(Rec.Log[0].substr(0, 9), "List move");
}

TEST_F(RoutingTest, cursor_follows_the_control_under_the_pointer_and_stays_with_the_drag) {
  Upper->SetCursor(crSizeWE);
  Lower->SetCursor(crSizeNS);
  Screen().MovePointer(50, 30);
  EXPECT_EQ(Screen().Cursor(), crSizeWE);
  Screen().MovePointer(15, 15);
  EXPECT_EQ(Screen().Cursor(), crSizeNS);
  Screen().MovePointer(150, 80);
  EXPECT_EQ(Screen().Cursor(), crArrow);
  Screen().PressPointer(50, 30);
  Screen().MovePointer(150, 80);
  EXPECT_EQ(Screen().Cursor(), crSizeWE);
}

TEST_F(RoutingTest, handlers_read_the_pointer_and_the_window_on_the_screen) {
  Form->SetLeft(300);
  Form->SetTop(200);
  EXPECT_EQ(Screen().WindowPos(), (TPoint{300, 200}));
  TPoint atPress;
  Upper->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { atPress = Application.CursorPos(); };
  Screen().PressPointer(50, 30);
  EXPECT_EQ(atPress, (TPoint{350, 230}));
  EXPECT_EQ(Upper->ClientToScreen({0, 0}), (TPoint{340, 220}));
  // A test can put the pointer anywhere on the screen, as a window manager drag would.
  Screen().SetPointerScreenPos({5, 6});
  EXPECT_EQ(Application.CursorPos(), (TPoint{5, 6}));
}

TEST_F(RoutingTest, a_control_destroyed_while_holding_the_pointer_leaves_no_dangling_capture) {
  Screen().PressPointer(50, 30);
  Form->DestroyComponent(Upper);
  Upper = nullptr;
  EXPECT_EQ(Form->CaptureControl(), nullptr);
  Screen().MovePointer(15, 15);
  Screen().ReleasePointer(15, 15);
  EXPECT_EQ(Rec.Log.back(), "Lower up 5,5");
}
