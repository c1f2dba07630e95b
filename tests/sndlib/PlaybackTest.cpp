// SPDX-License-Identifier: MIT
// Transport, volume, pan and the analysis of what is heard, driven through a hand-pulled output.
#include "SndlibTestSupport.h"

#include "TMixer.h"

#include <numeric>

using namespace sndtest;

namespace {

class Playback : public TPulledLibrary {
protected:
  SND_HANDLE Stream(const char* name) {
    SND_HANDLE h = snd_stream_create_file(0, Fixture(name).c_str(), 0, 0, SND_STREAM_PRESCAN);
    EXPECT_NE(h, 0u);
    return h;
  }
  SND_HANDLE Sine(double freq, double amplitude, double seconds = 2.0) {
    return sndlib::AddSource(std::make_unique<TSineSource>(44100, freq, amplitude, size_t(44100 * seconds)),
                             sndlib::TChannelKind::Stream);
  }
  static uint32_t Left(uint32_t level) { return level & 0xFFFF; }
  static uint32_t Right(uint32_t level) { return level >> 16; }
};

// Bin 64 of a 2048-point transform at 44100 Hz.
constexpr double kBin64 = 64.0 * 44100.0 / 2048.0;

}  // namespace

TEST_F(Playback, pause_and_resume_ramp_and_continue_exactly_where_the_sound_halted) {
  constexpr size_t B = sndlib::TMixer::kBlock;
  SND_HANDLE straight = Stream("sine44_cbr.mp3");
  snd_stream_play(straight, 0, 0);
  // Whole blocks, so the second stream starts at the same place in a block as the first.
  std::vector<float> reference = Pull(160 * B);
  snd_stream_free(straight);
  // Freed, it ramps out over the next block.
  Pull(2 * B);

  SND_HANDLE h = Stream("sine44_cbr.mp3");
  snd_stream_play(h, 0, 0);
  std::vector<float> out = Pull(12000);
  ASSERT_TRUE(snd_channel_pause(h));
  std::vector<float> paused = Pull(5000);
  uint64_t position = sndlib::FindChannel(h)->Consumed();
  EXPECT_EQ(Peak(Pull(3000), 0), 0.0f);
  EXPECT_EQ(sndlib::FindChannel(h)->Consumed(), position);
  ASSERT_TRUE(snd_channel_resume(h));
  std::vector<float> after = Pull(12000);
  out.insert(out.end(), paused.begin(), paused.end());
  out.insert(out.end(), 3000 * 2, 0.0f);
  out.insert(out.end(), after.begin(), after.end());
  // The pause is taken up at the next block and ramps the sound out over it; the resume ramps it in over
  // the next block after the call and goes on from the very frame the pause ended at.
  size_t pauseAt = (12000 + B - 1) / B * B, resumeAt = (20000 + B - 1) / B * B;
  ASSERT_EQ(position, pauseAt + B);
  for (size_t i = 0; i < pauseAt * 2; ++i) ASSERT_EQ(out[i], reference[i]) << i;
  float largest = 0.0f;
  for (size_t i = 1; i < out.size() / 2; ++i) largest = std::max(largest, std::fabs(out[i * 2] - out[i * 2 - 2]));
  for (size_t i = pauseAt; i < pauseAt + B; ++i) ASSERT_LE(std::fabs(out[i * 2]), std::fabs(reference[i * 2]) + 1e-6f);
  for (size_t i = pauseAt + B; i < resumeAt; ++i) ASSERT_EQ(out[i * 2], 0.0f) << i;
  for (size_t i = 0; i < 8000; ++i) {
    float heard = out[(resumeAt + i) * 2], source = reference[(position + i) * 2];
    if (i < B) {
      ASSERT_LE(std::fabs(heard), std::fabs(source) + 1e-6f);
    } else {
      ASSERT_EQ(heard, source) << i;
    }
  }
  // No step anywhere larger than the 1 kHz sine's own (0.5 * 2 pi * 1000 / 44100 = 0.071).
  EXPECT_LT(largest, 0.075f);
}

TEST_F(Playback, stop_halts_and_play_without_flush_continues_while_flush_restarts) {
  constexpr size_t B = sndlib::TMixer::kBlock;
  SND_HANDLE h = Stream("sine44_cbr.mp3");
  snd_stream_play(h, 0, 0);
  Pull(10000);
  ASSERT_TRUE(snd_channel_stop(h));
  // Taken up at the next block start, then ramped out over that block.
  Pull(2 * B);
  EXPECT_EQ(Peak(Pull(4000), 0), 0.0f);
  uint64_t position = sndlib::FindChannel(h)->Consumed();
  EXPECT_GE(position, 10000u);
  EXPECT_LE(position, 10000u + 2 * B);
  EXPECT_EQ(Peak(Pull(1000), 0), 0.0f);
  EXPECT_EQ(sndlib::FindChannel(h)->Consumed(), position);
  snd_stream_play(h, 0, 0);
  Pull(1000);
  EXPECT_GE(sndlib::FindChannel(h)->Consumed(), position + 1000 - B);
  EXPECT_LE(sndlib::FindChannel(h)->Consumed(), position + 1000 + B);
  snd_stream_play(h, 1, 0);
  Pull(1000);
  EXPECT_LE(sndlib::FindChannel(h)->Consumed(), 1000u + B);
  // Resume on a stopped channel leaves it stopped.
  snd_channel_stop(h);
  EXPECT_TRUE(snd_channel_resume(h));
  Pull(2 * B);
  EXPECT_EQ(Peak(Pull(2000), 0), 0.0f);
}

TEST_F(Playback, output_stop_freezes_every_channel_and_start_lets_it_run_on) {
  SND_HANDLE h = Sine(1000.0, 0.5);
  snd_stream_play(h, 0, 0);
  Pull(1000);
  ASSERT_TRUE(snd_stop());
  uint64_t position = sndlib::FindChannel(h)->Consumed();
  EXPECT_EQ(Peak(Pull(2000), 0), 0.0f);
  EXPECT_EQ(sndlib::FindChannel(h)->Consumed(), position);
  EXPECT_EQ(snd_channel_get_level(h), 0u);
  ASSERT_TRUE(snd_start());
  EXPECT_GT(Peak(Pull(2000), 0), 0.4f);
}

TEST_F(Playback, volume_zero_and_pan_extremes_silence_exactly_what_they_should) {
  // Every change ramps over one block; what follows it is exact.
  SND_HANDLE h = Sine(1000.0, 0.5);
  snd_stream_play(h, 0, 0);
  auto change = [&](int32_t freq, int32_t volume, int32_t pan) {
    EXPECT_TRUE(snd_channel_set_attributes(h, freq, volume, pan));
    Pull(sndlib::TMixer::kBlock * 2);
    return Pull(2000);
  };
  std::vector<float> out = change(44100, 0, 0);
  EXPECT_EQ(Peak(out, 0), 0.0f);
  EXPECT_EQ(Peak(out, 1), 0.0f);
  out = change(-1, 100, -100);
  EXPECT_NEAR(Peak(out, 0), 0.5f, 0.01f);
  EXPECT_EQ(Peak(out, 1), 0.0f);
  out = change(-1, -1, 100);
  EXPECT_EQ(Peak(out, 0), 0.0f);
  EXPECT_NEAR(Peak(out, 1), 0.5f, 0.01f);
  // Half way to the left keeps the left whole and halves the right (balance law); -1 kept the volume.
  out = change(-1, -1, -50);
  EXPECT_NEAR(Peak(out, 0), 0.5f, 0.01f);
  EXPECT_NEAR(Peak(out, 1), 0.25f, 0.01f);
  // Out-of-range values are clamped, not refused.
  out = change(5000000, 400, -900);
  EXPECT_NEAR(Peak(out, 0), 0.5f, 0.01f);
  EXPECT_EQ(Peak(out, 1), 0.0f);
}

TEST_F(Playback, master_volume_scales_the_output_but_not_the_levels) {
  SND_HANDLE h = Sine(1000.0, 1.0);
  snd_stream_play(h, 0, 0);
  snd_set_volume(0);
  Pull(sndlib::TMixer::kBlock * 2);
  std::vector<float> out = Pull(4410);
  EXPECT_EQ(Peak(out, 0), 0.0f);
  uint32_t level = snd_channel_get_level(h);
  EXPECT_EQ(Left(level), 100u);
  EXPECT_EQ(Right(level), 100u);
  snd_set_volume(100);
  Pull(sndlib::TMixer::kBlock * 2);
  EXPECT_NEAR(Peak(Pull(4410), 0), 1.0f, 0.001f);
  snd_set_volume(50);
  Pull(sndlib::TMixer::kBlock * 2);
  EXPECT_NEAR(Peak(Pull(4410), 0), std::pow(10.0, -1.5), 0.001);
}

TEST_F(Playback, levels_are_percent_of_full_scale_after_volume_and_pan) {
  SND_HANDLE h = Sine(1000.0, 1.0);
  snd_stream_play(h, 0, 0);
  Pull(4410);
  EXPECT_EQ(snd_channel_get_level(h), 100u | (100u << 16));
  snd_channel_set_attributes(h, 44100, 50, -100);
  Pull(4410);
  uint32_t level = snd_channel_get_level(h);
  EXPECT_EQ(Left(level), 50u);
  EXPECT_EQ(Right(level), 0u);
}

TEST_F(Playback, spectrum_of_a_full_scale_sine_on_a_bin_reads_one_there_and_silence_reads_zero) {
  SND_HANDLE quiet = Sine(1000.0, 0.0);
  SND_HANDLE h = Sine(kBin64, 1.0);
  snd_stream_play(quiet, 0, 0);
  snd_stream_play(h, 0, 0);
  Pull(8192);
  float bins[1024];
  ASSERT_EQ(snd_channel_get_data(h, bins, SND_DATA_FFT2048), 4096u);
  EXPECT_NEAR(bins[64], 1.0f, 0.02f);
  // A Hann window leaks into the two neighbours at half height and nowhere much further.
  EXPECT_NEAR(bins[63], 0.5f, 0.02f);
  EXPECT_NEAR(bins[65], 0.5f, 0.02f);
  for (int k = 0; k < 1024; ++k) {
    if (k < 62 || k > 66) {
      EXPECT_LT(bins[k], 0.01f) << k;
    }
  }
  float silent[1024];
  std::fill(std::begin(silent), std::end(silent), 7.0f);
  ASSERT_EQ(snd_channel_get_data(quiet, silent, SND_DATA_FFT2048), 4096u);
  for (float v : silent) ASSERT_EQ(v, 0.0f);
}

TEST(PlaybackLatency, levels_and_data_follow_what_is_heard_not_what_is_mixed) {
  // With 8192 frames between mixing and hearing, a sine that starts now is heard only that much later.
  sndlib::TPullOutput& pull = sndlib::InitPull(44100, 8192, false);
  SND_HANDLE h =
      sndlib::AddSource(std::make_unique<TSineSource>(44100, kBin64, 1.0, 44100 * 2), sndlib::TChannelKind::Stream);
  snd_stream_play(h, 0, 0);
  std::vector<float> out(4096 * 2);
  pull.Pull(out.data(), 4096);
  float bins[1024];
  snd_channel_get_data(h, bins, SND_DATA_FFT2048);
  EXPECT_EQ(snd_channel_get_level(h), 0u);
  EXPECT_EQ(bins[64], 0.0f);
  for (int i = 0; i < 3; ++i) pull.Pull(out.data(), 4096);
  snd_channel_get_data(h, bins, SND_DATA_FFT2048);
  EXPECT_EQ(snd_channel_get_level(h), 100u | (100u << 16));
  EXPECT_NEAR(bins[64], 1.0f, 0.02f);
  snd_free();
}

TEST_F(Playback, several_channels_mix_and_stay_in_range) {
  SND_HANDLE a = Sine(1000.0, 0.25);
  SND_HANDLE b = Stream("sine44_cbr.mp3");
  SND_HANDLE m = snd_music_load(0, Fixture("tune.mod").c_str(), 0, 0, 0x2001);
  ASSERT_NE(m, 0u);
  snd_stream_play(a, 0, 0);
  snd_stream_play(b, 0, 0);
  snd_music_play_ex(m, 0, -1, 1);
  std::vector<float> out = Pull(44100);
  for (float v : out) ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 2.0f);
  EXPECT_GT(Peak(out, 0), 0.5f);
  EXPECT_GT(Left(snd_channel_get_level(m)), 0u);
}
