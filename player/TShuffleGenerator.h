// SPDX-License-Identifier: MIT
// The fixed pseudo-random sequence behind the shuffled end-of-track advance.
#pragma once

#include <cstdint>

// A 32-bit linear congruential generator. It is seeded once at start-up and never from the clock,
// so the order of shuffled tracks is the same at every start; listeners learn that order and the
// player keeps it.
class TShuffleGenerator {
public:
  // Seeding draws one value, exactly as the first Next() after it would; with seed 1 the first
  // value a caller gets afterwards is 130.
  void Seed(uint32_t seed);
  // The next value, 0 to 32767.
  int Next();

private:
  uint32_t FState = 0;
};
