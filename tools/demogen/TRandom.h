// SPDX-License-Identifier: MIT
// A small seeded random source, so that every run of the demo generator writes the same files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TRandom {
public:
  explicit TRandom(uint64_t seed);

  uint64_t Next();
  // Uniform in [0, 1).
  double Uniform();
  // Uniform in [-1, 1).
  double Bipolar();
  // Uniform integer in [lo, hi], both ends included.
  int Range(int lo, int hi);
  bool Chance(double probability);

  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<size_t>(Range(0, static_cast<int>(items.size()) - 1))];
  }

private:
  uint64_t FState;
};
