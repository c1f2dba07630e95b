// SPDX-License-Identifier: MIT
// Track loading and the transport buttons: the library calls each one makes and what the user sees after.
#include "PlayerFixture.h"

namespace {

TCalls Release(uint32_t music, uint32_t stream) {
  const std::string m = std::to_string(music), s = std::to_string(stream);
  return {"snd_channel_stop(" + m + ")", "snd_music_free(" + m + ")", "snd_stream_free(" + s + ")",
          "snd_channel_stop(" + s + ")", "snd_start()"};
}

TCalls Concat(std::initializer_list<TCalls> parts) {
  TCalls all;
  for (const TCalls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

class TransportTest : public PlayerTest {
protected:
  // Three modules and two streams; track 0 is started by start-up with handle 101.
  TMainForm& StartMixed() {
    WritePlayList({"a.xm", "A", "b.mp3", "B", "c.it", "C", "d.mp3", "D", "e.MP3", "E"});
    TMainForm& form = Start();
    Show();
    Calls();
    return form;
  }
};

TEST_F(TransportTest, loading_a_module_and_a_stream_calls_the_library_in_order) {
  TMainForm& form = StartMixed();
  form.Volume = 57.9;
  form.Panning = -33.7;
  form.Frequency = 22050;
  form.List_Tracks->SetItemIndex(1);
  form.Button_PlayClick(form.Button_Play);
  EXPECT_EQ(Calls(),
            Concat({Release(101, 0),
                    {"snd_stream_create_file(0," + PathOf("b.mp3") + ",0,0,0x40000)", "snd_stream_get_length(102)",
                     "snd_channel_bytes_to_seconds(102,60000)", "snd_stream_play(102,0,0)", "snd_set_volume(57)",
                     "snd_channel_set_attributes(102,22050,57,-33)"}}));
  EXPECT_EQ(form.StreamMode, 1);
  EXPECT_EQ(form.CurrentTrack, 1);

  form.List_Tracks->SetItemIndex(2);
  form.Button_PlayClick(form.Button_Play);
  EXPECT_EQ(Calls(), Concat({Release(101, 102),
                             {"snd_music_load(0," + PathOf("c.it") + ",0,0,0x2001)", "snd_music_get_length(103,1)",
                              "snd_channel_bytes_to_seconds(103,60000)", "snd_music_play_ex(103,0,-1,1)",
                              "snd_set_volume(57)", "snd_channel_set_attributes(103,22050,57,-33)"}}));
  EXPECT_EQ(form.StreamMode, 0);
  EXPECT_EQ(form.MusicHandle, 103u);
  EXPECT_EQ(form.StreamHandle, 102u);
}

TEST_F(TransportTest, an_upper_case_mp3_extension_loads_as_a_module) {
  TMainForm& form = StartMixed();
  form.List_Tracks->SetItemIndex(4);
  form.Button_PlayClick(&form);
  TCalls calls = Calls();
  EXPECT_EQ(calls.at(5), "snd_music_load(0," + PathOf("e.MP3") + ",0,0,0x2001)");
  EXPECT_EQ(form.StreamMode, 0);
}

TEST_F(TransportTest, play_with_nothing_selected_starts_track_zero_and_selects_it) {
  TMainForm& form = StartMixed();
  form.Button_NextClick(&form);
  form.List_Tracks->SetItemIndex(-1);
  Calls();
  form.Button_PlayClick(&form);
  EXPECT_EQ(form.CurrentTrack, 0);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{0}));
  EXPECT_EQ(Calls().at(5), "snd_music_load(0," + PathOf("a.xm") + ",0,0,0x2001)");
}

TEST_F(TransportTest, previous_and_next_wrap_around_and_leave_exactly_that_line_selected) {
  TMainForm& form = StartMixed();
  form.Button_PrevClick(form.Button_Prev);
  EXPECT_EQ(form.CurrentTrack, 4);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{4}));
  EXPECT_EQ(form.Scroller->Text(), "E <01:00>");
  form.Button_NextClick(form.Button_Next);
  EXPECT_EQ(form.CurrentTrack, 0);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{0}));
  form.Button_NextClick(form.Button_Next);
  form.Button_NextClick(form.Button_Next);
  EXPECT_EQ(form.CurrentTrack, 2);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{2}));
  form.Button_PrevClick(form.Button_Prev);
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{1}));
  EXPECT_TRUE(form.Playing);
}

TEST_F(TransportTest, pause_then_play_on_the_same_line_resumes_without_loading) {
  TMainForm& form = StartMixed();
  form.List_Tracks->SetItemIndex(0);
  Ticks(7);
  form.Button_PauseClick(form.Button_Pause);
  EXPECT_EQ(Calls(), (TCalls{"snd_channel_pause(101)"}));
  Ticks(3);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:07");
  form.Button_PlayClick(form.Button_Play);
  EXPECT_EQ(Calls(), (TCalls{"snd_channel_resume(101)"}));
  EXPECT_FALSE(form.Paused);
  EXPECT_EQ(form.Scroller->Text(), "A <01:00>");
  Ticks(1);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:08");
}

TEST_F(TransportTest, pause_then_another_line_starts_that_track_from_its_beginning) {
  TMainForm& form = StartMixed();
  Ticks(5);
  form.Button_PauseClick(&form);
  form.List_Tracks->SetItemIndex(3);
  Calls();
  form.List_TracksDblClick(form.List_Tracks);
  EXPECT_EQ(Calls().at(5), "snd_stream_create_file(0," + PathOf("d.mp3") + ",0,0,0x40000)");
  EXPECT_FALSE(form.Paused);
  Ticks(2);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:02");
}

TEST_F(TransportTest, pause_then_next_runs_the_new_tracks_clock_and_a_later_play_does_not_resume) {
  Fake().Seconds = {{"b.mp3", 3.0}};
  TMainForm& form = StartMixed();
  form.Button_PauseClick(&form);
  form.Button_NextClick(&form);
  Ticks(2);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:02");
  Ticks(1);  // b.mp3 is three seconds long: the clock advances to c.it
  EXPECT_EQ(form.CurrentTrack, 2);
  // Back to the title that was paused: it is loaded anew, not "resumed" on a freed channel.
  form.List_Tracks->SetItemIndex(0);
  Calls();
  form.Button_PlayClick(&form);
  EXPECT_EQ(Calls().at(5), "snd_music_load(0," + PathOf("a.xm") + ",0,0,0x2001)");
}

TEST_F(TransportTest, pause_twice_repeats_and_pause_after_stop_does_nothing) {
  TMainForm& form = StartMixed();
  form.Button_PauseClick(&form);
  form.Button_PauseClick(&form);
  EXPECT_EQ(Calls(), (TCalls{"snd_channel_pause(101)", "snd_channel_pause(101)"}));
  form.Button_StopClick(&form);
  Calls();
  form.Button_PauseClick(&form);
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(form.Paused);
}

TEST_F(TransportTest, stop_frees_the_current_kind_shows_the_credits_and_idles_the_clock) {
  TMainForm& form = StartMixed();
  Ticks(4);
  form.Button_StopClick(form.Button_Stop);
  EXPECT_EQ(Calls(), (TCalls{"snd_channel_stop(101)", "snd_music_free(101)", "snd_stop()"}));
  EXPECT_EQ(form.Scroller->Text(), "mira.nol - code: varlo & tesko - gfx: pell & tesko");
  EXPECT_FALSE(form.Playing);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:04");
  Ticks(2);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
  EXPECT_EQ(form.PosSeconds, 4.0f);

  form.List_Tracks->SetItemIndex(1);
  form.Button_PlayClick(&form);
  Calls();
  form.Button_StopClick(&form);
  EXPECT_EQ(Calls(), (TCalls{"snd_channel_stop(102)", "snd_stream_free(102)", "snd_stop()"}));
  // Stop leaves the current track and the selection alone.
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{1}));
}

TEST_F(TransportTest, mute_acts_on_the_output_volume_only_also_for_new_tracks) {
  TMainForm& form = StartMixed();
  form.Volume = 80.6;
  form.Button_MuteClick(form.Button_Mute);
  EXPECT_EQ(Calls(), (TCalls{"snd_set_volume(0)"}));
  EXPECT_TRUE(form.Muted);
  form.Button_NextClick(&form);
  TCalls calls = Calls();
  EXPECT_EQ(calls.at(calls.size() - 2), "snd_set_volume(0)");
  EXPECT_EQ(calls.back(), "snd_channel_set_attributes(102,44100,80,0)");
  form.Button_MuteClick(form.Button_Mute);
  EXPECT_EQ(Calls(), (TCalls{"snd_set_volume(80)"}));
  EXPECT_FALSE(form.Muted);
}

TEST_F(TransportTest, shuffle_and_repeat_exclude_each_other_and_hide_the_others_lit_image) {
  TMainForm& form = StartMixed();
  form.Button_Repeat->Show();
  form.Button_RepeatClick(form.Button_Repeat);
  EXPECT_TRUE(form.Repeat);
  form.Button_Shuffle->Show();
  form.Button_ShuffleClick(form.Button_Shuffle);
  EXPECT_TRUE(form.Shuffle);
  EXPECT_FALSE(form.Repeat);
  EXPECT_FALSE(form.Button_Repeat->Visible());
  // The clicked button's own lit image is the hover logic's business.
  EXPECT_TRUE(form.Button_Shuffle->Visible());
  form.Button_ShuffleClick(form.Button_Shuffle);
  EXPECT_FALSE(form.Shuffle);
  EXPECT_FALSE(form.Repeat);
  form.Button_ShuffleClick(form.Button_Shuffle);
  form.Button_RepeatClick(form.Button_Repeat);
  EXPECT_FALSE(form.Shuffle);
  EXPECT_TRUE(form.Repeat);
  EXPECT_FALSE(form.Button_Shuffle->Visible());
  EXPECT_TRUE(Calls().empty());
}

TEST_F(TransportTest, enter_space_and_double_click_in_the_list_act_as_play) {
  TMainForm& form = StartMixed();
  TSkinList& list = *form.List_Tracks;
  list.SetFocus();
  list.SetItemIndex(2);
  Backend->PressKey(vk::Return);
  EXPECT_EQ(form.CurrentTrack, 2);
  list.SetItemIndex(3);
  Backend->PressKey(vk::Space);
  EXPECT_EQ(form.CurrentTrack, 3);
  Calls();
  Backend->PressKey('A');
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(form.CurrentTrack, 3);

  // A double-click on the second row selects it and plays it.
  Backend->DoubleClick(150, 176 + 16 + 8);
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(form.StreamMode, 1);

  // The key reaches the list unchanged.
  char key = 13;
  form.List_TracksKeyPress(&list, key);
  EXPECT_EQ(key, 13);
}

TEST_F(TransportTest, lit_buttons_take_clicks_once_shown) {
  TMainForm& form = StartMixed();
  form.Button_Next->Show();
  Backend->Click(form.Button_Next->Left() + 2, form.Button_Next->Top() + 2);
  EXPECT_EQ(form.CurrentTrack, 1);
  form.Button_Stop->Show();
  Backend->Click(form.Button_Stop->Left() + 2, form.Button_Stop->Top() + 2);
  EXPECT_FALSE(form.Playing);
}
