// SPDX-License-Identifier: MIT
// The built sndlib.so as the player's loader sees it: loaded by path, every entry point found by name.
#include "sndlib.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

TEST(SharedObject, exports_every_entry_point_and_nothing_of_its_insides) {
  void* lib = dlopen(SNDLIB_SO_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : {"snd_error_get_code",
                           "snd_init",
                           "snd_music_free",
                           "snd_start",
                           "snd_stop",
                           "snd_set_volume",
                           "snd_music_load",
                           "snd_music_play_ex",
                           "snd_stream_create_file",
                           "snd_stream_play",
                           "snd_channel_set_attributes",
                           "snd_channel_get_level",
                           "snd_channel_stop",
                           "snd_channel_pause",
                           "snd_channel_resume",
                           "snd_music_get_length",
                           "snd_channel_bytes_to_seconds",
                           "snd_channel_get_data",
                           "snd_stream_free",
                           "snd_stream_get_length",
                           "snd_free"}) {
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  }
  EXPECT_EQ(dlsym(lib, "_ZN6sndlib12LibraryLockEv"), nullptr);
  auto init = reinterpret_cast<decltype(&snd_init)>(dlsym(lib, "snd_init"));
  auto code = reinterpret_cast<decltype(&snd_error_get_code)>(dlsym(lib, "snd_error_get_code"));
  auto freeLib = reinterpret_cast<decltype(&snd_free)>(dlsym(lib, "snd_free"));
  EXPECT_FALSE(init(5, 44100, 0, nullptr));
  EXPECT_EQ(code(), SND_ERROR_DEVICE);
  ASSERT_TRUE(init(SND_DEVICE_NOSOUND, 44100, 0, nullptr));
  EXPECT_TRUE(freeLib());
  dlclose(lib);
}
