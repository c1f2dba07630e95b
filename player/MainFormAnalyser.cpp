// SPDX-License-Identifier: MIT
// The 52 x 16 spectrum display, drawn 40 times a second on a thread of its own straight onto the window.
#include "TMainForm.h"

#include "audio/TSndEntryTable.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr int kWidth = 52;
constexpr int kHeight = 16;
constexpr int kLeft = 106;
constexpr int kTop = 80;
constexpr int kBands = 26;
constexpr int kBins = 1024;
constexpr std::chrono::milliseconds kPeriod{25};

// Entry 0 is black; entries 1 to 31 run from orange (bottom of a bar) towards a dark green (its
// top); the bars use 1 to 16 only. Red lies in the lowest byte of a colour word.
TColor PaletteEntry(int i) {
  if (i < 1 || i > 31) return clBlack;
  const uint32_t red = uint32_t(255 - 8 * i);
  const uint32_t green = uint32_t(100 - 2 * i);
  return red | (green << 8);
}

// The height of one band from its bin's magnitude. A magnitude above 0.1 counts as no bar at all;
// silence gives -4, which only lowers the neighbouring mean.
int BandHeight(float magnitude) {
  if (magnitude > 0.1f) return 0;
  // A magnitude is never negative or not a number; should one arrive, it draws like silence rather
  // than feed an undefined conversion.
  if (!(magnitude >= 0.0f)) return -4;
  const int h = static_cast<int>(std::sqrt(double(magnitude)) * 6.0 * 16.0 - 4.0);
  return h > kHeight ? kHeight : h;
}

}  // namespace

void TMainForm::StartSpectrum() {
  if (FSpectrumTimer.Running()) return;
  try {
    TBitmap bitmap(kWidth, kHeight, pf8bit);
    for (int i = 0; i < 256; ++i) bitmap.Palette()[size_t(i)] = PaletteEntry(i);
    FSpectrumBitmap = bitmap;
  } catch (const std::bad_alloc&) {
    // Without its bitmap the display stays off; the player goes on without it.
    return;
  }
  if (FSpectrumBitmap.Width() != kWidth || FSpectrumBitmap.Height() != kHeight ||
      FSpectrumBitmap.PixelFormat() != pf8bit)
    return;
  // 52 bytes a row is a multiple of four, so the rows lie back to back with no padding.
  static_assert(kWidth % 4 == 0);
  FSpectrumBits = FSpectrumBitmap.Bits();
  std::memset(FSpectrumBits, 0, size_t(kWidth) * kHeight);
  // Set before the thread starts, whose creation orders it before every tick; if no thread can be
  // started, nothing reads it and the display stays off.
  if (!FSpectrumTimer.Start(kPeriod, [this] { SpectrumTimerProc(); })) {
    FSpectrumBits = nullptr;
    return;
  }
  // Closing the main window ends the program, whose shutdown takes the sound library's state
  // down before this window object goes: the display stops as the window closes, so that no
  // tick asks a library on its way out for data.
  OnClose = [this, previous = std::move(OnClose)](TObject* sender, TCloseAction& action) {
    if (previous) previous(sender, action);
    if (action != caNone) StopSpectrum();
  };
}

void TMainForm::StopSpectrum() { FSpectrumTimer.Stop(); }

void TMainForm::SpectrumTimerProc() {
  uint8_t* const bits = FSpectrumBits;
  if (!bits) return;

  // The player state is read once per tick, each value whole; a tick may pair a handle from just
  // before a track change with a mode from just after it, which the library refuses harmlessly and
  // the next tick puts right.
  const uint32_t channel = StreamMode != 0 ? StreamHandle.Load() : MusicHandle.Load();
  // Cleared first, so a refused request (a channel just freed, no track) reads as silence.
  float buffer[kBins] = {};
  SndTable().snd_channel_get_data(channel, buffer, SND_DATA_FFT2048);

  std::memset(bits, 0, size_t(kWidth) * kHeight);
  if (Playing) {
    // Each of the 26 bands reads one bin; column 2i shows the mean of bands i - 1 and i, so band 0
    // only enters the first bar. Row 0 of the bits is the bottom line, and a bar of height a holds
    // the palette entries 1 (bottom) to a (top).
    int prev = 0;
    for (int i = 0; i < kBands; ++i) {
      const int h = BandHeight(buffer[1 + 12 * i]);
      if (i >= 1) {
        const int a = (prev + h) / 2;
        for (int r = a - 1; r >= 0; --r) bits[r * kWidth + 2 * i] = uint8_t(r + 1);
      }
      prev = h;
    }
  }
  // Every tick, playing or not: a stopped player shows a black area.
  CopyToWindow(kLeft, kTop, FSpectrumBitmap);
}
