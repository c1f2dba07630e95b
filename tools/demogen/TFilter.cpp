// SPDX-License-Identifier: MIT
// A trapezoidal state-variable filter: stays stable while its cutoff sweeps every sample.
#include "TFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

void TFilter::Set(double cutoff, double resonance, double rate) {
  cutoff = std::clamp(cutoff, 10.0, rate * 0.49);
  FG = std::tan(std::numbers::pi * cutoff / rate);
  FK = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.98);
  FA1 = 1.0 / (1.0 + FG * (FG + FK));
  FA2 = FG * FA1;
  FA3 = FG * FA2;
}

TFilter::TOutput TFilter::Process(double input) {
  double v3 = input - FIc2;
  double v1 = FA1 * FIc1 + FA2 * v3;
  double v2 = FIc2 + FA2 * FIc1 + FA3 * v3;
  FIc1 = 2 * v1 - FIc1;
  FIc2 = 2 * v2 - FIc2;
  return TOutput{v2, v1, input - FK * v1 - v2};
}
