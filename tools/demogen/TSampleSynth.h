// SPDX-License-Identifier: MIT
// Synthesizes the tracker instruments: band-limited additive tones, and drums from shaped noise.
#pragma once

#include "TRandom.h"
#include "TSample.h"

#include <cstdint>

enum class TLoopLength { Even, Any };

class TSampleSynth {
public:
  explicit TSampleSynth(uint64_t seed);

  // Tones are written at `rate` so that they sound at about `pitch` when played at that rate.
  // `loop` asks for loop lengths in whole words (some formats count loops in 16-bit words).
  TSample PluckBass(double rate, double pitch, double seconds);
  TSample Lead(double rate, double pitch, TLoopLength loop);
  TSample Chip(double rate, double pitch, TLoopLength loop);
  TSample Pad(double rate, double pitch, TLoopLength loop);
  TSample Bell(double rate, double pitch, double seconds);

  // Drums sound right when played at `rate`; their root pitch is `pitch`, the note that triggers them.
  TSample Kick(double rate, double pitch);
  TSample Snare(double rate, double pitch);
  // A kick and a snare struck together, for a single drum channel.
  TSample KickSnare(double rate, double pitch);
  TSample Hat(double rate, double pitch, double seconds);
  TSample Crash(double rate, double pitch, double seconds);

private:
  // Harmonic amplitudes of one cycle, indexed from 1; index 0 is unused.
  using TSpectrum = std::vector<double>;
  // A loop of `cycles` periods of the main voice; voice i holds `cycles + cycleOffsets[i]` periods.
  TSample LoopedTone(const char* name, double rate, double pitch, TLoopLength loop,
                     const std::vector<TSpectrum>& voices, const std::vector<int>& cycleOffsets, int cycles);
  static void Normalise(TSample& sample, double peak);

  TRandom FRandom;
};
