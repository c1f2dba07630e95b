// SPDX-License-Identifier: MIT
// Tracks named on the command line or dropped on the window, played in place of data/play.lst, and
// their titles filling in from tags.
#include "PlayerFixture.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// An MP3 whose ID3v2.3 tag holds a title (and an artist, when given).
std::string TaggedMp3(const std::string& title, const std::string& artist = "") {
  auto frame = [](const std::string& id, const std::string& text) {
    const uint32_t size = uint32_t(text.size() + 1);
    return id + std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} + std::string(3, '\0') +
           text;
  };
  std::string frames = frame("TIT2", title);
  if (!artist.empty()) frames += frame("TPE1", artist);
  const uint32_t n = uint32_t(frames.size());
  return "ID3\x03" + std::string(2, '\0') +
         std::string{char((n >> 21) & 0x7F), char((n >> 14) & 0x7F), char((n >> 7) & 0x7F), char(n & 0x7F)} + frames +
         FileBytes(MIRA_SNDLIB_FIXTURES "/sine44_cbr.mp3");
}

class NamedTracksTest : public PlayerTest {
protected:
  std::string Put(const fs::path& relative, const std::string& bytes) {
    const fs::path path = Root / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  // Lets the message loop run until the title reader has put every title into the list.
  bool TitlesFilled() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      Backend->Advance(100);
      bool pending = false;
      for (const TrackEntry& entry : Form->TrackTable) pending = pending || entry.TitlePending;
      if (!pending) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < Form->List_Tracks->Count(); ++i) lines.push_back(Form->List_Tracks->Items()[i]);
    return lines;
  }
};

TEST_F(NamedTracksTest, named_music_replaces_the_playlist_and_plays_from_full_paths_in_natural_order) {
  WriteTracks(3);
  Put("music/10 ten.xm", FileBytes(MIRA_DEMO_DATA "/night_ferry.xm"));
  const std::string two = Put("music/2 two.mp3", TaggedMp3("Two", "Band"));
  const std::string plain = Put("plain.MP3", FileBytes(MIRA_SNDLIB_FIXTURES "/sine44_cbr.mp3"));
  TMainForm::StartupNames = {"music", "plain.MP3"};

  TMainForm& form = Start();
  EXPECT_TRUE(Backend->MessageBoxes().empty());
  ASSERT_EQ(form.TrackCount, 3);
  // The first track's title is read from its tags before its caption is made.
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"2 two.mp3"}));
  EXPECT_EQ(form.StreamMode, 1);
  EXPECT_EQ(form.Scroller->Text(), "Band - Two <01:00>");
  const TCalls calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "snd_stream_create_file(0," + two + ",0,0,0x40000)"), calls.end());
  // The others show their file names until their tags are read.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Band - Two", "10 ten", "plain"}));
  ASSERT_TRUE(TitlesFilled());
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Band - Two", "Night Ferry", "plain"}));

  // Everything after start-up works as with a collection: the end of a track plays the next one, a
  // module, and after it an MP3 named in capitals.
  Ticks(60);
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"10 ten.xm"}));
  EXPECT_EQ(form.Scroller->Text(), "Night Ferry <01:00>");
  form.Button_NextClick(form.Button_Next);
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"plain.MP3"}));
  EXPECT_EQ(Fake().Channel(form.StreamHandle).Kind, TFakeSndLib::TKind::Stream);
  EXPECT_NE(std::find(Fake().Calls.begin(), Fake().Calls.end(), "snd_stream_create_file(0," + plain + ",0,0,0x40000)"),
            Fake().Calls.end());
}

TEST_F(NamedTracksTest, a_collection_folder_plays_as_if_started_inside_it) {
  Put("coll/data/play.lst", "one.xm\r\nThe One\r\nsub\\two.mp3\r\n\r\n");
  TMainForm::StartupNames = {"coll"};
  TMainForm& form = Start();
  EXPECT_EQ(Calls()[ReleaseCalls(0, 0).size() + 1],
            "snd_music_load(0," + (Root / "coll/data/one.xm").string() + ",0,0,0x2001)");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"The One", ""}));
  EXPECT_EQ(form.Scroller->Text(), "The One <01:00>");
  form.Button_NextClick(form.Button_Next);
  // An entry without a title is captioned with its file name, as inside the collection.
  EXPECT_EQ(form.Scroller->Text(), "sub\\two.mp3 <01:00>");
  EXPECT_NE(std::find(Fake().Calls.begin(), Fake().Calls.end(),
                      "snd_stream_create_file(0," + (Root / "coll/data/sub/two.mp3").string() + ",0,0,0x40000)"),
            Fake().Calls.end());
}

TEST_F(NamedTracksTest, nothing_playable_named_ends_start_up_with_the_missing_playlist_message) {
  WriteTracks(2);
  Put("notes.txt", "not music");
  TMainForm::StartupNames = {"missing.mp3", "notes.txt"};
  testing::internal::CaptureStderr();
  TMainForm& form = Start();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "mira.nol: cannot find 'missing.mp3': No such file or directory\n"
            "mira.nol: 'notes.txt' is neither an MP3 file nor a tracker module; left out\n");
  ASSERT_EQ(Backend->MessageBoxes().size(), 1u);
  EXPECT_EQ(Backend->MessageBoxes()[0].Text, kPlayListMissing);
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(Fake().Channels.empty());
  EXPECT_FALSE(form.Playing);
}

TEST_F(NamedTracksTest, a_drop_replaces_the_list_and_starts_its_first_track_even_when_the_old_one_was_paused) {
  WriteTracks(3);
  Put("drop/b.mp3", TaggedMp3("Bee"));
  Put("drop/a.xm", FileBytes(MIRA_DEMO_DATA "/night_ferry.xm"));
  TMainForm& form = Start();
  Show();
  form.Button_PauseClick(form.Button_Pause);
  ASSERT_TRUE(form.Paused);
  Calls();

  Backend->Drop({(Root / "drop").string()});
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Night Ferry", "b"}));
  EXPECT_EQ(form.TrackCount, 2);
  EXPECT_EQ(form.List_Tracks->ItemIndex(), 0);
  EXPECT_EQ(SelectedLines(), (std::vector<int>{0}));
  EXPECT_EQ(form.CurrentTrack, 0);
  EXPECT_FALSE(form.Paused);
  EXPECT_TRUE(form.Playing);
  // Started from its beginning, not the paused channel resumed.
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"a.xm"}));
  EXPECT_EQ(form.Scroller->Text(), "Night Ferry <01:00>");
  EXPECT_EQ(Fake().LiveChannels(), 1);
  ASSERT_TRUE(TitlesFilled());
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Night Ferry", "Bee"}));
  // The list wraps within the dropped tracks.
  form.Button_NextClick(form.Button_Next);
  form.Button_NextClick(form.Button_Next);
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"a.xm"}));
}

TEST_F(NamedTracksTest, a_drop_of_no_local_file_or_of_nothing_playable_changes_nothing) {
  WriteTracks(3);
  Put("notes.txt", "text");
  TMainForm& form = Start();
  Show();
  const std::vector<std::string> before = Lines();
  Calls();
  testing::internal::CaptureStderr();
  Backend->Drop({}, {"http://example.com/a.mp3"});
  Backend->Drop({(Root / "notes.txt").string(), (Root / "gone").string()});
  Backend->Drop({});
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "mira.nol: dropped 'http://example.com/a.mp3' is not a file on this computer\n"
            "mira.nol: nothing dropped was a file on this computer; the list stays as it was\n"
            "mira.nol: '" +
                (Root / "notes.txt").string() +
                "' is neither an MP3 file nor a tracker module; left out\n"
                "mira.nol: cannot find '" +
                (Root / "gone").string() +
                "': No such file or directory\n"
                "mira.nol: nothing dropped can be played; the list stays as it was\n"
                "mira.nol: nothing dropped was a file on this computer; the list stays as it was\n");
  EXPECT_EQ(Lines(), before);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(Fake().Heard(), (std::vector<std::string>{"t0.xm"}));
  EXPECT_EQ(form.TrackCount, 3);
}

TEST_F(NamedTracksTest, titles_filling_in_keep_the_selected_line_and_the_scroll_position) {
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) Put("many/" + std::to_string(i) + ".mp3", TaggedMp3("Song " + std::to_string(i)));
  TMainForm::StartupNames = {"many"};
  TMainForm& form = Start();
  Show();
  form.List_Tracks->SetItemIndex(25);
  form.List_Tracks->SetTopIndex(22);
  ASSERT_TRUE(TitlesFilled());
  EXPECT_EQ(form.List_Tracks->Items()[39], "Song 39");
  EXPECT_EQ(form.List_Tracks->ItemIndex(), 25);
  EXPECT_EQ(form.List_Tracks->TopIndex(), 22);
  EXPECT_EQ(form.List_Tracks->Count(), 40);
}

TEST_F(NamedTracksTest, a_window_closed_while_titles_are_read_ends_without_waiting_for_them) {
  for (int i = 0; i < 300; ++i) Put("lots/" + std::to_string(i) + ".mp3", TaggedMp3("Song"));
  TMainForm::StartupNames = {"lots"};
  Start();
  Show();
  const auto began = std::chrono::steady_clock::now();
  Application.Reset();
  Form = nullptr;
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
}

}  // namespace
