// SPDX-License-Identifier: MIT
// Room reverb: eight combs feed four all-passes per side; the right side's delays are a little longer
// so the two sides decorrelate into width.
#include "TReverb.h"

namespace {

// Mutually prime delay lengths in frames at 44.1 kHz; they are scaled for other rates.
constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kPassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;

}  // namespace

TReverb::TReverb(double rate, double size, double damping)
    : FFeedback(static_cast<float>(0.7 + 0.28 * size)), FDamping(static_cast<float>(damping * 0.4)) {
  double scale = rate / 44100.0;
  for (int side = 0; side < 2; ++side) {
    for (int length : kCombLengths) {
      TComb comb;
      comb.Buffer.assign(static_cast<size_t>((length + side * kStereoSpread) * scale), 0.0f);
      FCombs[side].push_back(comb);
    }
    for (int length : kPassLengths) {
      TAllPass pass;
      pass.Buffer.assign(static_cast<size_t>((length + side * kStereoSpread) * scale), 0.0f);
      FPasses[side].push_back(pass);
    }
  }
}

float TReverb::Comb(TComb& comb, float input, float feedback, float damping) {
  float output = comb.Buffer[comb.Index];
  comb.Store = output * (1.0f - damping) + comb.Store * damping;
  comb.Buffer[comb.Index] = input + comb.Store * feedback;
  if (++comb.Index >= comb.Buffer.size()) comb.Index = 0;
  return output;
}

float TReverb::AllPass(TAllPass& pass, float input) {
  float buffered = pass.Buffer[pass.Index];
  float output = buffered - input;
  pass.Buffer[pass.Index] = input + buffered * 0.5f;
  if (++pass.Index >= pass.Buffer.size()) pass.Index = 0;
  return output;
}

void TReverb::Process(float& left, float& right) {
  float input = (left + right) * 0.015f;
  float out[2] = {0, 0};
  for (int side = 0; side < 2; ++side) {
    for (TComb& comb : FCombs[side]) out[side] += Comb(comb, input, FFeedback, FDamping);
    for (TAllPass& pass : FPasses[side]) out[side] = AllPass(pass, out[side]);
  }
  left = out[0];
  right = out[1];
}
