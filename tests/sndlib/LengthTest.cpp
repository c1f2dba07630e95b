// SPDX-License-Identifier: MIT
// Lengths reported by the library against the decoders' own figures, and how long channels really play.
#include "SndlibTestSupport.h"

#include <libopenmpt/libopenmpt.h>
#include <mpg123.h>

#include <fstream>
#include <iterator>

using namespace sndtest;

namespace {

// libmpg123's own length of a file in seconds, scanned or as the file claims.
double DecoderSeconds(const std::string& path, bool scan) {
  mpg123_init();
  mpg123_handle* mh = mpg123_new(nullptr, nullptr);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  EXPECT_EQ(mpg123_open(mh, path.c_str()), MPG123_OK);
  long rate = 0;
  int channels = 0, encoding = 0;
  mpg123_getformat(mh, &rate, &channels, &encoding);
  if (scan) mpg123_scan(mh);
  double seconds = double(mpg123_length(mh)) / double(rate);
  mpg123_close(mh);
  mpg123_delete(mh);
  return seconds;
}

double ModuleSeconds(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  openmpt_module* mod = openmpt_module_create_from_memory2(data.data(), data.size(), nullptr, nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, nullptr);
  EXPECT_NE(mod, nullptr);
  double seconds = openmpt_module_get_duration_seconds(mod);
  openmpt_module_destroy(mod);
  return seconds;
}

constexpr double kFrame20ms = 0.020;

class Lengths : public TPulledLibrary {};

}  // namespace

TEST_F(Lengths, stream_lengths_match_the_decoders_scan_cbr_vbr_mono_and_other_rates) {
  for (const char* name : {"sine44_cbr.mp3", "sine48_vbr.mp3", "sine44_mono.mp3", "sine22_mono.mp3", "vbr_untagged.mp3",
                           "truncated.mp3"}) {
    SCOPED_TRACE(name);
    SND_HANDLE h = snd_stream_create_file(0, Fixture(name).c_str(), 0, 0, SND_STREAM_PRESCAN);
    ASSERT_NE(h, 0u) << snd_error_get_code();
    uint64_t bytes = snd_stream_get_length(h);
    EXPECT_EQ(bytes % 4, 0u);
    double seconds = snd_channel_bytes_to_seconds(h, bytes);
    EXPECT_DOUBLE_EQ(seconds, double(bytes) / 176400.0);
    EXPECT_NEAR(seconds, DecoderSeconds(Fixture(name), true), kFrame20ms);
    EXPECT_TRUE(snd_stream_free(h));
  }
}

TEST_F(Lengths, only_the_scan_sees_the_truth_of_truncated_and_untagged_files) {
  // The truncated file's tag claims two seconds; about one is there.
  SND_HANDLE claimed = snd_stream_create_file(0, Fixture("truncated.mp3").c_str(), 0, 0, 0);
  SND_HANDLE scanned = snd_stream_create_file(0, Fixture("truncated.mp3").c_str(), 0, 0, SND_STREAM_PRESCAN);
  ASSERT_NE(claimed, 0u);
  ASSERT_NE(scanned, 0u);
  EXPECT_NEAR(snd_channel_bytes_to_seconds(claimed, snd_stream_get_length(claimed)), 2.0, 0.05);
  EXPECT_LT(snd_channel_bytes_to_seconds(scanned, snd_stream_get_length(scanned)), 1.5);
  // And it plays what decodes: about as long as the scanned length says.
  snd_stream_play(scanned, 0, 0);
  double played = double(PullToEnd(scanned)) / 44100.0;
  EXPECT_NEAR(played, snd_channel_bytes_to_seconds(scanned, snd_stream_get_length(scanned)), 0.03);
}

TEST_F(Lengths, module_play_length_is_the_decoders_duration_and_needs_the_prescan_flag) {
  for (const char* name : {"tune.mod", "tune.xm"}) {
    SCOPED_TRACE(name);
    SND_HANDLE h = snd_music_load(0, Fixture(name).c_str(), 0, 0, 0x2001);
    ASSERT_NE(h, 0u) << snd_error_get_code();
    uint32_t bytes = snd_music_get_length(h, 1);
    EXPECT_NEAR(snd_channel_bytes_to_seconds(h, bytes), ModuleSeconds(Fixture(name)), kFrame20ms);
    EXPECT_EQ(snd_music_get_length(h, 0), 1u);  // one order position
    EXPECT_TRUE(snd_music_free(h));
  }
  SND_HANDLE plain = snd_music_load(0, Fixture("tune.mod").c_str(), 0, 0, 0);
  ASSERT_NE(plain, 0u);
  EXPECT_EQ(snd_music_get_length(plain, 1), 0xFFFFFFFFu);
  EXPECT_EQ(snd_error_get_code(), SND_ERROR_NOT_AVAILABLE);
}

TEST_F(Lengths, a_module_plays_for_its_length_then_goes_silent_and_stays_valid) {
  SND_HANDLE h = snd_music_load(0, Fixture("tune.xm").c_str(), 0, 0, 0x2001);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(snd_music_play_ex(h, 0, -1, 1));
  double played = double(PullToEnd(h)) / 44100.0;
  EXPECT_NEAR(played, snd_channel_bytes_to_seconds(h, snd_music_get_length(h, 1)), 0.03);
  std::vector<float> after = Pull(4410);
  EXPECT_EQ(Peak(after, 0), 0.0f);
  EXPECT_EQ(Peak(after, 1), 0.0f);
  EXPECT_EQ(snd_channel_get_level(h), 0u);
  EXPECT_EQ(snd_error_get_code(), SND_OK);
  // Played again from the start, it sounds again.
  ASSERT_TRUE(snd_music_play_ex(h, 0, -1, 1));
  EXPECT_GT(Peak(Pull(8820), 0), 0.01f);
}

TEST_F(Lengths, streams_play_at_true_speed_whatever_their_rate_and_twice_as_fast_at_88200) {
  for (const char* name : {"sine44_cbr.mp3", "sine48_vbr.mp3", "sine22_mono.mp3"}) {
    SCOPED_TRACE(name);
    SND_HANDLE h = snd_stream_create_file(0, Fixture(name).c_str(), 0, 0, SND_STREAM_PRESCAN);
    ASSERT_NE(h, 0u);
    double seconds = snd_channel_bytes_to_seconds(h, snd_stream_get_length(h));
    snd_stream_play(h, 0, 0);
    EXPECT_NEAR(double(PullToEnd(h)) / 44100.0, seconds, 0.03);
    snd_channel_set_attributes(h, 88200, 100, 0);
    snd_stream_play(h, 1, 0);
    EXPECT_NEAR(double(PullToEnd(h)) / 44100.0, seconds / 2, 0.03);
    snd_stream_free(h);
  }
}

TEST_F(Lengths, a_speed_change_while_playing_is_smooth) {
  // A sine resampled with a ratio that moves every block must stay free of jumps: the largest step between
  // neighbouring samples stays near what the sine itself does at the highest speed.
  SND_HANDLE h =
      sndlib::AddSource(std::make_unique<TSineSource>(44100, 441.0, 0.5, 44100 * 4), sndlib::TChannelKind::Stream);
  snd_stream_play(h, 0, 0);
  float largest = 0.0f;
  float previous = 0.0f;
  bool first = true;
  for (int step = 0; step < 60; ++step) {
    snd_channel_set_attributes(h, 44100 + step * 800, -1, 0);
    std::vector<float> block = Pull(256, 256);
    for (size_t i = 0; i < block.size(); i += 2) {
      if (!first) largest = std::max(largest, std::fabs(block[i] - previous));
      previous = block[i];
      first = false;
    }
  }
  double fastest = 2 * M_PI * 441.0 * (44100 + 59 * 800) / 44100.0 / 44100.0 * 0.5;
  EXPECT_LT(largest, fastest * 1.1);
}

TEST(OtherRate, at_22500_hz_output_files_keep_their_speed_and_bins_their_spacing) {
  sndlib::TPullOutput& pull = sndlib::InitPull(22500, 0, false);
  auto framesToEnd = [&](SND_HANDLE h) {
    auto channel = sndlib::FindChannel(h);
    std::vector<float> out(225 * 2);
    size_t frames = 0;
    while (channel->State() == sndlib::TChannelState::Playing && frames < 22500 * 30) {
      pull.Pull(out.data(), 225);
      frames += 225;
    }
    return double(frames) / 22500.0;
  };
  SND_HANDLE stream = snd_stream_create_file(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, SND_STREAM_PRESCAN);
  snd_stream_play(stream, 0, 0);
  EXPECT_NEAR(framesToEnd(stream), snd_channel_bytes_to_seconds(stream, snd_stream_get_length(stream)), 0.03);
  SND_HANDLE music = snd_music_load(0, Fixture("tune.xm").c_str(), 0, 0, 0x2001);
  snd_music_play_ex(music, 0, -1, 1);
  EXPECT_NEAR(framesToEnd(music), snd_channel_bytes_to_seconds(music, snd_music_get_length(music, 1)), 0.03);
  // Bin 100 now lies at 100 * 22500 / 2048 Hz.
  SND_HANDLE sine = sndlib::AddSource(std::make_unique<TSineSource>(22500, 100 * 22500.0 / 2048, 1.0, 22500),
                                      sndlib::TChannelKind::Stream);
  snd_stream_play(sine, 0, 0);
  std::vector<float> out(4096 * 2);
  pull.Pull(out.data(), 4096);
  float bins[1024];
  ASSERT_EQ(snd_channel_get_data(sine, bins, SND_DATA_FFT2048), 4096u);
  EXPECT_NEAR(bins[100], 1.0f, 0.02f);
  snd_free();
}
