// SPDX-License-Identifier: MIT
// A key and mode: turns scale degrees into pitches, so melodies can move in steps of the scale.
#pragma once

#include <array>

// Diatonic modes as semitone offsets of their seven degrees.
inline constexpr std::array<int, 7> kIonian = {0, 2, 4, 5, 7, 9, 11};
inline constexpr std::array<int, 7> kDorian = {0, 2, 3, 5, 7, 9, 10};
inline constexpr std::array<int, 7> kAeolian = {0, 2, 3, 5, 7, 8, 10};

class TKey {
public:
  // `tonic` is the MIDI pitch of degree 0; degrees below 0 or above 6 run into the next octaves.
  TKey(int tonic, const std::array<int, 7>& steps);

  int Tonic() const { return FTonic; }
  int Pitch(int degree) const;
  // The degree whose pitch is closest to `pitch`, rounding down between two degrees.
  int DegreeNear(int pitch) const;

private:
  int FTonic;
  std::array<int, 7> FSteps;
};

// A chord built on a scale degree from stacked thirds of the scale (triad, or with the seventh).
struct TChord {
  int Degree = 0;
  int Size = 3;
  // Whether `degree` (any octave) is one of the chord's tones.
  bool Contains(int degree) const;
};

int FloorDiv(int a, int b);
int FloorMod(int a, int b);
