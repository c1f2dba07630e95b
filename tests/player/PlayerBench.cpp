// SPDX-License-Identifier: MIT
// What one tick of the spectrum display and of the eyes costs, with the real sound library on the no-sound device.
#include "TMainForm.h"

#include "audio/AudioLibrary.h"
#include "backends/headless/HeadlessBackend.h"
#include "components/TApplication.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A collection of one module in a folder of its own, the library written out beside it, the
// window on the headless backend, the module playing; the display's own thread is stopped so
// that the benchmark's ticks are the only ones.
TMainForm* StartPlayer() {
  static TMainForm* form = nullptr;
  if (form) return form;
  std::string pattern = (fs::temp_directory_path() / "mira-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return nullptr;
  const fs::path root = pattern;
  fs::create_directories(root / "data");
  // A piece of the demo collection, minutes long, so there is music the whole run.
  fs::copy_file(fs::path(MIRA_DEMO_DATA) / "night_ferry.xm", root / "data" / "night_ferry.xm");
  std::ofstream(root / "data" / "play.lst") << "night_ferry.xm\nNight Ferry\n";
  fs::current_path(root);
  setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
  setenv("SDL_AUDIODRIVER", "mira-no-such-driver", 1);
  Application.SetBackend(std::make_unique<THeadlessBackend>());
  form = Application.CreateForm<TMainForm>("MainForm");
  if (!form || form->StartupFailed()) return form = nullptr;
  form->StopSpectrum();
  // Let the module be heard, so the analysis has sound to work on.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return form;
}

void BM_SpectrumTick(benchmark::State& state) {
  TMainForm* form = StartPlayer();
  if (!form) {
    state.SkipWithError("the player could not start with the sound library");
    return;
  }
  for (auto _ : state) form->SpectrumTimerProc();
}
BENCHMARK(BM_SpectrumTick)->Unit(benchmark::kMicrosecond);

// The library's share of a tick: the data request alone.
void BM_SpectrumDataRequest(benchmark::State& state) {
  TMainForm* form = StartPlayer();
  if (!form) {
    state.SkipWithError("the player could not start with the sound library");
    return;
  }
  float buffer[1024];
  for (auto _ : state) {
    SndTable().snd_channel_get_data(form->MusicHandle, buffer, SND_DATA_FFT2048);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_SpectrumDataRequest)->Unit(benchmark::kMicrosecond);

// Levels that fall and rise on every reading: with the eyes' zero decay both eyes then change
// their frame on every tick, the most work a tick can do.
uint32_t AlternatingLevel(SND_HANDLE) {
  static bool loud = false;
  loud = !loud;
  return loud ? (80u | 80u << 16) : (20u | 20u << 16);
}

// One eye tick as the message loop runs it, with a new frame for both eyes, followed by the paint
// and the hand-over of what changed to the (headless) window.
void BM_EyeTick(benchmark::State& state) {
  TMainForm* form = StartPlayer();
  if (!form) {
    state.SkipWithError("the player could not start with the sound library");
    return;
  }
  TSndEntryTable table = SndTable();
  table.snd_channel_get_level = &AlternatingLevel;
  SetEntryTableForTesting(table);
  for (auto _ : state) {
    form->Eye_TimerTimer(form->Eye_Timer);
    Application.FlushPaint();
  }
}
BENCHMARK(BM_EyeTick)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
