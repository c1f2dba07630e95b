// SPDX-License-Identifier: MIT
// Shared pieces of the sound library's tests: fixture paths, a sine source, and a pulled-output fixture.
#pragma once

#include "TChannel.h"
#include "TPullOutput.h"
#include "TSoundSystem.h"
#include "TSource.h"
#include "sndlib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace sndtest {

inline std::string Fixture(const char* name) { return std::string(SNDLIB_TEST_DATA) + "/" + name; }

// A sine of a given frequency and amplitude on both sides, for a fixed number of frames.
class TSineSource : public sndlib::TSource {
public:
  TSineSource(int rate, double freq, double amplitude, size_t frames)
      : FRate(rate), FFreq(freq), FAmplitude(amplitude), FFrames(frames) {}
  int Rate() const override { return FRate; }
  size_t Read(float* out, size_t frames) override {
    size_t n = std::min(frames, FFrames - FAt);
    for (size_t i = 0; i < n; ++i) {
      float v = float(FAmplitude * std::sin(2.0 * M_PI * FFreq * double(FAt + i) / FRate));
      out[i * 2] = v;
      out[i * 2 + 1] = v;
    }
    FAt += n;
    return n;
  }
  bool Restart(uint32_t position) override {
    FAt = 0;
    return position == 0;
  }

private:
  int FRate;
  double FFreq, FAmplitude;
  size_t FFrames, FAt = 0;
};

// The library initialised on a hand-pulled output with the decoders run just before each mix.
class TPulledLibrary : public ::testing::Test {
protected:
  void SetUp() override { FPull = &sndlib::InitPull(44100, 0, false); }
  void TearDown() override { snd_free(); }

  std::vector<float> Pull(size_t frames, size_t block = 1024) {
    std::vector<float> out(frames * 2);
    for (size_t at = 0; at < frames; at += block) FPull->Pull(out.data() + at * 2, std::min(block, frames - at));
    return out;
  }
  // Pulls until the channel has ended; returns the frames it took (the block it ended in counts whole).
  size_t PullToEnd(SND_HANDLE handle, size_t block = 441, size_t limit = 44100 * 30) {
    auto channel = sndlib::FindChannel(handle);
    size_t frames = 0;
    std::vector<float> out(block * 2);
    while (channel->State() == sndlib::TChannelState::Playing && frames < limit) {
      FPull->Pull(out.data(), block);
      frames += block;
    }
    return frames;
  }

  sndlib::TPullOutput* FPull = nullptr;
};

inline float Peak(const std::vector<float>& stereo, int side) {
  float peak = 0.0f;
  for (size_t i = size_t(side); i < stereo.size(); i += 2) peak = std::max(peak, std::fabs(stereo[i]));
  return peak;
}

}  // namespace sndtest
