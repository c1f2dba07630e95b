// SPDX-License-Identifier: MIT
// Track paths, the kind decided by the extension, and the shuffle sequence every start repeats.
#include "TShuffleGenerator.h"
#include "TrackFiles.h"

#include <gtest/gtest.h>

#include <vector>

using TrackFiles::IsStreamFile;
using TrackFiles::TrackPath;

TEST(TrackPath, joins_current_directory_data_folder_and_file_name) {
  EXPECT_EQ(TrackPath("/home/u/music", "song.mp3"), "/home/u/music/data/song.mp3");
  // A trailing separator on the current directory is not doubled, and the root works too.
  EXPECT_EQ(TrackPath("/home/u/music/", "song.mp3"), "/home/u/music/data/song.mp3");
  EXPECT_EQ(TrackPath("/", "a.xm"), "/data/a.xm");
}

TEST(TrackPath, reads_backslashes_as_directory_separators_and_keeps_other_bytes) {
  EXPECT_EQ(TrackPath("/c", "sub\\dir\\tune.it"), "/c/data/sub/dir/tune.it");
  EXPECT_EQ(TrackPath("/c", " a b .mp3"), "/c/data/ a b .mp3");
  EXPECT_EQ(TrackPath("/c", "\xEF\xBB\xBFm\xE4.xm"), "/c/data/\xEF\xBB\xBFm\xE4.xm");
  EXPECT_EQ(TrackPath("/c", ""), "/c/data/");
}

TEST(IsStreamFile, only_an_exact_lower_case_mp3_extension_of_the_last_component_is_a_stream) {
  EXPECT_TRUE(IsStreamFile("/c/data/song.mp3"));
  EXPECT_TRUE(IsStreamFile("sub\\song.mp3"));
  EXPECT_TRUE(IsStreamFile(".mp3"));
  EXPECT_FALSE(IsStreamFile("/c/data/SONG.MP3"));
  EXPECT_FALSE(IsStreamFile("/c/data/song.Mp3"));
  EXPECT_FALSE(IsStreamFile("/c/data/song.mp3.xm"));
  EXPECT_FALSE(IsStreamFile("/c/data/song.mp3 "));
  EXPECT_FALSE(IsStreamFile("/c/data/song"));
  EXPECT_FALSE(IsStreamFile("/c/data.mp3/song"));
  EXPECT_FALSE(IsStreamFile("dir.mp3\\song"));
  EXPECT_FALSE(IsStreamFile(""));
}

TEST(ShuffleGenerator, seeded_with_one_gives_the_same_sequence_at_every_start) {
  TShuffleGenerator generator;
  generator.Seed(1);
  std::vector<int> values;
  for (int i = 0; i < 4; ++i) values.push_back(generator.Next());
  EXPECT_EQ(values, (std::vector<int>{130, 10982, 1090, 11656}));
  TShuffleGenerator again;
  again.Seed(1);
  EXPECT_EQ(again.Next(), 130);
}
