// SPDX-License-Identifier: MIT
// The fixed pseudo-random sequence behind the shuffled end-of-track advance.
#include "TShuffleGenerator.h"

void TShuffleGenerator::Seed(uint32_t seed) {
  FState = seed;
  Next();
}

int TShuffleGenerator::Next() {
  // Unsigned arithmetic wraps modulo 2^32, which is the generator's definition.
  FState = FState * 22695477u + 1u;
  return static_cast<int>((FState >> 16) & 0x7FFFu);
}
