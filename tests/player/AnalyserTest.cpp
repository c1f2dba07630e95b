// SPDX-License-Identifier: MIT
// The spectrum display: bar heights from the magnitudes, colours, the copy onto the window, and its thread.
#include "PlayerFixture.h"
#include "ScriptedAnalysis.h"

#include <chrono>
#include <limits>
#include <thread>

namespace {

constexpr int kLeft = 106, kTop = 80, kWidth = 52, kHeight = 16;

// The colour of palette entry i: red 255 - 8i, green 100 - 2i, no blue.
TColor Entry(int i) { return TColor(255 - 8 * i) | (TColor(100 - 2 * i) << 8); }

// Magnitudes that give each band height: trunc(sqrt(x) x 96 - 4).
constexpr float kHeight16 = 0.05f;  // 17, clamped to 16
constexpr float kHeight9 = 0.02f;
constexpr float kHeight7 = 0.0144f;
constexpr float kHeight5 = 0.0098f;
constexpr float kHeightMinus3 = 3e-5f;
constexpr float kTooLoud = 0.2f;  // above 0.1: height 0
constexpr float kSilence = 0.0f;  // -4

}  // namespace

class SpectrumTest : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    TScriptedAnalysis::Install();
  }

  TMainForm& StartQuiet() {
    WriteTracks(2);
    TMainForm& form = Start();
    Show();
    // The display thread is stopped so that each tick below is the test's own.
    form.StopSpectrum();
    return form;
  }

  // Sets the magnitude read by band i (bin 1 + 12i).
  static void Band(int i, float magnitude) { TScriptedAnalysis::Instance().Bins[size_t(1 + 12 * i)] = magnitude; }

  // The bar in window column 106 + c as the window shows it, checked to be well formed (entries
  // 1, 2, ... from the bottom up, black above); -1 if it is not.
  int WindowBar(int c) const {
    int height = 0;
    while (height < kHeight && Backend->Pixel(kLeft + c, kTop + kHeight - 1 - height) == Entry(height + 1)) ++height;
    for (int r = height; r < kHeight; ++r)
      if (Backend->Pixel(kLeft + c, kTop + kHeight - 1 - r) != clBlack) return -1;
    return height;
  }

  std::vector<int> WindowBars() const {
    std::vector<int> bars;
    for (int c = 0; c < kWidth; ++c) bars.push_back(WindowBar(c));
    return bars;
  }
};

TEST_F(SpectrumTest, bars_are_means_of_neighbouring_band_heights) {
  TMainForm& form = StartQuiet();
  Band(0, kHeight16);
  Band(1, kHeight5);       // column 2: (16 + 5) / 2 = 10
  Band(2, kSilence);       // column 4: (5 - 4) / 2 = 0
  Band(3, kHeight7);       // column 6: (-4 + 7) / 2 = 1
  Band(4, kHeightMinus3);  // column 8: (7 - 3) / 2 = 2
  Band(5, kSilence);       // column 10: (-3 - 4) / 2 = -3, nothing
  Band(6, kHeight9);       // column 12: (-4 + 9) / 2 = 2
  Band(7, kHeight9);       // column 14: 9
  Band(8, kTooLoud);       // column 16: (9 + 0) / 2 = 4
  Band(9, kTooLoud);       // column 18: 0
  Band(10, kHeight16);     // column 20: 8
  Band(11, kHeight16);     // column 22: 16, never taller than the display
  // Bins between the bands and bin 0 are never read.
  auto& bins = TScriptedAnalysis::Instance().Bins;
  bins[0] = kHeight16;
  for (int k = 2; k < 12; ++k) bins[size_t(k)] = kHeight16;
  bins[500] = kHeight16;

  form.SpectrumTimerProc();
  std::vector<int> expected(kWidth, 0);
  expected[2] = 10, expected[6] = 1, expected[8] = 2, expected[12] = 2, expected[14] = 9, expected[16] = 4,
  expected[20] = 8, expected[22] = 16, expected[24] = 6;  // column 24: (16 - 4) / 2
  EXPECT_EQ(WindowBars(), expected);

  // The bitmap itself holds palette indices, bottom row first.
  const TBitmap& bitmap = form.SpectrumBitmap();
  ASSERT_EQ(bitmap.PixelFormat(), pf8bit);
  ASSERT_EQ(bitmap.Width(), kWidth);
  ASSERT_EQ(bitmap.Height(), kHeight);
  EXPECT_EQ(bitmap.Bits()[0 * kWidth + 2], 1);
  EXPECT_EQ(bitmap.Bits()[9 * kWidth + 2], 10);
  EXPECT_EQ(bitmap.Bits()[10 * kWidth + 2], 0);
  EXPECT_EQ(bitmap.Palette()[16], Entry(16));
  EXPECT_EQ(bitmap.Palette()[31], Entry(31));
  EXPECT_EQ(bitmap.Palette()[32], clBlack);
  EXPECT_EQ(bitmap.Palette()[0], clBlack);
}

TEST_F(SpectrumTest, silence_and_a_stopped_player_show_a_black_area) {
  TMainForm& form = StartQuiet();
  const std::vector<int> black(kWidth, 0);
  form.SpectrumTimerProc();
  EXPECT_EQ(WindowBars(), black);

  for (int i = 0; i < 26; ++i) Band(i, kHeight9);
  form.SpectrumTimerProc();
  EXPECT_EQ(WindowBars()[50], 9);

  form.Button_StopClick(form.Button_Stop);
  form.SpectrumTimerProc();
  EXPECT_EQ(WindowBars(), black);
  // A later paint of the window covers the area; the next tick draws it black again.
  Form->Invalidate();
  Application.ProcessMessages();
  form.SpectrumTimerProc();
  EXPECT_EQ(WindowBars(), black);
}

TEST_F(SpectrumTest, a_refused_request_or_impossible_magnitudes_draw_nothing) {
  TMainForm& form = StartQuiet();
  for (int i = 0; i < 26; ++i) Band(i, kHeight9);
  form.SpectrumTimerProc();
  ASSERT_EQ(WindowBars()[2], 9);
  TScriptedAnalysis::Instance().DataFails = true;
  form.SpectrumTimerProc();
  EXPECT_EQ(WindowBars(), std::vector<int>(kWidth, 0));

  // Magnitudes no analysis can give draw like silence.
  TScriptedAnalysis::Instance().DataFails = false;
  Band(0, std::numeric_limits<float>::quiet_NaN());
  Band(1, -1.0f);
  Band(2, std::numeric_limits<float>::infinity());
  form.SpectrumTimerProc();
  EXPECT_EQ(WindowBar(2), 0);  // (-4 - 4) / 2
  EXPECT_EQ(WindowBar(4), 0);  // (-4 + 0) / 2
  EXPECT_EQ(WindowBar(6), 4);  // (0 + 9) / 2
}

TEST_F(SpectrumTest, the_request_goes_to_the_channel_of_the_current_kind) {
  WritePlayList({"a.xm", "A", "b.mp3", "B"});
  TMainForm& form = Start();
  Show();
  form.StopSpectrum();
  form.SpectrumTimerProc();
  EXPECT_EQ(TScriptedAnalysis::Instance().LastDataHandle, 101u);
  form.Button_NextClick(form.Button_Next);
  form.SpectrumTimerProc();
  EXPECT_EQ(TScriptedAnalysis::Instance().LastDataHandle, 102u);
}

TEST_F(SpectrumTest, the_display_thread_draws_onto_the_window_by_itself) {
  // Scripted before the thread starts; the thread only reads it.
  for (int i = 0; i < 26; ++i) Band(i, kHeight9);
  WriteTracks(2);
  Start();
  // Real time: the thread ticks every 25 ms. The window surface is read only once it has stopped.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (TScriptedAnalysis::Instance().DataCalls < 3 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  Form->StopSpectrum();
  ASSERT_GE(TScriptedAnalysis::Instance().DataCalls, 3u);
  EXPECT_EQ(WindowBar(2), 9);
  EXPECT_EQ(WindowBar(3), 0);
  EXPECT_EQ(WindowBar(50), 9);
  // Stopped means stopped: no tick runs afterwards.
  const uint32_t calls = TScriptedAnalysis::Instance().DataCalls;
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_EQ(TScriptedAnalysis::Instance().DataCalls, calls);
}

TEST_F(SpectrumTest, closing_the_window_stops_the_display) {
  WriteTracks(1);
  Start();
  Show();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (TScriptedAnalysis::Instance().DataCalls < 2 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_GE(TScriptedAnalysis::Instance().DataCalls, 2u);
  // Quit closes the window; the program's end follows, so the display stops right there.
  Form->Button_QuitClick(Form->Button_Quit);
  ASSERT_TRUE(Application.Terminated());
  const uint32_t calls = TScriptedAnalysis::Instance().DataCalls;
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_EQ(TScriptedAnalysis::Instance().DataCalls, calls);
}

TEST_F(SpectrumTest, destroying_the_window_stops_the_thread_first) {
  WriteTracks(1);
  Start();
  Show();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (TScriptedAnalysis::Instance().DataCalls < 2 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_GE(TScriptedAnalysis::Instance().DataCalls, 2u);
  Application.Reset();  // destroys the window while the thread is ticking
  const uint32_t calls = TScriptedAnalysis::Instance().DataCalls;
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_EQ(TScriptedAnalysis::Instance().DataCalls, calls);
}

TEST_F(SpectrumTest, a_failed_start_never_draws) {
  Fake().InitResults = {0};
  Fake().ErrorCode = 1;
  WriteTracks(1);
  TMainForm& form = Start();
  ASSERT_TRUE(form.StartupFailed());
  EXPECT_TRUE(form.SpectrumBitmap().Empty());
  const TColor before = Backend->Pixel(kLeft, kTop);
  form.SpectrumTimerProc();
  EXPECT_EQ(Backend->Pixel(kLeft, kTop), before);
  EXPECT_EQ(TScriptedAnalysis::Instance().DataCalls, 0u);
}
