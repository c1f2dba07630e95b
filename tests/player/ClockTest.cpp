// SPDX-License-Identifier: MIT
// The elapsed-time clock, the end-of-track advance with its shuffle order, and the caption.
#include "PlayerFixture.h"

#include <algorithm>
#include <cmath>
#include <limits>

class ClockTest : public PlayerTest {};

TEST_F(ClockTest, a_track_of_three_minutes_twenty_five_advances_at_tick_205) {
  WriteTracks(3);
  Fake().Seconds = {{"t0.xm", 205.9}};
  TMainForm& form = Start();
  EXPECT_EQ(form.Scroller->Text(), "T0 <03:25>");
  Ticks(59);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:59");
  Ticks(1);
  EXPECT_EQ(form.Label_Pos->Caption(), "01:00");
  Ticks(144);
  EXPECT_EQ(form.Label_Pos->Caption(), "03:24");
  EXPECT_EQ(form.CurrentTrack, 0);
  Ticks(1);
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
  EXPECT_EQ(form.Scroller->Text(), "T1 <01:00>");
  EXPECT_EQ(SelectedLines(), (std::vector<int>{1}));
}

TEST_F(ClockTest, a_zero_or_negative_length_is_never_reached) {
  WriteTracks(2);
  Fake().Seconds = {{"t0.xm", 0.4}};
  TMainForm& form = Start();
  EXPECT_EQ(form.Scroller->Text(), "T0 <00:00>");
  Ticks(1);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:01");
  Ticks(100);
  EXPECT_EQ(form.CurrentTrack, 0);

  Fake().Seconds = {{"t1.xm", -1.0}};
  form.Button_NextClick(&form);
  EXPECT_EQ(form.Scroller->Text(), "T1 <00:-1>");
  EXPECT_EQ(form.LengthMinutes, 0);
  EXPECT_EQ(form.LengthSeconds, -1);
  Ticks(130);
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(form.Label_Pos->Caption(), "02:10");
}

TEST_F(ClockTest, lengths_the_clock_cannot_count_show_as_an_error_and_never_advance) {
  WriteTracks(3);
  Fake().Seconds = {{"t0.xm", std::numeric_limits<double>::quiet_NaN()}, {"t1.xm", 1e300}};
  TMainForm& form = Start();
  EXPECT_EQ(form.Scroller->Text(), "T0 <00:-1>");
  form.Button_NextClick(&form);
  EXPECT_EQ(form.Scroller->Text(), "T1 <00:-1>");
  Ticks(3);
  EXPECT_EQ(form.CurrentTrack, 1);
}

TEST_F(ClockTest, a_track_past_99_minutes_shows_three_digits) {
  WriteTracks(2);
  Fake().Seconds = {{"t0.xm", 6005.0}};
  TMainForm& form = Start();
  EXPECT_EQ(form.Scroller->Text(), "T0 <100:05>");
  // A hundred minutes of the caption's and the eyes' timers would only slow the suite down: the
  // clock's ticks go straight to its handler here.
  for (int i = 0; i < 6004; ++i) form.TimerTimer(form.Timer);
  EXPECT_EQ(form.Label_Pos->Caption(), "100:04");
  EXPECT_EQ(form.CurrentTrack, 0);
  form.TimerTimer(form.Timer);
  EXPECT_EQ(form.CurrentTrack, 1);
}

TEST_F(ClockTest, an_empty_title_is_captioned_with_the_file_name) {
  WritePlayList({"song.mp3", "", "x.xm", "X"});
  Fake().Seconds = {{"song.mp3", 250.0}};
  TMainForm& form = Start();
  EXPECT_EQ(form.Scroller->Text(), "song.mp3 <04:10>");
}

TEST_F(ClockTest, the_length_is_read_through_the_channel_of_its_kind) {
  WritePlayList({"a.xm", "A", "b.mp3", "B"});
  Fake().Seconds = {{"a.xm", 12.5}, {"b.mp3", 3.25}};
  TMainForm& form = Start();
  const auto asked = [](const TCalls& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  };
  EXPECT_TRUE(asked(Calls(), "snd_music_get_length(101,1)"));
  EXPECT_EQ(form.Scroller->Text(), "A <00:12>");
  form.Button_NextClick(&form);
  const TCalls calls = Calls();
  EXPECT_TRUE(asked(calls, "snd_stream_get_length(102)"));
  EXPECT_FALSE(asked(calls, "snd_music_get_length(102,1)"));
  EXPECT_EQ(form.Scroller->Text(), "B <00:03>");
}

TEST_F(ClockTest, paused_the_label_keeps_the_frozen_time_and_nothing_advances) {
  WriteTracks(2);
  Fake().Seconds = {{"t0.xm", 3.0}};
  TMainForm& form = Start();
  Ticks(2);
  form.Button_PauseClick(&form);
  Ticks(10);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:02");
  EXPECT_EQ(form.CurrentTrack, 0);
  form.Button_PlayClick(&form);  // nothing selected: track 0, the paused one, resumes
  EXPECT_FALSE(form.Paused);
  Ticks(1);
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
}

TEST_F(ClockTest, repeat_replays_the_selected_track_at_its_end) {
  WriteTracks(3);
  Fake().Seconds = {{"t1.xm", 2.0}};
  TMainForm& form = Start();
  form.Button_NextClick(&form);
  form.Button_RepeatClick(&form);
  Calls();
  Ticks(2);
  EXPECT_EQ(form.CurrentTrack, 1);
  // Loaded anew and heard from its start.
  EXPECT_TRUE(Fake().Channel(102).Freed);
  EXPECT_EQ(form.MusicHandle, 103u);
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"t1.xm"}));
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
  Ticks(2);
  EXPECT_EQ(form.CurrentTrack, 1);
}

TEST_F(ClockTest, shuffle_plays_the_same_order_at_every_start) {
  WriteTracks(10);
  Fake().DefaultSeconds = 1.0;
  TMainForm& form = Start();
  form.Button_ShuffleClick(form.Button_Shuffle);
  std::vector<int> played;
  for (int i = 0; i < 8; ++i) {
    Ticks(1);
    played.push_back(form.CurrentTrack);
    EXPECT_EQ(form.List_Tracks->ItemIndex(), form.CurrentTrack);
  }
  EXPECT_EQ(played, (std::vector<int>{2, 2, 2, 6, 7, 5, 5, 8}));
}

TEST_F(ClockTest, shuffle_with_fewer_than_three_tracks_picks_only_tracks_that_exist) {
  for (int count : {1, 2}) {
    if (count != 1) {
      TearDown();
      SetUp();
    }
    WriteTracks(count);
    Fake().DefaultSeconds = 1.0;
    TMainForm& form = Start();
    form.Button_ShuffleClick(&form);
    int advances = 0;
    for (int i = 0; i < 40; ++i) {
      Calls();
      Ticks(1);
      advances += !Calls().empty();
      ASSERT_GE(form.CurrentTrack, 0);
      ASSERT_LT(form.CurrentTrack, count);
    }
    EXPECT_EQ(advances, 40);
  }
}
