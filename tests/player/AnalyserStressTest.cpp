// SPDX-License-Identifier: MIT
// The display thread against the real sound library while the window thread loads, stops and frees tracks.
#include "RealPlayer.h"

#include "audio/TSndEntryTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

// One case: the library is initialised once per process. Run it under ThreadSanitizer too (the
// "tsan" build preset): the display thread reads the channel state and asks the library for data
// with no lock of the player's own, so any unsynchronised access shows up there.
TEST(SpectrumStress, display_thread_keeps_drawing_while_tracks_change_under_it) {
  TRealPlayer player("mira-stress");
  player.CopyFixture("sine44_cbr.mp3", "sine.mp3");
  player.CopyFixture("tune.xm", "tune.xm");
  player.CopyFixture("tune.mod", "tune.mod");
  player.CopyFixture("sine48_vbr.mp3", "vbr.mp3");
  player.WriteData("play.lst", "sine.mp3\nSine\ntune.xm\nTune\nvbr.mp3\nVbr\nmissing.mp3\nMissing\ntune.mod\nMod\n");
  TMainForm* started = player.Start();
  ASSERT_NE(started, nullptr);
  TMainForm& form = *started;
  THeadlessBackend& backend = player.Backend();

  // At least three seconds and 120 steps of every kind of change (a slow sanitizer build takes
  // longer), each followed by a short real pause so that the display's ticks fall on all sorts of
  // moments; the eye timer and the clock run on the way.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  int steps = 0;
  while (steps < 120 || std::chrono::steady_clock::now() < until) {
    switch (steps % 8) {
      case 0: form.Button_NextClick(form.Button_Next); break;
      case 1: form.Button_StopClick(form.Button_Stop); break;
      case 2: form.Button_PlayClick(form.Button_Play); break;
      case 3: form.Button_PauseClick(form.Button_Pause); break;
      case 4: form.Button_PlayClick(form.Button_Play); break;
      case 5: form.Button_PrevClick(form.Button_Prev); break;
      case 6:
        // Free both channels behind the player's back: the display keeps asking for a dead handle.
        SndTable().snd_music_free(form.MusicHandle);
        SndTable().snd_stream_free(form.StreamHandle);
        break;
      case 7: form.LoadTrack(steps % form.TrackCount); break;
    }
    backend.Advance(10);
    std::this_thread::sleep_for(std::chrono::microseconds(500 + 700 * (steps % 5)));
    ++steps;
  }

  // Let a track play for a while, then stop the display and read what it last drew: only the
  // display's own colours, and nothing outside its area.
  form.LoadTrack(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  form.StopSpectrum();
  std::set<TColor> palette;
  for (TColor c : form.SpectrumBitmap().Palette()) palette.insert(c);
  for (int y = 80; y < 96; ++y)
    for (int x = 106; x < 158; ++x) ASSERT_TRUE(palette.count(backend.Pixel(x, y))) << x << "," << y;

  form.Button_QuitClick(form.Button_Quit);
}
