// SPDX-License-Identifier: MIT
// A state-variable filter (low, band and high pass at once) for the demo synthesiser.
#pragma once

class TFilter {
public:
  struct TOutput {
    double Low;
    double Band;
    double High;
  };

  // `resonance` runs from 0 (none) towards 1 (self-oscillation); the cutoff is clamped below Nyquist.
  void Set(double cutoff, double resonance, double rate);
  TOutput Process(double input);
  void Reset() { FIc1 = FIc2 = 0; }

private:
  double FG = 0, FK = 2, FA1 = 1, FA2 = 0, FA3 = 0;
  double FIc1 = 0, FIc2 = 0;
};
