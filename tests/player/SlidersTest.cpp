// SPDX-License-Identifier: MIT
// The volume, panning and speed knobs dragged with the pointer: knob place, value, hint, marker and sound.
#include "PlayerFixture.h"

#include "components/TTimer.h"

namespace {

constexpr int kKnobY = 6;  // a height inside every knob, in knob coordinates

}  // namespace

class SlidersTest : public PlayerTest {
protected:
  // Two modules; track 0 plays on handle 101 and the window is shown.
  TMainForm& StartShown() {
    WriteTracks(2);
    TMainForm& form = Start();
    Show();
    Calls();
    return form;
  }

  // The channel start-up made.
  const TFakeSndLib::TChannel& First() { return Fake().Channel(101); }

  // Presses the left button on the knob and moves the held pointer to window x (the knob keeps
  // the pointer, so y hardly matters), as many steps as given.
  void Drag(TImage& knob, std::initializer_list<int> xs) {
    const int y = knob.Top() + kKnobY;
    Backend->PressPointer(knob.Left() + 2, y);
    for (int x : xs) Backend->MovePointer(x, y);
    Backend->ReleasePointer(xs.size() ? *(xs.end() - 1) : knob.Left() + 2, y);
  }
};

TEST_F(SlidersTest, speed_snaps_to_normal_between_295_and_305) {
  TMainForm& form = StartShown();
  for (int x : {295, 299, 305}) {
    Drag(*form.Slider_Speed, {250});
    EXPECT_NE(First().Frequency, 44100) << x;
    Drag(*form.Slider_Speed, {x});
    EXPECT_EQ(form.Slider_Speed->Left(), 300) << x;
    EXPECT_EQ(form.Frequency, 44100) << x;
    EXPECT_EQ(First().Frequency, 44100) << x;
    EXPECT_EQ(form.Hint_Label->Caption(), "44100Hz") << x;
    EXPECT_EQ(form.Timer->Interval(), 1000u) << x;
    EXPECT_EQ(form.FadeBitmap_Speed->Width(), 59) << x;
  }
  EXPECT_TRUE(form.Bitmap_Speed->Visible());
}

TEST_F(SlidersTest, speed_sets_frequency_and_clock_interval_outside_the_snap_zone) {
  TMainForm& form = StartShown();
  Drag(*form.Slider_Speed, {294});
  // trunc(53 / 136 x 99900 + 100) = 39031, the fastest below the snap zone.
  EXPECT_EQ(form.Slider_Speed->Left(), 294);
  EXPECT_EQ(form.Frequency, 39031);
  EXPECT_EQ(form.Hint_Label->Caption(), "39031Hz");
  EXPECT_EQ(form.Timer->Interval(), 1129u);
  // The speed is the channel's alone: its volume and the output's stay.
  EXPECT_EQ(First().Frequency, 39031);
  EXPECT_EQ(First().Volume, 100);
  EXPECT_EQ(First().Pan, 0);
  EXPECT_EQ(Fake().MasterVolume, 100u);

  Drag(*form.Slider_Speed, {242});
  EXPECT_EQ(form.Frequency, 834);
  EXPECT_EQ(form.Timer->Interval(), 52877u);
  Drag(*form.Slider_Speed, {376});
  EXPECT_EQ(form.Frequency, 99265);
  EXPECT_EQ(form.Timer->Interval(), 444u);
  EXPECT_EQ(form.FadeBitmap_Speed->Width(), 135);

  // The clock follows: at 444 ms a tick, one second of simulated time counts two track seconds.
  Backend->Advance(1000);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:02");
}

TEST_F(SlidersTest, pointer_off_the_track_keeps_the_knob_but_recomputes_and_shows) {
  TMainForm& form = StartShown();
  form.Slider_Volume->SetLeft(300);
  for (int x : {241, 377, 460}) {
    form.Hint_Label->SetCaption("");
    form.Bitmap_Volume->Hide();
    Drag(*form.Slider_Volume, {x});
    EXPECT_EQ(form.Slider_Volume->Left(), 300) << x;
    // 59 / 136 x 101 = 43.8
    EXPECT_NEAR(form.Volume, 43.816, 0.001) << x;
    EXPECT_EQ(form.Hint_Label->Caption(), "43%") << x;
    EXPECT_TRUE(form.Bitmap_Volume->Visible()) << x;
    // The volume knob sets the output's volume; the channel keeps its own.
    EXPECT_EQ(Fake().MasterVolume, 43u) << x;
    EXPECT_EQ(First().Volume, 100) << x;
    EXPECT_EQ(First().Frequency, 44100) << x;
    Fake().MasterVolume = 100;
  }
}

TEST_F(SlidersTest, volume_ends_read_0_and_100_percent) {
  TMainForm& form = StartShown();
  Drag(*form.Slider_Volume, {242});
  EXPECT_NEAR(form.Volume, 0.7426, 0.0001);
  EXPECT_EQ(form.Hint_Label->Caption(), "0%");
  EXPECT_EQ(form.FadeBitmap_Volume->Width(), 1);
  EXPECT_EQ(Fake().MasterVolume, 0u);
  EXPECT_TRUE(Fake().Heard().empty());

  Drag(*form.Slider_Volume, {376});
  EXPECT_NEAR(form.Volume, 100.257, 0.001);
  EXPECT_EQ(form.Hint_Label->Caption(), "100%");
  EXPECT_EQ(form.FadeBitmap_Volume->Width(), 135);
  EXPECT_EQ(Fake().MasterVolume, 100u);
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"t0.xm"}));

  // The next track gets the value as it stands.
  form.Button_NextClick(form.Button_Next);
  EXPECT_EQ(Fake().Channel(102).Volume, 100);
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"t1.xm"}));
}

TEST_F(SlidersTest, panning_snaps_to_center_and_reaches_100_left_and_right) {
  TMainForm& form = StartShown();
  Drag(*form.Slider_Panning, {242});
  EXPECT_EQ(form.Panning, -100.5);
  EXPECT_EQ(form.Hint_Label->Caption(), "100 left");
  EXPECT_EQ(First().Pan, -100);

  Drag(*form.Slider_Panning, {304});
  EXPECT_EQ(form.Slider_Panning->Left(), 309);
  EXPECT_EQ(form.Panning, 0.0);
  EXPECT_EQ(form.Hint_Label->Caption(), "center");
  EXPECT_TRUE(form.Bitmap_Panning->Visible());
  EXPECT_EQ(First().Pan, 0);

  Drag(*form.Slider_Panning, {315});
  EXPECT_EQ(form.Hint_Label->Caption(), "9 right");
  Drag(*form.Slider_Panning, {376});
  EXPECT_EQ(form.Hint_Label->Caption(), "100 right");
  EXPECT_EQ(First().Pan, 100);
  // Panning leaves the channel's speed and volume alone.
  EXPECT_EQ(First().Frequency, 44100);
  EXPECT_EQ(First().Volume, 100);
}

TEST_F(SlidersTest, panning_bar_grows_from_the_middle_towards_the_knob_on_white) {
  TMainForm& form = StartShown();
  const TBitmap& source = form.FadeBitmap_Panning_Temp->Picture().Bitmap();
  ASSERT_EQ(source.Width(), 137);
  // The see-through ground is white; the source must differ from it to tell the two apart.
  auto column = [](const TBitmap& b, int x) {
    std::vector<TColor> c;
    for (int y = 0; y < b.Height(); ++y) c.push_back(b.Pixel(x, y));
    return c;
  };
  const std::vector<TColor> white(9, clWhite);

  Drag(*form.Slider_Panning, {262});  // w = 21: columns 21 to 67 filled
  const TBitmap& bar = form.FadeBitmap_Panning->Picture().Bitmap();
  ASSERT_EQ(bar.Width(), 137);
  ASSERT_EQ(bar.Height(), 9);
  for (int x = 0; x < 137; ++x) {
    if (x >= 21 && x < 68)
      EXPECT_EQ(column(bar, x), column(source, x)) << x;
    else
      EXPECT_EQ(column(bar, x), white) << x;
  }
  EXPECT_EQ(bar.TransparentColor(), clWhite);

  Drag(*form.Slider_Panning, {350});  // w = 109: columns 68 to 108, the left part white again
  for (int x = 0; x < 137; ++x) {
    if (x >= 68 && x < 109)
      EXPECT_EQ(column(bar, x), column(source, x)) << x;
    else
      EXPECT_EQ(column(bar, x), white) << x;
  }
}

TEST_F(SlidersTest, muted_volume_drag_changes_bar_and_hint_but_not_the_output) {
  TMainForm& form = StartShown();
  form.Button_MuteClick(form.Button_Mute);
  Drag(*form.Slider_Volume, {309});
  EXPECT_EQ(form.FadeBitmap_Volume->Width(), 68);
  EXPECT_EQ(form.Hint_Label->Caption(), "50%");
  EXPECT_EQ(Fake().MasterVolume, 0u);
  EXPECT_TRUE(Fake().Heard().empty());
  EXPECT_EQ(First().Volume, 100);
  // Unmuting applies the stored value.
  form.Button_MuteClick(form.Button_Mute);
  EXPECT_EQ(Fake().MasterVolume, 50u);
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"t0.xm"}));
}

TEST_F(SlidersTest, hover_names_the_knob_and_a_press_alone_changes_nothing) {
  TMainForm& form = StartShown();
  const std::pair<TImage*, const char*> knobs[] = {
      {form.Slider_Volume, "Volume"}, {form.Slider_Panning, "Panning"}, {form.Slider_Speed, "Speed"}};
  for (auto [knob, hint] : knobs) {
    Backend->MovePointer(knob->Left() + 2, knob->Top() + kKnobY);
    EXPECT_EQ(form.Hint_Label->Caption(), hint);
  }
  Backend->PressPointer(form.Slider_Speed->Left() + 2, form.Slider_Speed->Top() + kKnobY);
  Backend->ReleasePointer(form.Slider_Speed->Left() + 2, form.Slider_Speed->Top() + kKnobY);
  EXPECT_EQ(form.Hint_Label->Caption(), "Speed");
  EXPECT_EQ(form.FadeBitmap_Speed->Width(), 62);
  EXPECT_EQ(form.Frequency, 44100);
  EXPECT_FALSE(form.Bitmap_Speed->Visible());
  EXPECT_TRUE(Calls().empty());
}

TEST_F(SlidersTest, drag_follows_the_pointer_on_screen_wherever_the_window_is) {
  TMainForm& form = StartShown();
  Backend->SetWindowPos({40, 30});
  Drag(*form.Slider_Volume, {320});
  EXPECT_EQ(form.Slider_Volume->Left(), 320);
  EXPECT_EQ(form.FadeBitmap_Volume->Width(), 79);
}

TEST_F(SlidersTest, a_stream_gets_the_attributes_on_its_own_handle) {
  WritePlayList({"a.mp3", "A"});
  TMainForm& form = Start();
  Show();
  Calls();
  Drag(*form.Slider_Panning, {250});
  EXPECT_EQ(First().Kind, TFakeSndLib::TKind::Stream);
  EXPECT_EQ(First().Pan, -88);
}
