// SPDX-License-Identifier: MIT
// Reading data/play.lst: line ends, long lines, pairing, and files that cannot be read.
#include "player/PlayList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class PlayListReader : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mira-playlist-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    FRoot = pattern;
  }
  void TearDown() override { fs::remove_all(FRoot); }

  // Reads a playlist holding exactly these bytes.
  TPlayList Read(const std::string& bytes) {
    const fs::path path = FRoot / "play.lst";
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << bytes;
    }
    TResult<TPlayList> list = ReadPlayListFile(path);
    EXPECT_TRUE(list) << list.Error();
    return list ? std::move(list).Value() : TPlayList{};
  }

  // The filled entries as "file|title" lines, for compact comparisons.
  static std::vector<std::string> Pairs(const TPlayList& list) {
    std::vector<std::string> pairs;
    for (int32_t i = 0; i < list.TrackCount; ++i)
      pairs.push_back(list.TrackTable[i].FileName + "|" + list.TrackTable[i].Title);
    return pairs;
  }

  fs::path FRoot;
};

using TPairs = std::vector<std::string>;

TEST_F(PlayListReader, four_lines_give_two_entries_in_file_order) {
  TPlayList list = Read("song.mp3\nA Song\ntune.xm\nA Tune\n");
  EXPECT_EQ(list.TrackCount, 2);
  EXPECT_EQ(Pairs(list), (TPairs{"song.mp3|A Song", "tune.xm|A Tune"}));
  // One entry per line read: the table is never shorter than what was filled.
  EXPECT_EQ(list.TrackTable.size(), 4u);
  EXPECT_EQ(list.TrackTable[2].FileName, "");
  EXPECT_EQ(list.TrackTable[3].Title, "");
}

TEST_F(PlayListReader, an_empty_file_gives_no_entries) {
  TPlayList list = Read("");
  EXPECT_EQ(list.TrackCount, 0);
  EXPECT_TRUE(list.TrackTable.empty());
}

TEST_F(PlayListReader, line_ends_cr_lf_and_lf_read_alike_and_the_last_line_needs_none) {
  const TPairs expected{"a.mp3|Title A", "b.xm|Title B"};
  EXPECT_EQ(Pairs(Read("a.mp3\nTitle A\nb.xm\nTitle B\n")), expected);
  EXPECT_EQ(Pairs(Read("a.mp3\r\nTitle A\r\nb.xm\r\nTitle B\r\n")), expected);
  EXPECT_EQ(Pairs(Read("a.mp3\r\nTitle A\nb.xm\r\nTitle B")), expected);
  // A CR that ends no line is part of the text.
  EXPECT_EQ(Pairs(Read("a\rb.xm\nTitle\r\r\n")), (TPairs{"a\rb.xm|Title\r"}));
}

TEST_F(PlayListReader, a_1500_byte_line_reads_as_1023_and_477_bytes_and_shifts_the_pairing) {
  const std::string longName(1500, 'x');
  for (const char* end : {"\n", "\r\n"}) {
    SCOPED_TRACE(end[0] == '\r' ? "CR LF" : "LF");
    const std::string e = end;
    TPlayList list = Read(longName + e + "Long" + e + "b.xm" + e + "B" + e);
    ASSERT_EQ(list.TrackCount, 3);
    EXPECT_EQ(list.TrackTable[0].FileName, std::string(1023, 'x'));
    EXPECT_EQ(list.TrackTable[0].Title, std::string(477, 'x'));
    EXPECT_EQ(list.TrackTable[1].FileName, "Long");
    EXPECT_EQ(list.TrackTable[1].Title, "b.xm");
    EXPECT_EQ(list.TrackTable[2].FileName, "B");
    EXPECT_EQ(list.TrackTable[2].Title, "");
  }
  // The piece boundary falls where the line end would be counted: 1022 bytes and a line end still
  // make one line, 1023 bytes and a line end make a full piece and an empty one.
  EXPECT_EQ(Pairs(Read(std::string(1022, 'y') + "\r\nT\n")), (TPairs{std::string(1022, 'y') + "|T"}));
  EXPECT_EQ(Pairs(Read(std::string(1023, 'z') + "\r\nT\n")), (TPairs{std::string(1023, 'z') + "|", "T|"}));
}

TEST_F(PlayListReader, every_line_counts_and_bytes_stay_as_they_are) {
  // A blank first line: the first file name is empty and the first real name becomes a title.
  EXPECT_EQ(Pairs(Read("\nsong.mp3\nA Song\n")), (TPairs{"|song.mp3", "A Song|"}));
  // Upper-case extensions, spaces at either end, non-ASCII bytes and a byte-order mark are kept.
  EXPECT_EQ(Pairs(Read("\xEF\xBB\xBFSONG.MP3\n  Title  \nm\xE4rz.it\nM\xE4rz\n")),
            (TPairs{"\xEF\xBB\xBFSONG.MP3|  Title  ", "m\xE4rz.it|M\xE4rz"}));
}

TEST_F(PlayListReader, an_odd_last_line_fills_an_entry_with_an_empty_title) {
  TPlayList list = Read("a.mp3\nA\nb.xm");
  EXPECT_EQ(list.TrackCount, 2);
  EXPECT_EQ(Pairs(list), (TPairs{"a.mp3|A", "b.xm|"}));
}

TEST_F(PlayListReader, a_file_that_cannot_be_opened_gives_nothing_but_the_reason) {
  const TResult<TPlayList> missing = ReadPlayListFile(FRoot / "missing.lst");
  EXPECT_FALSE(missing);
  // The system's own words follow the path.
  EXPECT_EQ(missing.Error().rfind("cannot open the playlist " + (FRoot / "missing.lst").string() + ": ", 0), 0u)
      << missing.Error();
  fs::create_directories(FRoot / "folder.lst");
  const TResult<TPlayList> folder = ReadPlayListFile(FRoot / "folder.lst");
  EXPECT_FALSE(folder);
  EXPECT_EQ(folder.Error(), "cannot open the playlist " + (FRoot / "folder.lst").string() + ": Is a directory");
  if (geteuid() != 0) {
    const fs::path locked = FRoot / "locked.lst";
    std::ofstream(locked) << "a\nb\n";
    fs::permissions(locked, fs::perms::none);
    const TResult<TPlayList> refused = ReadPlayListFile(locked);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Error().rfind("cannot open the playlist " + locked.string() + ": ", 0), 0u) << refused.Error();
  }
}

TEST_F(PlayListReader, by_default_reads_data_play_lst_below_the_current_directory) {
  fs::create_directories(FRoot / "data");
  std::ofstream(FRoot / "data" / "play.lst") << "here.mp3\nHere\n";
  const fs::path before = fs::current_path();
  fs::current_path(FRoot);
  auto list = ReadPlayListFile();
  fs::current_path(FRoot / "data");
  auto missing = ReadPlayListFile();
  fs::current_path(before);
  ASSERT_TRUE(list);
  EXPECT_EQ(Pairs(*list), (TPairs{"here.mp3|Here"}));
  EXPECT_FALSE(missing);
}

}  // namespace
