// SPDX-License-Identifier: MIT
// The default output through SDL2 audio, on SDL's dummy driver so it needs no sound hardware.
#include "SndlibTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace sndtest;
using namespace std::chrono_literals;

TEST(AudioDevice, default_output_opens_on_the_dummy_driver_and_mixes_in_real_time) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(snd_init(SND_DEVICE_DEFAULT, 44100, 0, nullptr)) << snd_error_get_code();
  SND_HANDLE h = snd_music_load(0, Fixture("tune.mod").c_str(), 0, 0, 0x2001);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(snd_music_play_ex(h, 0, -1, 1));
  // The device buffer is 4096 frames, heard one buffer after it was mixed: give it half a second.
  bool heard = false;
  for (int i = 0; i < 100 && !heard; ++i) {
    std::this_thread::sleep_for(10ms);
    heard = (snd_channel_get_level(h) & 0xFFFF) > 0;
  }
  EXPECT_TRUE(heard);
  EXPECT_TRUE(snd_stop());
  EXPECT_TRUE(snd_start());
  EXPECT_TRUE(snd_free());
  unsetenv("SDL_AUDIODRIVER");
}
