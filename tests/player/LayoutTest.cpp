// SPDX-License-Identifier: MIT
// The main window's controls: their names in stacking order, where they sit and what shows at start.
#include "PlayerFixture.h"

#include "components/TTimer.h"

#include <typeinfo>

TEST_F(PlayerTest, controls_and_timers_exist_by_name_in_creation_order) {
  WriteTracks(2);
  TMainForm& form = Start();
  const std::vector<std::string> expected{
      "ImageShape",         "Scroller",           "Button_Play",      "Button_Pause",   "Button_Stop",
      "Button_Next",        "Button_Prev",        "Button_Shuffle",   "Button_Repeat",  "Button_Mute",
      "Button_Quit",        "Label_Pos",          "LeftEye_Image",    "RightEye_Image", "Hint_Label",
      "FadeBitmap_Volume",  "Slider_Volume",      "FadeBitmap_Speed", "Slider_Speed",   "FadeBitmap_Panning_Temp",
      "FadeBitmap_Panning", "Slider_Panning",     "Bitmap_Volume",    "Bitmap_Panning", "Bitmap_Speed",
      "Button_Up",          "Button_Up_Rollover", "List_Tracks",      "Timer",          "Eye_Timer",
      "StartTimer"};
  std::vector<std::string> names;
  for (int i = 0; i < form.ComponentCount(); ++i) names.push_back(form.Components(i)->Name());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(form.Timer->Interval(), 1000u);
  EXPECT_EQ(form.Eye_Timer->Interval(), 2u);
  EXPECT_EQ(form.StartTimer->Interval(), 50u);
  EXPECT_FALSE(form.StartTimer->OnTimer);
}

TEST_F(PlayerTest, only_the_skin_caption_clock_list_sliders_thumb_and_eyes_show_at_start) {
  WriteTracks(2);
  TMainForm& form = Start();
  Show();
  for (TImage* lit : {form.Button_Play, form.Button_Pause, form.Button_Stop, form.Button_Next, form.Button_Prev,
                      form.Button_Shuffle, form.Button_Repeat, form.Button_Mute, form.Button_Quit, form.Bitmap_Volume,
                      form.Bitmap_Panning, form.Bitmap_Speed, form.Button_Up_Rollover, form.FadeBitmap_Panning_Temp})
    EXPECT_FALSE(lit->Visible()) << lit->Name();
  for (TControl* shown : std::initializer_list<TControl*>{
           form.ImageShape, form.Scroller, form.Label_Pos, form.LeftEye_Image, form.RightEye_Image, form.Hint_Label,
           form.FadeBitmap_Volume, form.Slider_Volume, form.FadeBitmap_Speed, form.Slider_Speed,
           form.FadeBitmap_Panning, form.Slider_Panning, form.Button_Up, form.List_Tracks})
    EXPECT_TRUE(shown->Visible()) << shown->Name();
  // The unlit thumb lets the pointer through to what lies beneath.
  EXPECT_FALSE(form.Button_Up->Enabled());
  EXPECT_EQ(form.Slider_Volume->Cursor(), crSizeWE);
  EXPECT_EQ(form.Button_Up_Rollover->Cursor(), crSizeNS);
  EXPECT_EQ(form.Button_Prev->Hint(), "Previous");

  // Borderless, 496 x 287, centred on the screen whatever position is stored.
  EXPECT_EQ(form.Width(), 496);
  EXPECT_EQ(form.Height(), 287);
  EXPECT_EQ(Backend->WindowPos().X, (1920 - 496) / 2);
  EXPECT_EQ(Backend->WindowPos().Y, (1080 - 287) / 2);
  EXPECT_EQ(form.BorderStyle(), bsNone);
}

TEST_F(PlayerTest, pictures_keep_their_places_and_auto_sized_ones_take_the_pictures_size) {
  WriteTracks(2);
  TMainForm& form = Start();
  EXPECT_EQ(form.ImageShape->BoundsRect(), (TRect{0, 0, 496, 287}));
  EXPECT_EQ(form.Button_Play->BoundsRect(), (TRect{128, 151, 145, 159}));
  EXPECT_EQ(form.Button_Quit->BoundsRect(), (TRect{353, 277, 381, 283}));
  EXPECT_EQ(form.RightEye_Image->BoundsRect(), (TRect{431, 65, 494, 161}));
  EXPECT_EQ(form.FadeBitmap_Speed->BoundsRect(), (TRect{243, 113, 305, 122}));
  EXPECT_EQ(form.List_Tracks->BoundsRect(), (TRect{104, 176, 393, 254}));
  EXPECT_EQ(form.List_Tracks->ItemHeight(), 16);
  EXPECT_EQ(form.Scroller->BoundsRect(), (TRect{102, 41, 399, 56}));
  if (form.ImageShape->Picture().HasGraphic()) {
    EXPECT_EQ(form.LeftEye.Count(), 6);
    EXPECT_EQ(form.RightEye.Count(), 6);
  }
}
