// SPDX-License-Identifier: MIT
// TPullOutput: an output without a clock; whoever holds it pulls mixed frames by hand (tests, benchmarks).
#pragma once

#include "TOutput.h"

#include <functional>

namespace sndlib {

class TPullOutput : public TOutput {
public:
  TPullOutput(TMixer& mixer, int rate, size_t latency) : TOutput(mixer, rate), FLatency(latency) {}

  const char* Name() const override { return "pull"; }
  void Start() override;
  void Stop() override;
  // What was pulled counts as heard `latency` frames later.
  int64_t HeardFrame() const override;
  size_t LatencyFrames() const override { return FLatency; }

  // Mixes `frames` stereo frames into `out`; silence without advancing while stopped. Runs the decoders
  // first when the library has no decoder thread, so a test decides exactly what happens when.
  void Pull(float* out, size_t frames);

  std::function<void()> FBeforeMix;

private:
  size_t FLatency;
};

}  // namespace sndlib
