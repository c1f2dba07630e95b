// SPDX-License-Identifier: MIT
// Track loading and the transport buttons: what the listener hears and the user sees after each one.
#include "PlayerFixture.h"

using TPlay = TFakeSndLib::TPlay;

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
  // The files heard now.
  std::vector<std::string> Heard() { return Fake().Heard(); }
};

TEST_F(TransportTest, a_new_track_is_heard_alone_with_the_sliders_settings_and_its_length_in_the_caption) {
  TMainForm& form = StartMixed();
  form.Volume = 57.9;
  form.Panning = -33.7;
  form.Frequency = 22050;
  form.List_Tracks->SetItemIndex(1);
  form.Button_PlayClick(form.Button_Play);
  // The stream is heard with the settings cut to whole numbers; the module before it is gone.
  EXPECT_EQ(Heard(), (std::vector<std::string>{"b.mp3"}));
  EXPECT_TRUE(Fake().Channel(101).Freed);
  EXPECT_EQ(Fake().LiveChannels(), 1);
  const TFakeSndLib::TChannel& stream = Fake().Channel(form.StreamHandle);
  EXPECT_EQ(stream.Kind, TFakeSndLib::TKind::Stream);
  EXPECT_EQ(stream.Flags, uint32_t(SND_STREAM_PRESCAN));
  EXPECT_EQ(stream.Frequency, 22050);
  EXPECT_EQ(stream.Volume, 57);
  EXPECT_EQ(stream.Pan, -33);
  EXPECT_EQ(Fake().MasterVolume, 57u);
  EXPECT_EQ(form.Scroller->Text(), "B <01:00>");
  EXPECT_EQ(form.StreamMode, 1);
  EXPECT_EQ(form.CurrentTrack, 1);

  form.List_Tracks->SetItemIndex(2);
  form.Button_PlayClick(form.Button_Play);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"c.it"}));
  EXPECT_TRUE(Fake().Channel(102).Freed);
  EXPECT_EQ(Fake().LiveChannels(), 1);
  const TFakeSndLib::TChannel& module = Fake().Channel(form.MusicHandle);
  EXPECT_EQ(module.Kind, TFakeSndLib::TKind::Module);
  // From the song's start, with a clean state and the load flags kept.
  EXPECT_EQ(module.Flags, uint32_t(SND_MUSIC_PRESCAN | SND_MUSIC_RAMP));
  EXPECT_EQ(module.StartPosition, 0u);
  EXPECT_TRUE(module.CleanStart);
  EXPECT_EQ(module.Frequency, 22050);
  EXPECT_EQ(module.Volume, 57);
  EXPECT_EQ(module.Pan, -33);
  EXPECT_EQ(form.Scroller->Text(), "C <01:00>");
  EXPECT_EQ(form.StreamMode, 0);
  EXPECT_EQ(form.MusicHandle, 103u);
  EXPECT_EQ(form.StreamHandle, 102u);
}

TEST_F(TransportTest, the_previous_track_is_released_and_the_output_restarted_before_the_next_file_is_opened) {
  // The one order that matters when a track starts: the library never holds two tracks at once,
  // and output stopped by Stop runs again before the new file plays.
  TMainForm& form = StartMixed();
  form.List_Tracks->SetItemIndex(1);
  form.Button_PlayClick(form.Button_Play);
  EXPECT_EQ(CallsBefore(Calls(), "snd_stream_create_file("), ReleaseCalls(101, 0));
  form.Button_StopClick(form.Button_Stop);
  Calls();
  form.List_Tracks->SetItemIndex(2);
  form.Button_PlayClick(form.Button_Play);
  EXPECT_EQ(CallsBefore(Calls(), "snd_music_load("), ReleaseCalls(101, 102));
  EXPECT_TRUE(Fake().OutputRunning);
}

TEST_F(TransportTest, an_upper_case_mp3_extension_loads_as_a_module) {
  TMainForm& form = StartMixed();
  form.List_Tracks->SetItemIndex(4);
  form.Button_PlayClick(&form);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"e.MP3"}));
  EXPECT_EQ(Fake().Channel(form.MusicHandle).Kind, TFakeSndLib::TKind::Module);
  EXPECT_EQ(form.StreamMode, 0);
}

TEST_F(TransportTest, play_with_nothing_selected_starts_track_zero_and_selects_it) {
  TMainForm& form = StartMixed();
  form.Button_NextClick(&form);
  form.List_Tracks->SetItemIndex(-1);
  form.Button_PlayClick(&form);
  EXPECT_EQ(form.CurrentTrack, 0);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{0}));
  // Loaded anew, not the channel start-up made.
  EXPECT_EQ(Heard(), (std::vector<std::string>{"a.xm"}));
  EXPECT_EQ(form.MusicHandle, 103u);
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
  EXPECT_EQ(Heard(), (std::vector<std::string>{"b.mp3"}));
}

TEST_F(TransportTest, pause_then_play_on_the_same_line_resumes_without_loading) {
  TMainForm& form = StartMixed();
  form.List_Tracks->SetItemIndex(0);
  Ticks(7);
  form.Button_PauseClick(form.Button_Pause);
  EXPECT_EQ(Fake().Channel(101).Play, TPlay::Paused);
  EXPECT_TRUE(Heard().empty());
  Ticks(3);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:07");
  form.Button_PlayClick(form.Button_Play);
  // The same channel goes on where it was; nothing is loaded.
  EXPECT_EQ(Fake().Channel(101).Play, TPlay::Playing);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"a.xm"}));
  EXPECT_EQ(Fake().NextHandle, 102u);
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
  form.List_TracksDblClick(form.List_Tracks);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"d.mp3"}));
  EXPECT_TRUE(Fake().Channel(101).Freed);
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
  form.Button_PlayClick(&form);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"a.xm"}));
  EXPECT_NE(form.MusicHandle, 101u);
  EXPECT_TRUE(Fake().Channel(101).Freed);
}

TEST_F(TransportTest, pause_twice_keeps_the_track_paused_and_pause_after_stop_does_nothing) {
  TMainForm& form = StartMixed();
  form.Button_PauseClick(&form);
  form.Button_PauseClick(&form);
  EXPECT_EQ(Fake().Channel(101).Play, TPlay::Paused);
  EXPECT_TRUE(form.Paused);
  EXPECT_EQ(form.PausedTrack, 0);
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
  EXPECT_TRUE(Heard().empty());
  EXPECT_TRUE(Fake().Channel(101).Freed);
  EXPECT_FALSE(Fake().OutputRunning);
  EXPECT_EQ(form.Scroller->Text(), "mira.nol - code: varlo & tesko - gfx: pell & tesko");
  EXPECT_FALSE(form.Playing);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:04");
  Ticks(2);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
  EXPECT_EQ(form.PosSeconds, 4.0f);

  form.List_Tracks->SetItemIndex(1);
  form.Button_PlayClick(&form);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"b.mp3"}));
  form.Button_StopClick(&form);
  EXPECT_TRUE(Heard().empty());
  EXPECT_TRUE(Fake().Channel(102).Freed);
  EXPECT_EQ(Fake().LiveChannels(), 0);
  EXPECT_FALSE(Fake().OutputRunning);
  // Stop leaves the current track and the selection alone.
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{1}));
}

TEST_F(TransportTest, mute_acts_on_the_output_volume_only_also_for_new_tracks) {
  TMainForm& form = StartMixed();
  form.Volume = 80.6;
  form.Button_MuteClick(form.Button_Mute);
  EXPECT_EQ(Fake().MasterVolume, 0u);
  EXPECT_TRUE(Heard().empty());
  EXPECT_TRUE(form.Muted);
  form.Button_NextClick(&form);
  // The new track stays silent, but its channel has the slider's volume.
  EXPECT_EQ(Fake().MasterVolume, 0u);
  EXPECT_TRUE(Heard().empty());
  EXPECT_EQ(Fake().Channel(102).Volume, 80);
  form.Button_MuteClick(form.Button_Mute);
  EXPECT_EQ(Fake().MasterVolume, 80u);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"b.mp3"}));
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
