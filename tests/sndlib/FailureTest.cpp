// SPDX-License-Identifier: MIT
// Every refusal of the library: bad files, dead handles, wrong use of the lifecycle; each with its code.
#include "SndlibTestSupport.h"

#include "TMixer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>

using namespace sndtest;

namespace {

class Failures : public TPulledLibrary {
protected:
  void SetUp() override {
    TPulledLibrary::SetUp();
    char pattern[] = "/tmp/sndlib-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FDir = pattern;
  }
  void TearDown() override {
    TPulledLibrary::TearDown();
    std::system(("rm -rf '" + FDir + "'").c_str());
  }
  std::string Write(const char* name, const std::string& bytes) {
    std::string path = FDir + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string Garbage(size_t size) {
    std::mt19937 random(1234);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = char(random());
    return bytes;
  }
  // Loading `path` as a module and as a stream fails with `code` each.
  void ExpectRefused(const std::string& path, int32_t moduleCode, int32_t streamCode) {
    SCOPED_TRACE(path);
    EXPECT_EQ(snd_music_load(0, path.c_str(), 0, 0, 0x2001), 0u);
    EXPECT_EQ(snd_error_get_code(), moduleCode);
    EXPECT_EQ(snd_stream_create_file(0, path.c_str(), 0, 0, SND_STREAM_PRESCAN), 0u);
    EXPECT_EQ(snd_error_get_code(), streamCode);
  }
  std::string FDir;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST_F(Failures, missing_empty_directory_and_garbage_files_are_refused_with_their_codes) {
  ExpectRefused(FDir + "/no-such-file.mp3", SND_ERROR_FILE_OPEN, SND_ERROR_FILE_OPEN);
  ExpectRefused(FDir, SND_ERROR_FILE_OPEN, SND_ERROR_FILE_OPEN);
  ExpectRefused(Write("empty.mp3", ""), SND_ERROR_FILE_FORMAT, SND_ERROR_FILE_FORMAT);
  ExpectRefused(Write("garbage.mp3", Garbage(20000)), SND_ERROR_FILE_FORMAT, SND_ERROR_FILE_FORMAT);
  ExpectRefused(Write("garbage.mod", Garbage(5000)), SND_ERROR_FILE_FORMAT, SND_ERROR_FILE_FORMAT);
  // A header that promises 200 channels and then ends is a module, but a broken one.
  EXPECT_EQ(snd_music_load(0, Fixture("lying.xm").c_str(), 0, 0, 0x2001), 0u);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_FILE_CORRUPT);
  // Nothing was left behind by the failures: the next handle works and is the only channel.
  SND_HANDLE h = snd_stream_create_file(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, 0);
  EXPECT_NE(h, 0u);
  EXPECT_EQ(snd_error_get_code(), SND_OK);
}

TEST_F(Failures, a_cut_module_either_plays_what_loaded_or_is_refused_as_corrupt) {
  std::string whole = ReadFile(Fixture("tune.xm"));
  for (size_t size : {size_t(100), size_t(300), size_t(400), whole.size() - 10}) {
    SCOPED_TRACE(size);
    std::string path = Write("cut.xm", whole.substr(0, size));
    SND_HANDLE h = snd_music_load(0, path.c_str(), 0, 0, 0x2001);
    if (h == 0) {
      EXPECT_EQ(snd_error_get_code(), SND_ERROR_FILE_CORRUPT);
      continue;
    }
    ASSERT_TRUE(snd_music_play_ex(h, 0, -1, 1));
    PullToEnd(h);
    // The block the end was found in may still be handed out.
    Pull(sndlib::TMixer::kBlock);
    for (float v : Pull(1000)) ASSERT_EQ(v, 0.0f);
    EXPECT_TRUE(snd_music_free(h));
  }
}

TEST_F(Failures, a_stream_needs_a_frame_that_decodes) {
  std::string whole = ReadFile(Fixture("sine44_cbr.mp3"));
  // Only the first frame's header, without its body.
  ExpectRefused(Write("cut.mp3", whole.substr(0, 6)), SND_ERROR_FILE_FORMAT, SND_ERROR_FILE_FORMAT);
  // A music file is not a stream, nor the other way round.
  EXPECT_EQ(snd_stream_create_file(0, Fixture("tune.xm").c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_FILE_FORMAT);
  EXPECT_EQ(snd_music_load(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_FILE_FORMAT);
}

TEST_F(Failures, memory_loads_offsets_and_bad_arguments) {
  std::string mp3 = ReadFile(Fixture("sine44_cbr.mp3"));
  SND_HANDLE fromMemory = snd_stream_create_file(1, mp3.data(), 0, mp3.size(), SND_STREAM_PRESCAN);
  ASSERT_NE(fromMemory, 0u);
  // The same file behind 1000 bytes of padding, opened at its offset.
  std::string padded = Write("padded.bin", std::string(1000, 'x') + mp3);
  SND_HANDLE atOffset = snd_stream_create_file(0, padded.c_str(), 1000, 0, SND_STREAM_PRESCAN);
  ASSERT_NE(atOffset, 0u);
  EXPECT_EQ(snd_stream_get_length(atOffset), snd_stream_get_length(fromMemory));
  // An ID3v2 tag of 300 bytes in front (size as four 7-bit digits) is skipped, not played as noise.
  std::string tag = std::string("ID3\x03\x00\x00", 6) + std::string{0, 0, 2, 44} + std::string(300, '\0');
  std::string tagged = Write("tagged.mp3", tag + mp3);
  SND_HANDLE withTag = snd_stream_create_file(0, tagged.c_str(), 0, 0, SND_STREAM_PRESCAN);
  ASSERT_NE(withTag, 0u);
  EXPECT_EQ(snd_stream_get_length(withTag), snd_stream_get_length(fromMemory));
  EXPECT_EQ(snd_stream_create_file(1, mp3.data(), 0, 0, 0), 0u);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_PARAM);
  EXPECT_EQ(snd_music_load(0, nullptr, 0, 0, 0), 0u);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_PARAM);
  SND_HANDLE m = snd_music_load(0, Fixture("tune.mod").c_str(), 0, 0, 0x2001);
  EXPECT_FALSE(snd_music_play_ex(m, 5, -1, 1));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_PARAM);
}

TEST_F(Failures, dead_and_foreign_handles_fail_without_effect_and_numbers_are_never_reused) {
  SND_HANDLE stream = snd_stream_create_file(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, 0);
  SND_HANDLE music = snd_music_load(0, Fixture("tune.mod").c_str(), 0, 0, 0x2001);
  ASSERT_NE(stream, 0u);
  ASSERT_NE(music, 0u);
  // Kinds are checked: music calls refuse a stream and the other way round.
  EXPECT_FALSE(snd_music_free(stream));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_HANDLE);
  EXPECT_FALSE(snd_stream_free(music));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_HANDLE);
  EXPECT_EQ(snd_stream_get_length(music), ~uint64_t(0));
  EXPECT_EQ(snd_music_get_length(stream, 1), 0xFFFFFFFFu);
  ASSERT_TRUE(snd_stream_free(stream));
  ASSERT_TRUE(snd_music_free(music));
  SND_HANDLE next = snd_stream_create_file(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, 0);
  EXPECT_GT(next, music);
  float buffer[1024];
  std::fill(std::begin(buffer), std::end(buffer), 3.0f);
  for (SND_HANDLE dead : {SND_HANDLE(0), stream, music, SND_HANDLE(0xFFFFFF00u)}) {
    SCOPED_TRACE(dead);
    EXPECT_FALSE(snd_channel_stop(dead));
    EXPECT_EQ(snd_error_get_code(), SND_ERROR_HANDLE);
    EXPECT_FALSE(snd_channel_pause(dead));
    EXPECT_FALSE(snd_channel_resume(dead));
    EXPECT_FALSE(snd_channel_set_attributes(dead, 44100, 100, 0));
    EXPECT_FALSE(snd_stream_play(dead, 0, 0));
    EXPECT_FALSE(snd_music_play_ex(dead, 0, -1, 1));
    EXPECT_EQ(snd_channel_get_level(dead), 0xFFFFFFFFu);
    EXPECT_EQ(snd_channel_bytes_to_seconds(dead, 176400), -1.0);
    EXPECT_EQ(snd_channel_get_data(dead, buffer, SND_DATA_FFT2048), 0xFFFFFFFFu);
    EXPECT_EQ(snd_error_get_code(), SND_ERROR_HANDLE);
    EXPECT_FALSE(snd_stream_free(dead));
    EXPECT_FALSE(snd_music_free(dead));
  }
  EXPECT_EQ(snd_channel_get_data(next, buffer, 0x80000003u), 0xFFFFFFFFu);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_PARAM);
  for (float v : buffer) ASSERT_EQ(v, 3.0f);
}

TEST(Lifecycle, init_refuses_twice_unknown_devices_and_bad_rates_and_calls_need_it) {
  EXPECT_FALSE(snd_start());
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_NOT_INIT);
  EXPECT_EQ(snd_stream_create_file(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_NOT_INIT);
  EXPECT_FALSE(snd_free());
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_NOT_INIT);
  EXPECT_FALSE(snd_init(0, 44100, 0, nullptr));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_DEVICE);
  EXPECT_FALSE(snd_init(-3, 44100, 0, nullptr));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_DEVICE);
  EXPECT_FALSE(snd_init(-2, 100, 0, nullptr));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_FORMAT);
  ASSERT_TRUE(snd_init(-2, 22500, 0, nullptr));
  EXPECT_EQ(snd_error_get_code(), SND_OK);
  EXPECT_FALSE(snd_init(-2, 44100, 0, nullptr));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_ALREADY);
  SND_HANDLE h = snd_stream_create_file(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(snd_free());
  // After a new init the old handle stays dead.
  ASSERT_TRUE(snd_init(-2, 44100, 0, nullptr));
  EXPECT_FALSE(snd_stream_play(h, 0, 0));
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_HANDLE);
  ASSERT_TRUE(snd_free());
}

TEST(Lifecycle, error_codes_belong_to_the_calling_thread) {
  EXPECT_FALSE(snd_stop());
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_NOT_INIT);
  int32_t other = -99;
  std::thread([&] { other = snd_error_get_code(); }).join();
  EXPECT_EQ(other, SND_OK);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_NOT_INIT);
}

TEST_F(Failures, a_stream_reads_its_file_as_it_plays_so_a_removed_file_plays_on_and_a_cut_one_ends_at_the_cut) {
  // Some megabytes of audio: far more than the library reads ahead or decodes ahead.
  std::string mp3;
  for (int i = 0; i < 60; ++i) mp3 += ReadFile(Fixture("sine44_cbr.mp3"));
  constexpr size_t kLimit = 44100 * 600;
  SND_HANDLE copy = snd_stream_create_file(1, mp3.data(), 0, mp3.size(), 0);
  ASSERT_NE(copy, 0u);
  ASSERT_TRUE(snd_stream_play(copy, 1, 0));
  const size_t whole = PullToEnd(copy, 4410, kLimit);
  ASSERT_GT(whole, size_t(44100 * 60));
  ASSERT_LT(whole, kLimit);

  // Removed once it is open, the file still plays to its end.
  const std::string removed = Write("removed.mp3", mp3);
  SND_HANDLE fromRemoved = snd_stream_create_file(0, removed.c_str(), 0, 0, 0);
  ASSERT_NE(fromRemoved, 0u);
  ASSERT_EQ(unlink(removed.c_str()), 0);
  ASSERT_TRUE(snd_stream_play(fromRemoved, 1, 0));
  EXPECT_EQ(PullToEnd(fromRemoved, 4410, kLimit), whole);

  // Cut to a quarter while it plays, it ends about there, with what it had read before the cut.
  const std::string cut = Write("cut.mp3", mp3);
  SND_HANDLE fromCut = snd_stream_create_file(0, cut.c_str(), 0, 0, 0);
  ASSERT_NE(fromCut, 0u);
  ASSERT_TRUE(snd_stream_play(fromCut, 1, 0));
  Pull(44100);
  ASSERT_EQ(truncate(cut.c_str(), off_t(mp3.size() / 4)), 0);
  const size_t played = 44100 + PullToEnd(fromCut, 4410, kLimit);
  EXPECT_GT(played, whole / 4 - 44100 * 3);
  EXPECT_LT(played, whole / 4 + 44100 * 3);
}
