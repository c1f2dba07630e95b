// SPDX-License-Identifier: MIT
// The score's text listing.
#include "TScore.h"

#include <cmath>
#include <cstdio>

namespace {

std::string PitchName(int pitch) {
  static const char* names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return std::string(names[FloorMod(pitch, 12)]) + std::to_string(FloorDiv(pitch, 12) - 1);
}

}  // namespace

std::string TScore::Listing() const {
  std::string text = FTitle + ", " + std::to_string(static_cast<int>(FBpm)) + " BPM, " + std::to_string(FBars) +
                     " bars, " + std::to_string(static_cast<int>(std::lround(Seconds()))) + " s\n";
  for (int bar = 0; bar < FBars; ++bar) {
    const TChord& chord = Harmony(bar);
    std::string symbol;
    for (int i = 0; i < chord.Size; ++i)
      symbol += (i ? "-" : "") + PitchName(FKey.Pitch(chord.Degree + 2 * i)).substr(0, 2);
    char head[64];
    std::snprintf(head, sizeof head, "%3d %-12s", bar, symbol.c_str());
    text += head;
    for (const TPart& part : FParts) {
      if (part.Role == TRole::Drums || part.Role == TRole::Chords || part.Role == TRole::Arp) continue;
      text += " | " + part.Name + ":";
      for (const TNote& note : part.Notes)
        if (note.Beat >= bar * 4.0 - 1e-6 && note.Beat < (bar + 1) * 4.0 - 1e-6) text += " " + PitchName(note.Pitch);
    }
    text += "\n";
  }
  return text;
}
