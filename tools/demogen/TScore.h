// SPDX-License-Identifier: MIT
// A piece as notes on a beat grid, shared by the tracker writers and the audio renderer.
#pragma once

#include "TKey.h"

#include <cassert>
#include <deque>
#include <string>
#include <vector>

// Drum notes use the General MIDI pitch numbers, so a drum part reads like any other part.
inline constexpr int kKick = 36;
inline constexpr int kSnare = 38;
inline constexpr int kClap = 39;
inline constexpr int kClosedHat = 42;
inline constexpr int kOpenHat = 46;
inline constexpr int kCrash = 49;

struct TNote {
  double Beat = 0;      // start, in beats from the start of the piece
  double Length = 1;    // in beats
  int Pitch = 60;       // MIDI pitch (drum parts: one of the drum numbers above)
  double Velocity = 1;  // 0..1
};

enum class TRole { Drums, Bass, Chords, Lead, Arp };

struct TPart {
  std::string Name;
  TRole Role = TRole::Lead;
  std::vector<TNote> Notes;
};

class TScore {
public:
  TScore(std::string title, double bpm, int bars, TKey key)
      : FTitle(std::move(title)), FBpm(bpm), FBars(bars), FKey(key), FHarmony(static_cast<size_t>(bars)) {}

  const std::string& Title() const { return FTitle; }
  double Bpm() const { return FBpm; }
  int Bars() const { return FBars; }
  int BeatsPerBar() const { return 4; }
  double Beats() const { return FBars * 4.0; }
  double SecondsPerBeat() const { return 60.0 / FBpm; }
  double Seconds() const { return Beats() * SecondsPerBeat(); }
  const TKey& Key() const { return FKey; }

  TChord& Harmony(int bar) { return FHarmony[static_cast<size_t>(bar)]; }
  const TChord& Harmony(int bar) const { return FHarmony[static_cast<size_t>(bar)]; }

  TPart& AddPart(std::string name, TRole role) {
    FParts.push_back(TPart{std::move(name), role, {}});
    return FParts.back();
  }
  std::deque<TPart>& Parts() { return FParts; }
  const std::deque<TPart>& Parts() const { return FParts; }
  // A readable listing, bar by bar: the chord and each melodic part's notes, for checking a piece
  // without listening to it.
  std::string Listing() const;

  TPart& Part(const std::string& name) {
    for (TPart& part : FParts)
      if (part.Name == name) return part;
    assert(false && "the piece has no part of that name");
    return FParts.front();
  }

private:
  std::string FTitle;
  double FBpm;
  int FBars;
  TKey FKey;
  std::vector<TChord> FHarmony;
  // A deque, so the reference AddPart returns stays valid while later parts are added.
  std::deque<TPart> FParts;
};
