// SPDX-License-Identifier: MIT
// Tracks from named files, folders, collection folders and M3U playlists, their order, and the
// names that are reported instead of played.
#include "TrackSources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdlib.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using TrackSources::Gather;
using TrackSources::NaturalLess;

namespace {

class TrackSourcesTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mira-sources-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Root = fs::canonical(pattern);
    FOldCwd = fs::current_path();
    fs::current_path(Root);
  }
  void TearDown() override {
    fs::current_path(FOldCwd);
    std::error_code ignored;
    fs::remove_all(Root, ignored);
  }

  // A file with these bytes (its folders made as needed); returns its full path.
  std::string Write(const fs::path& relative, const std::string& bytes = "x") {
    const fs::path path = Root / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::vector<TrackEntry> Run(const std::vector<std::string>& names) {
    Problems.clear();
    return Gather(names, [this](std::string_view line) { Problems.emplace_back(line); });
  }
  static std::vector<std::string> Paths(const std::vector<TrackEntry>& tracks) {
    std::vector<std::string> paths;
    for (const TrackEntry& t : tracks) paths.push_back(t.Path);
    return paths;
  }
  static std::vector<std::string> Titles(const std::vector<TrackEntry>& tracks) {
    std::vector<std::string> titles;
    for (const TrackEntry& t : tracks) titles.push_back(t.Title);
    return titles;
  }
  bool Reported(const std::string& part) const {
    return std::any_of(Problems.begin(), Problems.end(),
                       [&](const std::string& p) { return p.find(part) != std::string::npos; });
  }
  std::string R(const std::string& relative) const { return (Root / relative).string(); }

  fs::path Root;
  std::vector<std::string> Problems;

private:
  fs::path FOldCwd;
};

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(NaturalOrder, numbers_compare_by_value_and_letters_without_case) {
  EXPECT_TRUE(NaturalLess("2.mp3", "10.mp3"));
  EXPECT_FALSE(NaturalLess("10.mp3", "2.mp3"));
  EXPECT_TRUE(NaturalLess("Track 9.xm", "track 10.xm"));
  EXPECT_TRUE(NaturalLess("a.mp3", "B.mp3"));
  EXPECT_TRUE(NaturalLess("disc1 track2", "disc1 track10"));
  EXPECT_TRUE(NaturalLess("disc1 track10", "disc2 track1"));
  EXPECT_FALSE(NaturalLess("same", "same"));
}

TEST(NaturalOrder, is_a_strict_order_so_any_shuffle_sorts_the_same_and_no_two_names_tie) {
  std::vector<std::string> names{"10", "9",   "09",  "009",  "1",     "01",    "a",   "A", "a1",
                                 "A1", "a01", "a10", "a9",   "b",     "B2",    "b10", "",  " ",
                                 "1a", "1A",  "1.5", "1.10", "x\xff", "x\xfe", "~"};
  std::vector<std::string> first = names;
  std::sort(first.begin(), first.end(), NaturalLess);
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::shuffle(names.begin(), names.end(), random);
    std::vector<std::string> again = names;
    std::sort(again.begin(), again.end(), NaturalLess);
    ASSERT_EQ(again, first);
  }
  for (std::size_t i = 0; i + 1 < first.size(); ++i) EXPECT_TRUE(NaturalLess(first[i], first[i + 1])) << i;
}

TEST_F(TrackSourcesTest, a_folder_gives_its_audio_files_in_natural_order_one_level_deep) {
  for (const char* name :
       {"10 ten.mp3", "2 two.xm", "1 one.IT", "LOUD.MP3", "cover.jpg", ".hidden.mp3", "notes.txt", "sub/deep.mp3"})
    Write(fs::path("music") / name);
  fs::create_directory_symlink(Root, Root / "music" / "parent");
  fs::create_symlink(Root / "music" / "2 two.xm", Root / "music" / "3 link.xm");

  const std::vector<TrackEntry> tracks = Run({"music"});
  EXPECT_EQ(Paths(tracks), (std::vector<std::string>{R("music/1 one.IT"), R("music/2 two.xm"), R("music/3 link.xm"),
                                                     R("music/10 ten.mp3"), R("music/LOUD.MP3")}));
  EXPECT_EQ(Titles(tracks), (std::vector<std::string>{"1 one", "2 two", "3 link", "10 ten", "LOUD"}));
  ASSERT_EQ(tracks.size(), 5u);
  // A named file's kind goes by its extension in any case; its title waits for its tags.
  EXPECT_FALSE(tracks[0].Stream);
  EXPECT_TRUE(tracks[3].Stream);
  EXPECT_TRUE(tracks[4].Stream);
  EXPECT_EQ(tracks[4].FileName, "LOUD.MP3");
  EXPECT_TRUE(std::all_of(tracks.begin(), tracks.end(), [](const TrackEntry& t) { return t.TitlePending; }));
  EXPECT_TRUE(Problems.empty());
}

TEST_F(TrackSourcesTest, names_keep_their_order_and_mix_files_folders_collections_and_playlists) {
  Write("a.mp3");
  Write("folder/x.xm");
  Write("coll/data/play.lst", "one.mp3\r\nFirst\r\nsub\\two.MP3\r\n\r\n");
  Write("list.m3u", "a.mp3\n");
  const std::vector<TrackEntry> tracks = Run({"a.mp3", "coll/", "folder", R("list.m3u"), "a.mp3"});
  EXPECT_EQ(Paths(tracks), (std::vector<std::string>{R("a.mp3"), R("coll/data/one.mp3"), R("coll/data/sub/two.MP3"),
                                                     R("folder/x.xm"), R("a.mp3"), R("a.mp3")}));
  // A collection's entries are exactly what starting inside it gives: its titles (an empty one stays
  // empty, so the caption shows the file name), its file names, and ".mp3" in lower case only as MP3.
  ASSERT_EQ(tracks.size(), 6u);
  EXPECT_EQ(tracks[1].Title, "First");
  EXPECT_EQ(tracks[2].Title, "");
  EXPECT_EQ(tracks[2].FileName, "sub\\two.MP3");
  EXPECT_TRUE(tracks[1].Stream);
  EXPECT_FALSE(tracks[2].Stream);
  EXPECT_FALSE(tracks[1].TitlePending);
  EXPECT_TRUE(Problems.empty());
}

TEST_F(TrackSourcesTest, what_is_missing_or_holds_nothing_playable_is_named_and_left_out) {
  Write("notes.txt", "just text");
  Write("empty/readme");
  Write("emptycoll/data/play.lst", "");
  Write("-dash.mp3");
  Write("odd\nname.xm");
  Write("bad\xff.mp3");
  const std::vector<TrackEntry> tracks =
      Run({"missing.mp3", "notes.txt", "empty", "emptycoll", "", "-dash.mp3", "odd\nname.xm", "bad\xff.mp3"});
  EXPECT_EQ(Paths(tracks), (std::vector<std::string>{R("-dash.mp3"), R("odd\nname.xm"), R("bad\xff.mp3")}));
  EXPECT_EQ(Problems, (std::vector<std::string>{
                          "cannot find 'missing.mp3': No such file or directory",
                          "'notes.txt' is neither an MP3 file nor a tracker module; left out",
                          "'empty' holds no MP3 file or tracker module",
                          "'emptycoll' is a collection whose data/play.lst lists no track",
                          "cannot find '': No such file or directory",
                      }));
  // A line end in a name never reaches the list: it shows as a space. Other bytes stay as they are.
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(tracks[1].Title, "odd name");
  EXPECT_EQ(tracks[2].Title, "bad\xff");
}

TEST_F(TrackSourcesTest, a_file_whose_name_promises_nothing_plays_when_its_first_bytes_are_a_module) {
  Write("mod.tune", FileBytes(MIRA_DEMO_DATA "/amber_circuit.mod"));
  Write("mod.noise", std::string(4000, '\x55'));
  const std::vector<TrackEntry> tracks = Run({"mod.tune", "mod.noise"});
  ASSERT_EQ(tracks.size(), 1u);
  EXPECT_EQ(tracks[0].Path, R("mod.tune"));
  EXPECT_FALSE(tracks[0].Stream);
  EXPECT_EQ(Problems, (std::vector<std::string>{"'mod.noise' is neither an MP3 file nor a tracker module; left out"}));
}

TEST_F(TrackSourcesTest, a_playlist_takes_paths_from_its_own_folder_titles_from_extinf_and_skips_what_is_missing) {
  Write("lists/near.mp3");
  Write("far/abs.xm");
  Write("lists/sub/d\xC3\xA9j\xC3\xA0.mp3");
  Write("lists/space name.mp3");
  Write("lists/win/dir.mp3");
  Write("lists/folder/f.mp3");
  Write("lists/all.m3u8",
        "\xEF\xBB\xBF#EXTM3U\r\n"
        "#EXTINF:123,Artist - Near\r\n"
        "near.mp3\r\n"
        "\r\n"
        "# a comment\r\n" +
            R("far/abs.xm") +
            "\r\n"
            "#EXTINF:-1 tvg-name=\"a,b\",Quoted, Comma\r\n"
            "sub/d\xC3\xA9j\xC3\xA0.mp3\r\n"
            "gone.mp3\r\n"
            "file://" +
            R("lists/space%20name.mp3") +
            "\r\n"
            "http://example.com/stream.mp3\r\n"
            "win\\dir.mp3\r\n"
            "folder\r\n"
            "  near.mp3  ");
  const std::vector<TrackEntry> tracks = Run({"lists/all.m3u8"});
  EXPECT_EQ(Paths(tracks),
            (std::vector<std::string>{R("lists/near.mp3"), R("far/abs.xm"), R("lists/sub/d\xC3\xA9j\xC3\xA0.mp3"),
                                      R("lists/space name.mp3"), R("lists/win/dir.mp3"), R("lists/folder/f.mp3"),
                                      R("lists/near.mp3")}));
  EXPECT_EQ(Titles(tracks),
            (std::vector<std::string>{"Artist - Near", "abs", "Quoted, Comma", "space name", "dir", "f", "near"}));
  ASSERT_EQ(tracks.size(), 7u);
  // An #EXTINF title is final; the others still wait for tags. The title goes with the next entry only.
  EXPECT_FALSE(tracks[0].TitlePending);
  EXPECT_TRUE(tracks[1].TitlePending);
  EXPECT_EQ(Problems,
            (std::vector<std::string>{
                "'lists/all.m3u8':9: cannot find 'gone.mp3': No such file or directory",
                "'lists/all.m3u8':11: 'http://example.com/stream.mp3' is not a file on this computer; left out",
            }));
}

TEST_F(TrackSourcesTest, a_single_byte_playlist_finds_files_stored_under_utf8_names) {
  Write("caf\xC3\xA9.mp3");
  Write("old.m3u", "caf\xE9.mp3\n");
  EXPECT_EQ(Paths(Run({"old.m3u"})), (std::vector<std::string>{R("caf\xC3\xA9.mp3")}));
  EXPECT_TRUE(Problems.empty());
}

TEST_F(TrackSourcesTest, playlists_that_list_themselves_or_each_other_end_and_say_so) {
  Write("a.mp3");
  Write("self.m3u", "a.mp3\nself.m3u\n./self.m3u\n");
  Write("ping.m3u", "pong.m3u\na.mp3\n");
  Write("pong.m3u", "ping.m3u\n");
  Write("loop/outer.m3u", R("a.mp3") + "\nalias.m3u\n");
  fs::create_symlink(Root / "loop" / "outer.m3u", Root / "loop" / "alias.m3u");

  EXPECT_EQ(Paths(Run({"self.m3u"})), (std::vector<std::string>{R("a.mp3")}));
  EXPECT_EQ(Problems.size(), 2u);
  EXPECT_TRUE(Reported("'self.m3u':2: 'self.m3u' lists itself")) << Problems[0];

  EXPECT_EQ(Paths(Run({"ping.m3u"})), (std::vector<std::string>{R("a.mp3")}));
  EXPECT_TRUE(Reported("'ping.m3u' lists itself")) << Problems.at(0);

  EXPECT_EQ(Paths(Run({"loop/outer.m3u"})), (std::vector<std::string>{R("a.mp3")}));
  EXPECT_TRUE(Reported("lists itself"));
}

TEST_F(TrackSourcesTest, playlists_that_fan_out_or_nest_deeply_without_a_loop_end_and_say_so_once) {
  // Seven levels of ten lines each would be ten million tracks.
  Write("a.mp3");
  for (int level = 0; level < 7; ++level) {
    const std::string next = level == 6 ? "a.mp3" : "l" + std::to_string(level + 1) + ".m3u";
    std::string lines;
    for (int i = 0; i < 10; ++i) lines += next + "\n";
    Write("l" + std::to_string(level) + ".m3u", lines);
  }
  const std::vector<TrackEntry> tracks = Run({"l0.m3u"});
  EXPECT_GT(tracks.size(), 0u);
  EXPECT_LE(tracks.size(), TrackSources::kMaxTracks);
  EXPECT_LE(Problems.size(), 2u);
  EXPECT_TRUE(Reported("the rest are left out"));

  // A chain deeper than the limit: what lies deeper is left out, with one line.
  for (int level = 0; level < 12; ++level)
    Write("c" + std::to_string(level) + ".m3u", "a.mp3\nc" + std::to_string(level + 1) + ".m3u\n");
  const std::vector<TrackEntry> chain = Run({"c0.m3u"});
  EXPECT_EQ(chain.size(), std::size_t(TrackSources::kMaxPlayListDepth + 1));
  EXPECT_EQ(Problems.size(), 1u);
  EXPECT_TRUE(Reported("playlists deep"));
}

}  // namespace
