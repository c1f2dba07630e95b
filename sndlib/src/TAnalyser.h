// SPDX-License-Identifier: MIT
// TAnalyser: levels and spectrum of what a channel sounds like at the moment it is heard.
#pragma once

#include <cstdint>

namespace sndlib {

class TChannel;

class TAnalyser {
public:
  static constexpr int kFftSize = 2048;
  static constexpr int kBins = kFftSize / 2;

  // Makes the transform's plan now rather than at the first spectrum asked for: while little else is in
  // memory, as planning touches much code for a moment.
  static void Prepare();
  // Peak of the 20 ms ending at output frame `heard`, as percentages: left in the low 16 bits.
  static uint32_t Level(const TChannel& channel, int64_t heard, int rate);
  // The kBins magnitudes of the Hann-windowed FFT of the kFftSize frames ending at `heard`, mono.
  static void Spectrum(const TChannel& channel, int64_t heard, float* out);
};

}  // namespace sndlib
