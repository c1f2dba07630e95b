// SPDX-License-Identifier: MIT
// The demo composer: grooves, bass lines, voiced chords and phrase-built melodies on a harmony.
#include "TComposer.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// One bar of melody rhythm in eighths: 'x' starts a note, '-' holds it, '.' rests.
const std::vector<std::string> kBusyBars = {"x-xxx-x-", "x--xx-x-", "xxx-x-x-", ".xx-x-xx",
                                            "x-x-xxx-", "x--x--x-", "xxxxx-x-", ".x-xx-x-"};
const std::vector<std::string> kCalmBars = {"x-x-x---", "x---x---", "x--x----", "xx-x-...", "x-x-x-..", "x--x--x-"};
const std::vector<std::string> kCadenceBars = {"x-------", "x---x---", "x-x-----", "x--x----"};

// Drum grooves over one bar in sixteenths; a digit is a hit and its loudness, '.' is silence.
// The second string of a pair is used on every other bar so the groove breathes.
struct TGroovePattern {
  const char* Kick[2];
  const char* Snare[2];
  const char* Hat[2];
  const char* OpenHat;
};

const TGroovePattern& Pattern(TGroove groove) {
  static const TGroovePattern fourOnFloor = {{"9...9...9...9...", "9...9...9...9..5"},
                                             {"....9.......9...", "....9.......9..4"},
                                             {"3.7.3.7.3.7.3.7.", "3.7.3.7.3.7.3373"},
                                             "................"};
  static const TGroovePattern backbeat = {{"9.....7.9.5.....", "9.....7.9.....6."},
                                          {"....9.......9...", "....9.......9..3"},
                                          {"7.5.7.5.7.5.7.5.", "7.5.7.5.7.5.7.5."},
                                          "................"};
  static const TGroovePattern halfTime = {{"9.........7.....", "9.....5...7....."},
                                          {"........9.......", "........9......4"},
                                          {"6.4.6.4.6.4.6.4.", "6.4.6.4.6.4.6.44"},
                                          "................"};
  static const TGroovePattern laidBack = {{"9......7..8.....", "9.........8...5."},
                                          {"....9.......9..3", "....9.......9..."},
                                          {"6.3.6.3.6.3.6.3.", "6.3.6.3.6.3.6.3."},
                                          "................"};
  switch (groove) {
    case TGroove::FourOnFloor: return fourOnFloor;
    case TGroove::Backbeat: return backbeat;
    case TGroove::HalfTime: return halfTime;
    case TGroove::LaidBack:
    case TGroove::Final: return laidBack;
  }
  return backbeat;
}

double Level(char c) { return (c - '0' + 1) / 10.0; }

}  // namespace

TComposer::TComposer(TScore& score, uint64_t seed) : FScore(score), FRandom(seed) {}

void TComposer::SetHarmony(int fromBar, int toBar, const std::vector<TChord>& cycle) {
  assert(!cycle.empty());
  for (int bar = fromBar; bar < toBar; ++bar)
    FScore.Harmony(bar) = cycle[static_cast<size_t>(bar - fromBar) % cycle.size()];
}

const TChord& TComposer::ChordAt(double beat) const {
  int bar = std::clamp(static_cast<int>(std::floor(beat / 4.0 + 1e-9)), 0, FScore.Bars() - 1);
  return FScore.Harmony(bar);
}

void TComposer::Add(TPart& part, double beat, double length, int pitch, double velocity) {
  double within = beat - std::floor(beat);
  if (std::abs(within - 0.5) < 1e-6)
    beat += FSwing;
  else if (std::abs(within - 0.25) < 1e-6 || std::abs(within - 0.75) < 1e-6)
    beat += FSwing * 0.5;
  part.Notes.push_back(TNote{beat, length, pitch, std::clamp(velocity, 0.05, 1.0)});
}

int TComposer::PitchInOctave(int degree, int lowest) const {
  int pitch = FScore.Key().Pitch(degree);
  while (pitch < lowest) pitch += 12;
  while (pitch >= lowest + 12) pitch -= 12;
  return pitch;
}

void TComposer::WriteBass(TPart& part, int fromBar, int toBar, TBassStyle style, int lowest, double velocity) {
  for (int bar = fromBar; bar < toBar; ++bar) {
    const TChord& chord = FScore.Harmony(bar);
    const TChord& next = FScore.Harmony(std::min(bar + 1, FScore.Bars() - 1));
    double at = bar * 4.0;
    int root = PitchInOctave(chord.Degree, lowest);
    int fifth = root + (FScore.Key().Pitch(chord.Degree + 4) - FScore.Key().Pitch(chord.Degree));
    int third = root + (FScore.Key().Pitch(chord.Degree + 2) - FScore.Key().Pitch(chord.Degree));
    int nextRoot = PitchInOctave(next.Degree, lowest);
    // A step of the scale next to the coming root leads the ear into the change.
    int approach = FScore.Key().Pitch(FScore.Key().DegreeNear(nextRoot) + (nextRoot > root ? -1 : 1));
    bool changes = next.Degree != chord.Degree;
    switch (style) {
      case TBassStyle::Pulse:
        for (int i = 0; i < 8; ++i) {
          int pitch = root;
          double v = velocity * (i % 2 == 0 ? 1.0 : 0.8);
          if (i == 6 && FRandom.Chance(0.6)) pitch = root + 12;
          if (i == 7 && changes && FRandom.Chance(0.7)) pitch = approach;
          Add(part, at + i * 0.5, 0.45, pitch, v);
        }
        break;
      case TBassStyle::Syncopated:
        Add(part, at, 1.4, root, velocity);
        Add(part, at + 1.5, 0.45, root, velocity * 0.8);
        Add(part, at + 2.0, 0.45, root + 12, velocity * 0.85);
        Add(part, at + 2.5, 0.9, FRandom.Chance(0.5) ? fifth : root, velocity * 0.9);
        Add(part, at + 3.5, 0.45, changes ? approach : root + 12, velocity * 0.8);
        break;
      case TBassStyle::Held:
        Add(part, at, 2.4, root, velocity);
        Add(part, at + 2.5, 1.0, FRandom.Chance(0.5) ? fifth : root, velocity * 0.85);
        Add(part, at + 3.5, 0.45, changes ? approach : root, velocity * 0.75);
        break;
      case TBassStyle::Walking: {
        int second = FRandom.Chance(0.5) ? third : fifth;
        int sixth = root + (FScore.Key().Pitch(chord.Degree + 5) - FScore.Key().Pitch(chord.Degree));
        Add(part, at, 0.95, root, velocity);
        Add(part, at + 1, 0.95, second, velocity * 0.85);
        Add(part, at + 2, 0.95, FRandom.Chance(0.5) ? fifth : sixth, velocity * 0.9);
        Add(part, at + 3, 0.95, changes ? approach : root + 12, velocity * 0.85);
        break;
      }
      case TBassStyle::Final: Add(part, at, FFinalBeats, root, velocity); break;
    }
  }
}

void TComposer::WriteDrums(TPart& part, int fromBar, int toBar, TGroove groove, unsigned layers, TDrumFill fill,
                           TDrumCrash crash) {
  const TGroovePattern& pattern = Pattern(groove);
  for (int bar = fromBar; bar < toBar; ++bar) {
    double at = bar * 4.0;
    if (groove == TGroove::Final) {
      Add(part, at, 1, kKick, 1.0);
      Add(part, at, 4, kCrash, 0.9);
      continue;
    }
    if (crash == TDrumCrash::AtStart && bar == fromBar) Add(part, at, 4, kCrash, 0.85);
    int variant = (bar - fromBar) % 2;
    bool filling = fill == TDrumFill::Snare && bar == toBar - 1;
    for (int step = 0; step < 16; ++step) {
      double beat = at + step * 0.25;
      if (filling && step >= 12) {
        // The last beat before a new section rolls on the snare, getting louder.
        Add(part, beat, 0.25, kSnare, 0.55 + 0.12 * (step - 12));
        continue;
      }
      char k = pattern.Kick[variant][step];
      char s = pattern.Snare[variant][step];
      char h = pattern.Hat[variant][step];
      if ((layers & kLayerKick) && k != '.') Add(part, beat, 0.5, kKick, Level(k));
      if ((layers & kLayerSnare) && s != '.') Add(part, beat, 0.5, kSnare, Level(s));
      if ((layers & kLayerHats) && h != '.')
        Add(part, beat, 0.25, kClosedHat, Level(h) * (0.9 + 0.1 * FRandom.Uniform()));
    }
  }
}

void TComposer::WriteChords(TPart& part, int fromBar, int toBar, TChordStyle style, int centre, double velocity) {
  std::vector<int> previous;
  for (int bar = fromBar; bar < toBar; ++bar) {
    const TChord& chord = FScore.Harmony(bar);
    std::vector<int> classes;
    for (int i = 0; i < chord.Size; ++i) classes.push_back(FloorMod(FScore.Key().Pitch(chord.Degree + 2 * i), 12));

    // Try every inversion in the octave around the centre and keep the one that moves least.
    std::vector<int> best;
    double bestCost = std::numeric_limits<double>::max();
    for (int start = centre - 9; start <= centre + 3; ++start) {
      std::vector<int> voicing;
      for (int p = start; static_cast<int>(voicing.size()) < chord.Size; ++p)
        if (std::find(classes.begin(), classes.end(), FloorMod(p, 12)) != classes.end()) voicing.push_back(p);
      double mean = 0;
      for (int p : voicing) mean += p;
      mean /= static_cast<double>(voicing.size());
      double cost = 0.4 * std::abs(mean - centre);
      if (previous.size() == voicing.size())
        for (size_t i = 0; i < voicing.size(); ++i) cost += std::abs(voicing[i] - previous[i]);
      if (cost < bestCost) {
        bestCost = cost;
        best = voicing;
      }
    }
    previous = best;

    double at = bar * 4.0;
    auto stab = [&](const char* rhythm, double length) {
      for (int step = 0; step < 16; ++step)
        if (rhythm[step] != '.')
          for (int p : best) Add(part, at + step * 0.25, length, p, velocity * Level(rhythm[step]));
    };
    switch (style) {
      case TChordStyle::Held:
      case TChordStyle::Final:
        for (int p : best) Add(part, at, style == TChordStyle::Final ? FFinalBeats : 3.9, p, velocity);
        break;
      case TChordStyle::Stabs: stab("..8...7...8...7.", 0.4); break;
      case TChordStyle::Pushed: stab("9..7..8...7..8..", 0.5); break;
      case TChordStyle::Arpeggio: {
        std::vector<int> tones = best;
        for (int p : best) tones.push_back(p + 12);
        static const int order[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 1, 2, 3, 5, 4, 3, 2};
        for (int step = 0; step < 16; ++step) {
          int index = std::min(order[step], static_cast<int>(tones.size()) - 1);
          double accent = step % 4 == 0 ? 1.0 : (step % 2 == 0 ? 0.8 : 0.65);
          Add(part, at + step * 0.25, 0.22, tones[static_cast<size_t>(index)], velocity * accent);
        }
        break;
      }
    }
  }
}

bool TComposer::IsStrong(double start) { return std::abs(start - std::round(start)) < 1e-6; }

TComposer::TMotif TComposer::MakeMotif(TRandom& rng, double busy, bool cadence) {
  TMotif motif;
  std::string first = rng.Chance(busy) ? rng.Pick(kBusyBars) : rng.Pick(kCalmBars);
  std::string second = cadence ? rng.Pick(kCadenceBars) : rng.Pick(kCalmBars);
  std::string rhythm = first + second;
  for (size_t i = 0; i < rhythm.size(); ++i) {
    if (rhythm[i] != 'x') continue;
    size_t end = i + 1;
    while (end < rhythm.size() && rhythm[end] == '-') ++end;
    motif.Hits.push_back(THit{i * 0.5, (end - i) * 0.5});
  }
  return motif;
}

int TComposer::NearestChordTone(const TChord& chord, int target, TRandom& rng) const {
  for (int k = 0; k < 8; ++k) {
    int first = rng.Chance(0.5) ? 1 : -1;
    for (int sign : {first, -first}) {
      int degree = target + sign * k;
      if (degree >= FDegreeLow && degree <= FDegreeHigh && chord.Contains(degree)) return degree;
    }
  }
  return std::clamp(target, FDegreeLow, FDegreeHigh);
}

void TComposer::SingFresh(TPart& part, TMotif& motif, double startBeat, TRandom& rng, double velocity) {
  static const std::vector<int> strongSteps = {1, 1, 2, 2, 3, 4};
  static const std::vector<int> weakSteps = {1, 1, 1, 1, 2, 0};
  motif.Degrees.clear();
  for (size_t i = 0; i < motif.Hits.size(); ++i) {
    const THit& hit = motif.Hits[i];
    const TChord& chord = ChordAt(startBeat + hit.Start);
    bool strong = IsStrong(hit.Start);
    int degree;
    if (i == 0) {
      degree = NearestChordTone(chord, FPrevDegree + rng.Range(-2, 2), rng);
    } else {
      int step = strong ? rng.Pick(strongSteps) : rng.Pick(weakSteps);
      degree = FPrevDegree + FDirection * step;
      if (degree > FDegreeHigh || degree < FDegreeLow) {
        FDirection = -FDirection;
        degree = FPrevDegree + FDirection * step;
      }
      if (strong) degree = NearestChordTone(chord, degree, rng);
    }
    degree = std::clamp(degree, FDegreeLow, FDegreeHigh);
    // A tune that keeps striking one note sounds stuck; most repeats move on by a step.
    if (i > 0 && degree == FPrevDegree && !rng.Chance(0.1)) {
      // Weak beats step on; strong beats go to the next chord tone, in whichever direction has one.
      for (int k = 1; k <= 6 && degree == FPrevDegree; ++k)
        for (int sign : {FDirection, -FDirection}) {
          int candidate = FPrevDegree + sign * k;
          if (candidate >= FDegreeLow && candidate <= FDegreeHigh && (!strong || chord.Contains(candidate))) {
            degree = candidate;
            break;
          }
        }
    }
    if (std::abs(degree - FPrevDegree) >= 3)
      FDirection = degree > FPrevDegree ? -1 : 1;  // after a leap, turn back by step
    else if (rng.Chance(0.25))
      FDirection = -FDirection;
    FPrevDegree = degree;
    motif.Degrees.push_back(degree);
    double v = velocity * (strong ? 1.0 : 0.82) * (0.94 + 0.06 * rng.Uniform());
    Add(part, startBeat + hit.Start, hit.Length * 0.92, FScore.Key().Pitch(degree), v);
  }
}

void TComposer::SingAgain(TPart& part, const TMotif& motif, double startBeat, size_t hitCount, TRandom& rng,
                          double velocity) {
  if (motif.Hits.empty()) return;
  // Start on a tone of the new chord near where the motif first started, then keep its shape.
  const TChord& opening = ChordAt(startBeat + motif.Hits[0].Start);
  int offset = NearestChordTone(opening, motif.Degrees[0], rng) - motif.Degrees[0];
  int highest = *std::max_element(motif.Degrees.begin(), motif.Degrees.end()) + offset;
  int lowest = *std::min_element(motif.Degrees.begin(), motif.Degrees.end()) + offset;
  if (highest > FDegreeHigh)
    offset -= 7;
  else if (lowest < FDegreeLow)
    offset += 7;
  for (size_t i = 0; i < std::min(hitCount, motif.Hits.size()); ++i) {
    const THit& hit = motif.Hits[i];
    int degree = motif.Degrees[i] + offset;
    const TChord& chord = ChordAt(startBeat + hit.Start);
    bool strong = IsStrong(hit.Start);
    if (strong && !chord.Contains(degree)) {
      // Move to the chord tone on the side the motif was heading, so its contour survives.
      int move = i > 0 ? motif.Degrees[i] - motif.Degrees[i - 1] : 0;
      int up = degree + 1;
      while (!chord.Contains(up)) ++up;
      int down = degree - 1;
      while (!chord.Contains(down)) --down;
      if (move > 0)
        degree = up != FPrevDegree || down <= FDegreeLow ? up : down;
      else if (move < 0)
        degree = down != FPrevDegree || up >= FDegreeHigh ? down : up;
      else
        degree = rng.Chance(0.5) ? up : down;
    }
    FPrevDegree = degree;
    double v = velocity * (strong ? 1.0 : 0.82) * (0.94 + 0.06 * rng.Uniform());
    Add(part, startBeat + hit.Start, hit.Length * 0.92, FScore.Key().Pitch(degree), v);
  }
}

void TComposer::WriteMelody(TPart& part, int fromBar, int toBar, uint64_t theme, int low, int high, double busy,
                            double velocity) {
  TRandom rng(theme);
  FDegreeLow = FScore.Key().DegreeNear(low);
  FDegreeHigh = FScore.Key().DegreeNear(high);
  FPrevDegree = (FDegreeLow + FDegreeHigh) / 2;
  FDirection = 1;
  FHaveMelody = true;
  TMotif statement = MakeMotif(rng, busy, false);
  TMotif answer = MakeMotif(rng, busy, false);
  TMotif cadence = MakeMotif(rng, busy * 0.5, true);
  bool sung = false;
  for (int phrase = fromBar; phrase < toBar; phrase += 8) {
    for (int unit = 0; unit < 4 && phrase + unit * 2 < toBar; ++unit) {
      double at = (phrase + unit * 2) * 4.0;
      switch (unit) {
        case 0:
          if (!sung)
            SingFresh(part, statement, at, rng, velocity);
          else
            SingAgain(part, statement, at, statement.Hits.size(), rng, velocity);
          sung = true;
          break;
        case 1: SingAgain(part, statement, at, statement.Hits.size(), rng, velocity); break;
        case 2:
          if (answer.Degrees.empty())
            SingFresh(part, answer, at, rng, velocity);
          else
            SingAgain(part, answer, at, answer.Hits.size(), rng, velocity);
          break;
        case 3:
          if (cadence.Degrees.empty())
            SingFresh(part, cadence, at, rng, velocity);
          else
            SingAgain(part, cadence, at, cadence.Hits.size(), rng, velocity);
          break;
      }
    }
  }
}

void TComposer::WriteFinalNote(TPart& part, int bar, double beats, double velocity) {
  if (!FHaveMelody) return;
  const TChord& chord = FScore.Harmony(bar);
  // Prefer the chord's root, so the piece comes to rest.
  int degree = FPrevDegree;
  for (int k = 0; k < 7; ++k) {
    if (FloorMod(FPrevDegree - k - chord.Degree, 7) == 0) {
      degree = FPrevDegree - k;
      break;
    }
    if (FloorMod(FPrevDegree + k - chord.Degree, 7) == 0) {
      degree = FPrevDegree + k;
      break;
    }
  }
  Add(part, bar * 4.0, beats, FScore.Key().Pitch(degree), velocity);
}
