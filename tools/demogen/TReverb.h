// SPDX-License-Identifier: MIT
// A stereo room reverb of parallel damped combs and serial all-passes, for the demo synthesiser.
#pragma once

#include <cstddef>
#include <vector>

class TReverb {
public:
  // `size` 0..1 sets the decay time; `damping` 0..1 how quickly the highs die.
  TReverb(double rate, double size, double damping);

  // Processes one stereo frame in place (the input is the send, the output the wet signal).
  void Process(float& left, float& right);

private:
  struct TComb {
    std::vector<float> Buffer;
    size_t Index = 0;
    float Store = 0;
  };
  struct TAllPass {
    std::vector<float> Buffer;
    size_t Index = 0;
  };
  static float Comb(TComb& comb, float input, float feedback, float damping);
  static float AllPass(TAllPass& pass, float input);

  std::vector<TComb> FCombs[2];
  std::vector<TAllPass> FPasses[2];
  float FFeedback;
  float FDamping;
};
