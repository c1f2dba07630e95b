// SPDX-License-Identifier: MIT
// Writes the parts of a piece (drums, bass, chords, melody) onto a score from its harmony.
#pragma once

#include "TRandom.h"
#include "TScore.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TBassStyle { Pulse, Syncopated, Held, Walking, Final };
enum class TGroove { FourOnFloor, Backbeat, HalfTime, LaidBack, Final };
enum class TChordStyle { Held, Stabs, Pushed, Arpeggio, Final };

// Which drums a groove plays, so an intro can start with the hats alone.
inline constexpr unsigned kLayerKick = 1;
inline constexpr unsigned kLayerSnare = 2;
inline constexpr unsigned kLayerHats = 4;
inline constexpr unsigned kLayerAll = 7;

enum class TDrumFill { None, Snare };
enum class TDrumCrash { None, AtStart };

class TComposer {
public:
  TComposer(TScore& score, uint64_t seed);

  // Off-beat eighths move later by `amount` beats (and sixteenths by half of it) for a lazy feel.
  void SetSwing(double amount) { FSwing = amount; }
  // How long the closing chord and bass note are held, in beats; the rest of the last bar is for
  // their release, so a piece that stops with its last row does not stop mid-note.
  void SetFinalBeats(double beats) { FFinalBeats = beats; }

  // Sets the chords of bars [fromBar, toBar), one per bar, repeating `cycle`.
  void SetHarmony(int fromBar, int toBar, const std::vector<TChord>& cycle);

  // `lowest` is the lowest pitch a root may take; roots sit in the octave above it.
  void WriteBass(TPart& part, int fromBar, int toBar, TBassStyle style, int lowest, double velocity);
  void WriteDrums(TPart& part, int fromBar, int toBar, TGroove groove, unsigned layers, TDrumFill fill,
                  TDrumCrash crash);
  // Chords are voiced close to `centre` and led smoothly from one to the next.
  void WriteChords(TPart& part, int fromBar, int toBar, TChordStyle style, int centre, double velocity);
  // A melody in eight-bar phrases (statement, sequence, answer, cadence). The same `theme` on the same
  // harmony gives the same tune, which lets a section come back recognisably.
  void WriteMelody(TPart& part, int fromBar, int toBar, uint64_t theme, int low, int high, double busy,
                   double velocity);
  // One held chord tone at the start of `bar`, close to where the melody last was.
  void WriteFinalNote(TPart& part, int bar, double beats, double velocity);

private:
  struct THit {
    double Start;   // beats from the start of the motif
    double Length;  // beats
  };
  struct TMotif {
    std::vector<THit> Hits;
    std::vector<int> Degrees;  // filled when the motif is first sung
  };

  const TChord& ChordAt(double beat) const;
  void Add(TPart& part, double beat, double length, int pitch, double velocity);
  int PitchInOctave(int degree, int lowest) const;
  TMotif MakeMotif(TRandom& rng, double busy, bool cadence);
  void SingFresh(TPart& part, TMotif& motif, double startBeat, TRandom& rng, double velocity);
  void SingAgain(TPart& part, const TMotif& motif, double startBeat, size_t hitCount, TRandom& rng, double velocity);
  int NearestChordTone(const TChord& chord, int target, TRandom& rng) const;
  static bool IsStrong(double start);

  TScore& FScore;
  TRandom FRandom;
  double FSwing = 0;
  double FFinalBeats = 2;
  int FDegreeLow = 0;
  int FDegreeHigh = 0;
  int FPrevDegree = 0;
  int FDirection = 1;
  bool FHaveMelody = false;
};
