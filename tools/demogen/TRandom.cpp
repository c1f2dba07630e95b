// SPDX-License-Identifier: MIT
// A small seeded random source (xorshift64*), independent of the standard library's engines.
#include "TRandom.h"

TRandom::TRandom(uint64_t seed)
    // A zero state would stay zero for ever, so the seed is mixed with a fixed odd constant.
    : FState(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
  if (FState == 0) FState = 1;
}

uint64_t TRandom::Next() {
  FState ^= FState >> 12;
  FState ^= FState << 25;
  FState ^= FState >> 27;
  return FState * 0x2545F4914F6CDD1Dull;
}

double TRandom::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

double TRandom::Bipolar() { return Uniform() * 2.0 - 1.0; }

int TRandom::Range(int lo, int hi) {
  if (hi <= lo) return lo;
  return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
}

bool TRandom::Chance(double probability) { return Uniform() < probability; }
