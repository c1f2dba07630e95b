// SPDX-License-Identifier: MIT
// Buttons lit under the pointer, the hint label, mode buttons held lit, and the list thumb.
#include "PlayerFixture.h"

class HoverTest : public PlayerTest {
protected:
  TMainForm& StartShown(int tracks = 2) {
    WriteTracks(tracks);
    TMainForm& form = Start();
    Show();
    Calls();
    return form;
  }

  std::vector<std::string> LitButtons() const {
    std::vector<std::string> lit;
    for (TImage* b :
         {Form->Button_Play, Form->Button_Pause, Form->Button_Stop, Form->Button_Next, Form->Button_Prev,
          Form->Button_Shuffle, Form->Button_Repeat, Form->Button_Mute, Form->Button_Quit, Form->Button_Up_Rollover})
      if (b->Visible()) lit.push_back(b->Name());
    return lit;
  }

  // A place on the skin that lies in no control but the skin itself.
  void MoveOverBareSkin() { Backend->MovePointer(60, 250); }
};

TEST_F(HoverTest, a_button_lights_only_strictly_inside_its_rectangle) {
  TMainForm& form = StartShown();
  MoveOverBareSkin();
  Backend->MovePointer(128, 152);
  EXPECT_TRUE(LitButtons().empty());
  EXPECT_EQ(form.Hint_Label->Caption(), "");
  Backend->MovePointer(129, 151);
  EXPECT_TRUE(LitButtons().empty());
  Backend->MovePointer(129, 152);
  EXPECT_EQ(LitButtons(), (std::vector<std::string>{"Button_Play"}));
  EXPECT_EQ(form.Hint_Label->Caption(), "Play");

  // Lit, the whole button takes the pointer and the click: the first track starts anew.
  Backend->Click(128, 151);
  EXPECT_TRUE(Fake().Channel(101).Freed);
  EXPECT_EQ(form.MusicHandle, 102u);
  EXPECT_EQ(Fake().Heard().size(), 1u);

  // Every button names itself; at most one is lit at a time.
  const std::pair<TImage*, const char*> buttons[] = {{form.Button_Pause, "Pause"},     {form.Button_Stop, "Stop"},
                                                     {form.Button_Next, "Next"},       {form.Button_Prev, "Previous"},
                                                     {form.Button_Shuffle, "Shuffle"}, {form.Button_Repeat, "Repeat"},
                                                     {form.Button_Mute, "Mute"},       {form.Button_Quit, "Quit"}};
  for (auto [button, hint] : buttons) {
    MoveOverBareSkin();
    Backend->MovePointer(button->Left() + 1, button->Top() + 1);
    EXPECT_EQ(LitButtons(), (std::vector<std::string>{button->Name()}));
    EXPECT_EQ(form.Hint_Label->Caption(), hint);
  }
}

TEST_F(HoverTest, moving_onto_the_list_or_a_fill_bar_darkens_buttons_and_hides_markers) {
  TMainForm& form = StartShown();
  for (TPoint target : {TPoint{200, 200}, TPoint{250, 77}, TPoint{250, 117}, TPoint{250, 97}}) {
    Backend->MovePointer(129, 152);
    ASSERT_EQ(LitButtons(), (std::vector<std::string>{"Button_Play"}));
    form.Bitmap_Volume->Show();
    form.Bitmap_Panning->Show();
    form.Bitmap_Speed->Show();
    Backend->MovePointer(target.X, target.Y);
    EXPECT_TRUE(LitButtons().empty()) << target.X << "," << target.Y;
    EXPECT_EQ(form.Hint_Label->Caption(), "");
    EXPECT_FALSE(form.Bitmap_Volume->Visible());
    EXPECT_FALSE(form.Bitmap_Panning->Visible());
    EXPECT_FALSE(form.Bitmap_Speed->Visible());
  }
}

TEST_F(HoverTest, mode_buttons_stay_lit_while_their_mode_holds) {
  TMainForm& form = StartShown();
  Backend->MovePointer(384, 152);
  Backend->Click(384, 152);
  ASSERT_TRUE(form.Muted);
  MoveOverBareSkin();
  EXPECT_EQ(LitButtons(), (std::vector<std::string>{"Button_Mute"}));
  EXPECT_EQ(form.Hint_Label->Caption(), "");
  // Over the lit image itself, its own handler names it.
  Backend->MovePointer(379, 148);
  EXPECT_EQ(form.Hint_Label->Caption(), "Mute");

  // Unmuted, the next pass outside darkens it.
  Backend->Click(379, 148);
  ASSERT_FALSE(form.Muted);
  MoveOverBareSkin();
  EXPECT_TRUE(LitButtons().empty());

  // Shuffle and repeat take turns; each stays lit while on.
  Backend->MovePointer(350, 152);
  Backend->Click(350, 152);
  MoveOverBareSkin();
  EXPECT_EQ(LitButtons(), (std::vector<std::string>{"Button_Shuffle"}));
  Backend->MovePointer(366, 152);
  Backend->Click(366, 152);
  MoveOverBareSkin();
  EXPECT_EQ(LitButtons(), (std::vector<std::string>{"Button_Repeat"}));
}

TEST_F(HoverTest, leaving_the_window_from_a_lit_button_leaves_it_lit) {
  StartShown();
  Backend->MovePointer(129, 152);
  Backend->MovePointer(600, 152);  // outside the window: no control gets it
  EXPECT_EQ(LitButtons(), (std::vector<std::string>{"Button_Play"}));
}

TEST_F(HoverTest, thumb_drag_scrolls_the_list_without_selecting) {
  TMainForm& form = StartShown(20);
  form.List_Tracks->SetItemIndex(3);
  // Over the unlit thumb the skin lights the thumb, which then takes the pointer itself.
  Backend->MovePointer(397, 180);
  ASSERT_TRUE(form.Button_Up_Rollover->Visible());
  EXPECT_EQ(form.Hint_Label->Caption(), "");

  // Without the left button nothing moves.
  Backend->MovePointer(397, 182);
  EXPECT_EQ(form.Button_Up->Top(), 176);

  Backend->PressPointer(397, 180);
  Backend->MovePointer(397, 210);
  EXPECT_EQ(form.Button_Up->Top(), 210);
  EXPECT_EQ(form.Button_Up_Rollover->Top(), 210);
  // trunc(20 x 36 / 71) = 10 comes into view, and nothing is selected.
  const int top = form.List_Tracks->TopIndex();
  EXPECT_LE(top, 10);
  EXPECT_GE(top + form.List_Tracks->FullRows() - 1, 10);
  EXPECT_TRUE(SelectedLines().empty());
  EXPECT_EQ(form.List_Tracks->ItemIndex(), -1);

  // Outside 175..244 below the window's top nothing changes; the thumb holds the pointer even
  // when it is far off.
  for (int y : {174, 245, 100, 270}) {
    Backend->MovePointer(397, y);
    EXPECT_EQ(form.Button_Up->Top(), 210) << y;
    EXPECT_EQ(form.List_Tracks->TopIndex(), top) << y;
  }
  Backend->MovePointer(397, 244);
  EXPECT_EQ(form.Button_Up->Top(), 244);
  EXPECT_EQ(form.List_Tracks->TopIndex(), 19 - (form.List_Tracks->FullRows() - 1));
  Backend->MovePointer(397, 175);
  EXPECT_EQ(form.Button_Up->Top(), 175);
  EXPECT_EQ(form.List_Tracks->TopIndex(), 0);
  Backend->ReleasePointer(397, 175);
  EXPECT_TRUE(SelectedLines().empty());
  // The track playing is not touched.
  EXPECT_EQ(form.CurrentTrack, 0);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(HoverTest, thumb_drag_reads_the_pointer_relative_to_the_window_top) {
  TMainForm& form = StartShown(20);
  Backend->SetWindowPos({10, 500});
  Backend->MovePointer(397, 180);
  Backend->PressPointer(397, 180);
  Backend->MovePointer(397, 200);
  EXPECT_EQ(form.Button_Up->Top(), 200);
}

TEST_F(HoverTest, thumb_drag_on_an_empty_list_moves_the_thumb_only) {
  WritePlayList({});
  TMainForm& form = Start();
  Show();
  Backend->MovePointer(397, 180);
  Backend->PressPointer(397, 180);
  Backend->MovePointer(397, 230);
  EXPECT_EQ(form.Button_Up->Top(), 230);
  EXPECT_EQ(form.List_Tracks->ItemIndex(), -1);
}
