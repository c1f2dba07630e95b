// SPDX-License-Identifier: MIT
// Titles from ID3 tags and module headers, from file names, and the reader that fills them in on its own thread.
#include "TTitleReader.h"
#include "TrackTitles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using TrackTitles::FromFileName;
using TrackTitles::FromTags;

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string BigEndian32(uint32_t value) {
  return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string SyncSafe32(uint32_t value) {
  return {char((value >> 21) & 0x7F), char((value >> 14) & 0x7F), char((value >> 7) & 0x7F), char(value & 0x7F)};
}

// An ID3v2.3 text frame in Latin-1.
std::string TextFrame(const std::string& id, const std::string& text) {
  return id + BigEndian32(uint32_t(text.size() + 1)) + std::string(2, '\0') + '\0' + text;
}

std::string Id3v2(const std::string& frames) {
  return "ID3\x03" + std::string(2, '\0') + SyncSafe32(uint32_t(frames.size())) + frames;
}

std::string Id3v1(const std::string& title, const std::string& artist) {
  std::string tag = "TAG";
  tag += (title + std::string(30, '\0')).substr(0, 30);
  tag += (artist + std::string(30, '\0')).substr(0, 30);
  tag += std::string(30 + 4 + 30, '\0');
  tag += '\xFF';
  return tag;
}

class TrackTitlesTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mira-titles-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Root = pattern;
    Audio = FileBytes(MIRA_SNDLIB_FIXTURES "/sine44_cbr.mp3");
    ASSERT_FALSE(Audio.empty());
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(Root, ignored);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (Root / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path Root;
  std::string Audio;  // MP3 frames without any tag
};

TEST_F(TrackTitlesTest, an_mp3_is_titled_by_its_id3v2_tag_then_its_id3v1_tag_with_the_artist_in_front) {
  EXPECT_EQ(FromTags(Write("both.mp3", Id3v2(TextFrame("TIT2", "Song") + TextFrame("TPE1", "Band")) + Audio)),
            "Band - Song");
  EXPECT_EQ(FromTags(Write("title.mp3", Id3v2(TextFrame("TIT2", "  Only Title ")) + Audio)), "Only Title");
  EXPECT_EQ(FromTags(Write("v1.mp3", Audio + Id3v1("Old Song", "Old Band"))), "Old Band - Old Song");
  EXPECT_EQ(FromTags(Write("v2first.mp3", Id3v2(TextFrame("TIT2", "New")) + Audio + Id3v1("Old", ""))), "New");
  // An artist without a title is no title; nor is a file without tags, nor a missing file.
  EXPECT_EQ(FromTags(Write("artist.mp3", Id3v2(TextFrame("TPE1", "Band")) + Audio)), "");
  EXPECT_EQ(FromTags(Write("plain.mp3", Audio)), "");
  EXPECT_EQ(FromTags((Root / "gone.mp3").string()), "");
  // A pipe where a file was listed is passed over, not waited on for ever.
  ASSERT_EQ(mkfifo((Root / "pipe.mp3").c_str(), 0600), 0);
  EXPECT_EQ(FromTags((Root / "pipe.mp3").string()), "");
  // Latin-1 in a tag comes out as UTF-8; a line end in one as a space.
  EXPECT_EQ(FromTags(Write("latin.mp3", Id3v2(TextFrame("TIT2", "Caf\xE9\nBar")) + Audio)), "Caf\xC3\xA9 Bar");
}

TEST_F(TrackTitlesTest, a_ten_megabyte_tag_is_read_quickly_and_a_tag_that_claims_more_than_the_file_holds_is_no_crash) {
  const std::string big = Id3v2(TextFrame("TIT2", "Big") + "PRIV" + BigEndian32(10u << 20) + std::string(2, '\0') +
                                std::string(10u << 20, '\x5A')) +
                          Audio;
  const std::string path = Write("big.mp3", big);
  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(FromTags(path), "Big");
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));

  const std::string lying = "ID3\x03" + std::string(2, '\0') + SyncSafe32(200u << 20) + TextFrame("TIT2", "Lie");
  EXPECT_NO_FATAL_FAILURE(FromTags(Write("lying.mp3", lying)));
  EXPECT_EQ(FromTags(Write("garbage.mp3", std::string(5000, '\xFF'))), "");
}

TEST_F(TrackTitlesTest, a_module_is_titled_by_the_song_name_it_carries) {
  EXPECT_EQ(FromTags(MIRA_DEMO_DATA "/night_ferry.xm"), "Night Ferry");
  EXPECT_EQ(FromTags(MIRA_DEMO_DATA "/amber_circuit.mod"), "Amber Circuit");
  EXPECT_EQ(FromTags(MIRA_DEMO_DATA "/copper_kites.s3m"), "Copper Kites");
  // The same bytes under a name in capitals read the same.
  EXPECT_EQ(FromTags(Write("LOUD.XM", FileBytes(MIRA_DEMO_DATA "/night_ferry.xm"))), "Night Ferry");
}

TEST(TrackTitles, a_file_name_gives_its_title_without_the_last_extension_and_without_control_characters) {
  EXPECT_EQ(FromFileName("02 - Song.mp3"), "02 - Song");
  EXPECT_EQ(FromFileName("archive.tar.xm"), "archive.tar");
  EXPECT_EQ(FromFileName("noextension"), "noextension");
  EXPECT_EQ(FromFileName(".mp3"), ".mp3");
  EXPECT_EQ(FromFileName("line\nend\tand\x1b[31mred.xm"), "line end and [31mred");
  EXPECT_EQ(FromFileName("bad\xff\xfe.xm"), "bad\xff\xfe");
}

TEST_F(TrackTitlesTest, the_reader_finds_every_title_in_order_and_stops_at_once_when_destroyed) {
  const std::string tagged = Write("a.mp3", Id3v2(TextFrame("TIT2", "A")) + Audio);
  const std::string plain = Write("b.mp3", Audio);
  TTitleReader reader({{3, tagged}, {5, plain}, {7, MIRA_DEMO_DATA "/night_ferry.xm"}});
  std::vector<TTitleReader::TTitle> got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!reader.Done() && std::chrono::steady_clock::now() < deadline) {
    for (TTitleReader::TTitle& t : reader.Take()) got.push_back(std::move(t));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (TTitleReader::TTitle& t : reader.Take()) got.push_back(std::move(t));
  ASSERT_TRUE(reader.Done());
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].Index, 3);
  EXPECT_EQ(got[0].Title, "A");
  EXPECT_EQ(got[1].Index, 5);
  EXPECT_EQ(got[1].Title, "");
  EXPECT_EQ(got[2].Title, "Night Ferry");

  // Thousands of files still to read: destroying the reader does not wait for them.
  std::vector<std::pair<int32_t, std::string>> many;
  for (int i = 0; i < 20000; ++i) many.emplace_back(i, tagged);
  const auto began = std::chrono::steady_clock::now();
  { TTitleReader busy(std::move(many)); }
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1));
}

}  // namespace
