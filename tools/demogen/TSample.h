// SPDX-License-Identifier: MIT
// One synthesized instrument sample as the tracker writers take it.
#pragma once

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

struct TSample {
  std::string Name;
  std::vector<float> Data;  // -1..1
  double Rate = 8363;       // frames per second at which Data sounds at RootPitch
  double RootPitch = 60;    // MIDI pitch, may be fractional when a loop forced the tuning
  size_t LoopStart = 0;
  size_t LoopLength = 0;  // 0: the sample plays once
};

inline double PitchToFrequency(double pitch) { return 440.0 * std::pow(2.0, (pitch - 69.0) / 12.0); }

inline double FrequencyToPitch(double frequency) { return 69.0 + 12.0 * std::log2(frequency / 440.0); }
