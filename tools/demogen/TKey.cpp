// SPDX-License-Identifier: MIT
// Scale degree arithmetic for the demo composer.
#include "TKey.h"

#include <cstdlib>

int FloorDiv(int a, int b) {
  int q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int FloorMod(int a, int b) { return a - FloorDiv(a, b) * b; }

TKey::TKey(int tonic, const std::array<int, 7>& steps) : FTonic(tonic), FSteps(steps) {}

int TKey::Pitch(int degree) const {
  return FTonic + 12 * FloorDiv(degree, 7) + FSteps[static_cast<size_t>(FloorMod(degree, 7))];
}

int TKey::DegreeNear(int pitch) const {
  int degree = 7 * FloorDiv(pitch - FTonic, 12);
  while (Pitch(degree + 1) <= pitch) ++degree;
  if (std::abs(Pitch(degree + 1) - pitch) < std::abs(Pitch(degree) - pitch)) ++degree;
  return degree;
}

bool TChord::Contains(int degree) const {
  int offset = FloorMod(degree - Degree, 7);
  return offset == 0 || offset == 2 || offset == 4 || (Size >= 4 && offset == 6);
}
