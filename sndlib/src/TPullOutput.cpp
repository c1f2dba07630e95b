// SPDX-License-Identifier: MIT
// TPullOutput: an output without a clock; whoever holds it pulls mixed frames by hand (tests, benchmarks).
#include "TPullOutput.h"

#include "TMixer.h"

#include <algorithm>

namespace sndlib {

void TPullOutput::Start() {
  FMixer.SetGate(true);
  FRunning.store(true);
}

void TPullOutput::Stop() {
  FRunning.store(false);
  FMixer.SetGate(false);
}

int64_t TPullOutput::HeardFrame() const { return std::max<int64_t>(FMixer.MixedFrames() - int64_t(FLatency), 0); }

void TPullOutput::Pull(float* out, size_t frames) {
  if (!Running()) {
    std::fill(out, out + frames * 2, 0.0f);
    return;
  }
  if (FBeforeMix) FBeforeMix();
  FMixer.Mix(out, frames);
}

}  // namespace sndlib
