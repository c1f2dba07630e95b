// SPDX-License-Identifier: MIT
// The library on real clocks: the no-sound output, the audio device (dummy driver), and threads racing.
#include "SndlibTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace sndtest;
using namespace std::chrono_literals;

TEST(NoSound, channels_advance_in_real_time_report_levels_and_end) {
  ASSERT_TRUE(snd_init(SND_DEVICE_NOSOUND, 44100, 0, nullptr));
  SND_HANDLE h = snd_stream_create_file(0, Fixture("sine44_mono.mp3").c_str(), 0, 0, SND_STREAM_PRESCAN);
  ASSERT_NE(h, 0u);
  // 1.5 s at four times the speed is over in about 0.4 s.
  snd_channel_set_attributes(h, 176400, 100, 0);
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(snd_stream_play(h, 0, 0));
  std::this_thread::sleep_for(150ms);
  uint32_t level = snd_channel_get_level(h);
  EXPECT_GT(level & 0xFFFF, 30u);
  EXPECT_GT(level >> 16, 30u);
  auto channel = sndlib::FindChannel(h);
  while (channel->State() == sndlib::TChannelState::Playing && std::chrono::steady_clock::now() - start < 5s)
    std::this_thread::sleep_for(10ms);
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_NEAR(took, 1.5 / 4, 0.15);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(snd_channel_get_level(h), 0u);
  EXPECT_TRUE(snd_free());
}

TEST(Threads, data_and_levels_race_against_free_and_create_without_harm) {
  // The display timer asks for data every few ms while the window thread replaces the channel; a freed
  // handle must simply fail, and nothing may crash or tear.
  ASSERT_TRUE(snd_init(SND_DEVICE_NOSOUND, 44100, 0, nullptr));
  std::atomic<SND_HANDLE> current{0};
  std::atomic<bool> done{false};
  std::atomic<int> served{0}, refused{0};
  std::thread timer([&] {
    float bins[1024];
    while (!done.load()) {
      SND_HANDLE h = current.load();
      if (snd_channel_get_data(h, bins, SND_DATA_FFT2048) == 4096u) {
        for (float v : bins) ASSERT_TRUE(std::isfinite(v));
        ++served;
      } else {
        EXPECT_EQ(snd_error_get_code(), SND_ERROR_HANDLE);
        ++refused;
      }
      snd_channel_get_level(h);
      // A little air, so this thread does not starve the other one of the library's lock.
      std::this_thread::sleep_for(200us);
    }
  });
  int rounds = 0;
  while (rounds < 40) {
    bool module = rounds % 2 == 1;
    SND_HANDLE h = module ? snd_music_load(0, Fixture("tune.xm").c_str(), 0, 0, 0x2001)
                          : snd_stream_create_file(0, Fixture("sine44_cbr.mp3").c_str(), 0, 0, 0x40000);
    ASSERT_NE(h, 0u);
    if (module)
      snd_music_play_ex(h, 0, -1, 1);
    else
      snd_stream_play(h, 0, 0);
    snd_channel_set_attributes(h, 30000 + rounds * 1000 % 60000, 100, 0);
    current.store(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(rounds % 7));
    snd_channel_stop(h);
    EXPECT_TRUE(module ? snd_music_free(h) : snd_stream_free(h));
    ++rounds;
  }
  done.store(true);
  timer.join();
  EXPECT_GT(served.load(), 0);
  EXPECT_GT(refused.load(), 0);
  EXPECT_TRUE(snd_free());
}
