// SPDX-License-Identifier: MIT
// Start-up of the main window, its failure paths, the list hook and Quit, observed through the fake library.
#include "PlayerFixture.h"

#include "audio/AudioLibrary.h"
#include "components/TMessage.h"

#include <algorithm>

namespace {

TCalls Concat(std::initializer_list<TCalls> parts) {
  TCalls all;
  for (const TCalls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

int gListCountAtFirstPlay = -1;
bool gHookedAtFirstPlay = false;

}  // namespace

TEST_F(PlayerTest, starts_library_then_first_track_then_fills_the_list_in_file_order) {
  WritePlayList({"song.mp3", "A Song", "tune.xm", "A Tune", "sub\\deep.it", "Deep"});
  // Look at the list from inside the library while the first track starts.
  TSndEntryTable table = TFakeSndLib::Table();
  table.snd_stream_play = [](SND_HANDLE, SND_BOOL, uint32_t) -> SND_BOOL {
    auto* form = static_cast<TMainForm*>(Application.MainForm());
    gListCountAtFirstPlay = form->List_Tracks->Count();
    gHookedAtFirstPlay = bool(form->OldListProc);
    return 1;
  };
  SetEntryTableForTesting(table);

  TMainForm& form = Start();

  EXPECT_EQ(Calls(), Concat({{"snd_init(-1,44100,0)"},
                             ReleaseCalls(0, 0),
                             {"snd_stream_create_file(0," + PathOf("song.mp3") + ",0,0,0x40000)",
                              "snd_stream_get_length(101)", "snd_channel_bytes_to_seconds(101,60000)",
                              "snd_set_volume(100)", "snd_channel_set_attributes(101,44100,100,0)"}}));
  // The list was hooked before the first track started, and filled after.
  EXPECT_TRUE(gHookedAtFirstPlay);
  EXPECT_EQ(gListCountAtFirstPlay, 0);
  ASSERT_EQ(form.List_Tracks->Count(), 3);
  EXPECT_EQ(form.List_Tracks->Items()[0], "A Song");
  EXPECT_EQ(form.List_Tracks->Items()[1], "A Tune");
  EXPECT_EQ(form.List_Tracks->Items()[2], "Deep");
  EXPECT_EQ(form.List_Tracks->ItemIndex(), -1);
  EXPECT_TRUE(form.Playing);
  EXPECT_EQ(form.StreamMode, 1);
  EXPECT_EQ(form.CurrentTrack, 0);
  EXPECT_EQ(form.Scroller->Text(), "A Song <01:00>");
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
  // The eyes' decay is computed in double precision and stored in a float, where it is zero.
  EXPECT_EQ(form.EyeDecay, 0.0f);
  EXPECT_FALSE(Application.Terminated());
  EXPECT_TRUE(Backend->MessageBoxes().empty());
  // The window is not shown by start-up itself; the message loop shows it.
  EXPECT_FALSE(Backend->WindowVisible());
  Show();
  EXPECT_TRUE(Backend->WindowVisible());
}

TEST_F(PlayerTest, first_track_kind_is_decided_by_the_exact_lower_case_extension) {
  WritePlayList({"LOUD.MP3", "Upper"});
  TMainForm& form = Start();
  EXPECT_EQ(form.StreamMode, 0);
  // Heard as a module from its start, and captioned with its play length.
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"LOUD.MP3"}));
  EXPECT_EQ(Fake().Channel(101).Kind, TFakeSndLib::TKind::Module);
  EXPECT_EQ(Fake().Channel(101).StartPosition, 0u);
  EXPECT_TRUE(Fake().Channel(101).CleanStart);
  EXPECT_EQ(form.Scroller->Text(), "Upper <01:00>");
}

TEST_F(PlayerTest, a_loader_failure_shows_its_text_never_reads_the_playlist_and_stays_inert) {
  // No playlist at all: if it were read, its own message would follow.
  Fake().InitResults = {0};
  Fake().ErrorCode = 1;
  TMainForm& form = Start();

  ASSERT_EQ(Backend->MessageBoxes().size(), 1u);
  EXPECT_EQ(Backend->MessageBoxes()[0].Title, "mira.nol");
  EXPECT_EQ(Backend->MessageBoxes()[0].Text, "snd_init: There is insufficent memory.");
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(form.StartupFailed());
  EXPECT_EQ(Calls(), (TCalls{"snd_init(-1,44100,0)", "snd_error_get_code()"}));
  // Nothing of the player may run afterwards, not even while the message box is up.
  Ticks(5);
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(form.Timer->Enabled());
  EXPECT_FALSE(form.Eye_Timer->Enabled());
  EXPECT_EQ(form.List_Tracks->Count(), 0);
  EXPECT_FALSE(form.Playing);
  EXPECT_FALSE(Backend->WindowVisible());
}

TEST_F(PlayerTest, each_loader_failure_text_is_shown_exactly) {
  struct TCase {
    std::vector<SND_BOOL> Results;
    int32_t Code;
    const char* Text;
  };
  const TCase cases[] = {
      {{0, 0}, 6, "snd_init: 22kHz & 44kHz not supported."},
      {{0}, 14, "snd_init: The sound library has already been initialized."},
      {{0}, -1, "snd_init: Some other mystery problem!"},
  };
  bool first = true;
  for (const TCase& c : cases) {
    if (!first) {
      TearDown();
      SetUp();
    }
    first = false;
    Fake().InitResults = c.Results;
    Fake().ErrorCode = c.Code;
    Start();
    ASSERT_EQ(Backend->MessageBoxes().size(), 1u) << c.Text;
    EXPECT_EQ(Backend->MessageBoxes()[0].Text, c.Text);
    EXPECT_TRUE(Application.Terminated());
  }
}

TEST_F(PlayerTest, a_missing_playlist_ends_start_up_with_its_message) {
  TMainForm& form = Start();
  ASSERT_EQ(Backend->MessageBoxes().size(), 1u);
  EXPECT_EQ(Backend->MessageBoxes()[0].Title, "mira.nol");
  EXPECT_EQ(Backend->MessageBoxes()[0].Text, "Cannot find data\\play.lst! Terminating application...");
  EXPECT_TRUE(Application.Terminated());
  // The library was started before the playlist was read, and nothing was loaded.
  EXPECT_TRUE(Fake().OutputRunning);
  EXPECT_TRUE(Fake().Channels.empty());
  Calls();
  Ticks(3);
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(form.Playing);
  EXPECT_FALSE(Backend->WindowVisible());
}

TEST_F(PlayerTest, a_playlist_that_is_a_directory_counts_as_missing) {
  std::filesystem::create_directory(Root / "data" / "play.lst");
  Start();
  ASSERT_EQ(Backend->MessageBoxes().size(), 1u);
  EXPECT_TRUE(Application.Terminated());
}

TEST_F(PlayerTest, a_missing_playlist_names_the_full_path_looked_for_on_standard_error) {
  // The box keeps its text; standard error says which folder the player was started in, and why.
  const std::string full = (std::filesystem::current_path() / "data" / "play.lst").string();
  testing::internal::CaptureStderr();
  Start();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "mira.nol: cannot open the playlist " + full + ": No such file or directory\n");
  ASSERT_EQ(Backend->MessageBoxes().size(), 1u);
  EXPECT_EQ(Backend->MessageBoxes()[0].Text, "Cannot find data\\play.lst! Terminating application...");
}

TEST_F(PlayerTest, a_playlist_folder_is_named_as_such_on_standard_error) {
  std::filesystem::create_directory(Root / "data" / "play.lst");
  const std::string full = (std::filesystem::current_path() / "data" / "play.lst").string();
  testing::internal::CaptureStderr();
  Start();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "mira.nol: cannot open the playlist " + full + ": Is a directory\n");
}

TEST_F(PlayerTest, each_load_the_library_refuses_gives_one_line_with_the_path_and_the_code) {
  WritePlayList({"gone.xm", "Gone", "fine.xm", "Fine", "gone.mp3", "Gone stream"});
  Fake().Unloadable = {"gone.xm", "gone.mp3"};
  Fake().ErrorCode = 101;
  testing::internal::CaptureStderr();
  TMainForm& form = Start();
  Show();
  // The code is read straight after the refused load, before any other call replaces it.
  const TCalls first = Calls();
  const auto load = std::find(first.begin(), first.end(), "snd_music_load(0," + PathOf("gone.xm") + ",0,0,0x2001)");
  ASSERT_NE(load, first.end());
  ASSERT_NE(load + 1, first.end());
  EXPECT_EQ(*(load + 1), "snd_error_get_code()");
  form.Button_NextClick(&form);  // fine.xm: nothing to say
  Fake().ErrorCode = 102;
  form.Button_NextClick(&form);  // gone.mp3
  form.Button_NextClick(&form);  // gone.xm again: a new load, a new line
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "mira.nol: the sound library refused " + PathOf("gone.xm") +
                     ": error 101 (missing, a folder, or unreadable)\n"
                     "mira.nol: the sound library refused " +
                     PathOf("gone.mp3") +
                     ": error 102 (empty, or not a format it plays)\n"
                     "mira.nol: the sound library refused " +
                     PathOf("gone.xm") + ": error 102 (empty, or not a format it plays)\n");
  // The player carries on as before: the caption, the clock, no message box.
  EXPECT_EQ(form.CurrentTrack, 0);
  EXPECT_TRUE(Backend->MessageBoxes().empty());
}

TEST_F(PlayerTest, an_empty_playlist_starts_nothing_but_the_window_opens) {
  WritePlayListBytes("");
  TMainForm& form = Start();
  EXPECT_TRUE(Fake().OutputRunning);
  EXPECT_TRUE(Fake().Channels.empty());
  Calls();
  EXPECT_EQ(form.List_Tracks->Count(), 0);
  EXPECT_FALSE(form.Playing);
  Show();
  EXPECT_TRUE(Backend->WindowVisible());
  // Nothing to play, step to or advance to.
  form.Button_PlayClick(&form);
  form.Button_PrevClick(&form);
  form.Button_NextClick(&form);
  form.AdvanceAtTrackEnd(form.Timer);
  form.Button_PauseClick(&form);
  Ticks(3);
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(form.Playing);
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
}

TEST_F(PlayerTest, an_odd_last_line_is_a_track_without_title_captioned_by_its_file_name) {
  WritePlayList({"a.xm", "A", "b.xm"});
  TMainForm& form = Start();
  ASSERT_EQ(form.TrackCount, 2);
  EXPECT_EQ(form.List_Tracks->Items()[1], "");
  form.Button_NextClick(&form);
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(form.Scroller->Text(), "b.xm <01:00>");
}

TEST_F(PlayerTest, quit_frees_whichever_kind_plays_silences_the_output_and_ends_the_message_loop) {
  WritePlayList({"a.xm", "A", "b.mp3", "B"});
  TMainForm& form = Start();
  Show();
  form.Button_NextClick(&form);  // module 101, then stream 102
  form.Button_QuitClick(form.Button_Quit);
  EXPECT_EQ(Fake().LiveChannels(), 0);
  EXPECT_FALSE(Fake().OutputRunning);
  EXPECT_TRUE(Application.Terminated());

  // A module after a stopped stream: the module goes, and the stale stream handle does no harm.
  TearDown();
  SetUp();
  WritePlayList({"a.xm", "A", "b.mp3", "B"});
  TMainForm& again = Start();
  Show();
  again.Button_NextClick(&again);  // stream 102
  again.Button_StopClick(&again);
  again.Button_PrevClick(&again);  // module 103
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"a.xm"}));
  again.Button_QuitClick(again.Button_Quit);
  EXPECT_EQ(Fake().LiveChannels(), 0);
  EXPECT_FALSE(Fake().OutputRunning);
  EXPECT_TRUE(Application.Terminated());
}

TEST_F(PlayerTest, a_close_by_the_window_manager_ends_without_the_quit_buttons_calls) {
  WriteTracks(2);
  Start();
  Show();
  Calls();
  Backend->RequestClose();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(Calls().empty());
}

TEST_F(PlayerTest, the_list_never_shows_its_own_scroll_bar) {
  WriteTracks(20);
  TMainForm& form = Start();
  Show();
  TSkinList& list = *form.List_Tracks;
  EXPECT_GT(list.Count(), list.FullRows());
  EXPECT_FALSE(list.ScrollBarVisible());
  // Keyboard scrolling, the wheel and further lines all make the list reconsider its scroll bar.
  list.SetFocus();
  for (int i = 0; i < 8; ++i) Backend->PressKey(vk::Down);
  Backend->PressKey(vk::End);
  EXPECT_GT(list.TopIndex(), 0);
  EXPECT_FALSE(list.ScrollBarVisible());
  Backend->Wheel(150, 200, -120);
  list.Items().Add("one more");
  list.SetBounds(104, 176, 289, 60);
  EXPECT_FALSE(list.ScrollBarVisible());
}

TEST_F(PlayerTest, the_list_hook_passes_every_message_on_unchanged) {
  WriteTracks(3);
  TMainForm& form = Start();
  std::vector<uint32_t> seen;
  TWndMethod inner = form.OldListProc;
  form.OldListProc = [&seen, inner](TMessage& message) {
    seen.push_back(message.Msg);
    inner(message);
  };
  EXPECT_EQ(form.List_Tracks->Perform(LB_GETCOUNT), 3);
  form.List_Tracks->SetItemIndex(2);
  EXPECT_EQ(form.List_Tracks->Perform(LB_GETCURSEL), 2);
  // Every message, also those the list sends itself, goes through the hook to the old handler.
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), LB_GETCOUNT);
  EXPECT_NE(std::find(seen.begin(), seen.end(), LB_SETCURSEL), seen.end());
  EXPECT_EQ(seen.back(), LB_GETCURSEL);
}

TEST_F(PlayerTest, a_playlist_of_bad_names_starts_and_keeps_running) {
  // Missing files, an empty name, a directory, spaces and bytes that are no valid text.
  std::filesystem::create_directory(Root / "data" / "adir.xm");
  WritePlayList({"missing.mp3", "Missing", "", "Empty name", "adir.xm", "A directory", " spaced name .xm", "Spaced",
                 "caf\xE9\xFF.mp3", "Latin \xE9", "..\\..\\etc\\passwd", "Outside"});
  Fake().Unloadable = {"missing.mp3", "", "adir.xm", "caf\xE9\xFF.mp3", "passwd"};
  Fake().SecondsForBadHandle = 0.0;
  TMainForm& form = Start();
  Show();
  EXPECT_EQ(form.Scroller->Text(), "Missing <00:00>");
  TCalls all;
  for (int i = 0; i < 7; ++i) {
    form.Button_NextClick(&form);
    Ticks(2);
    TCalls step = Calls();
    all.insert(all.end(), step.begin(), step.end());
  }
  EXPECT_EQ(form.CurrentTrack, 1);
  EXPECT_EQ(form.Scroller->Text(), "Empty name <00:00>");
  EXPECT_EQ(form.Label_Pos->Caption(), "00:02");
  EXPECT_FALSE(Application.Terminated());
  // The backslashes became separators of the path that was asked for.
  EXPECT_NE(std::find(all.begin(), all.end(), "snd_music_load(0," + PathOf("../../etc/passwd") + ",0,0,0x2001)"),
            all.end());
}
