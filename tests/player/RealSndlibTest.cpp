// SPDX-License-Identifier: MIT
// The player with the real sound library, written out and loaded as at every start, on the no-sound output.
#include "RealPlayer.h"

#include "audio/TSndEntryTable.h"
#include "components/TApplication.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

constexpr uint32_t kFailed32 = 0xFFFFFFFFu;

// Waits (in real time: the library mixes on its own thread) until the channel is heard.
uint32_t WaitForLevel(uint32_t handle) {
  for (int i = 0; i < 200; ++i) {
    uint32_t level = SndTable().snd_channel_get_level(handle);
    if (level != 0 && level != kFailed32) return level;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

}  // namespace

// One case only: the library is initialised once per process and never freed, as in the program.
TEST(RealSndlib, plays_switches_stops_and_quits_on_the_no_sound_output) {
  TRealPlayer player("mira-collection");
  std::filesystem::create_directories(player.Root() / "data" / "dir.xm");
  player.CopyFixture("sine44_cbr.mp3", "sine.mp3");
  player.CopyFixture("tune.xm", "tune.xm");
  player.WriteData("empty.xm", "");
  player.WriteData("corrupt.mp3", std::string(3000, '\x5A'));
  player.WriteData("play.lst",
                   "sine.mp3\r\nSine\r\ntune.xm\r\nTune\r\nmissing.mp3\r\nMissing\r\n"
                   "empty.xm\r\nEmpty\r\ncorrupt.mp3\r\nCorrupt\r\ndir.xm\r\nDir\r\n");
  TMainForm* started = player.Start();
  ASSERT_NE(started, nullptr);
  TMainForm& form = *started;
  THeadlessBackend& backend = player.Backend();
  // The library was written to the per-user folder of this run before it was loaded.
  EXPECT_TRUE(std::filesystem::exists(player.Root() / "cache" / "mira.nol" / "sndlib.so"));

  // The first track plays, captioned with the length of the two-second file.
  EXPECT_EQ(form.StreamMode, 1);
  const uint32_t stream = form.StreamHandle;
  ASSERT_NE(stream, 0u);
  EXPECT_EQ(form.Scroller->Text(), "Sine <00:02>");
  EXPECT_NE(WaitForLevel(stream), 0u);

  // Next switches channels: the stream is released and the module is heard.
  form.Button_NextClick(form.Button_Next);
  EXPECT_EQ(form.StreamMode, 0);
  const uint32_t music = form.MusicHandle;
  ASSERT_NE(music, 0u);
  EXPECT_EQ(SndTable().snd_channel_get_level(stream), kFailed32);
  EXPECT_EQ(form.Scroller->Text(), "Tune <00:01>");
  EXPECT_NE(WaitForLevel(music), 0u);

  // The clock ends the one-second module after one tick and moves on to the missing file, which
  // the library refuses: the player goes on with the error length it reports.
  backend.Advance(1000);
  EXPECT_EQ(form.CurrentTrack, 2);
  EXPECT_EQ(form.Scroller->Text(), "Missing <00:-1>");
  EXPECT_EQ(SndTable().snd_channel_get_level(music), kFailed32);
  for (const char* caption : {"Empty <00:-1>", "Corrupt <00:-1>", "Dir <00:-1>", "Sine <00:02>"}) {
    form.Button_NextClick(form.Button_Next);
    EXPECT_EQ(form.Scroller->Text(), caption);
  }
  EXPECT_NE(WaitForLevel(form.StreamHandle), 0u);

  // Stop silences: the channel is gone and output halted.
  const uint32_t last = form.StreamHandle;
  form.Button_StopClick(form.Button_Stop);
  EXPECT_EQ(SndTable().snd_channel_get_level(last), kFailed32);
  EXPECT_EQ(form.Scroller->Text(), kCreditsLine);

  form.Button_QuitClick(form.Button_Quit);
  EXPECT_TRUE(Application.Terminated());
}
