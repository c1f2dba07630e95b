// SPDX-License-Identifier: MIT
// TOutput: where the mix goes — an audio device, the no-sound output, or a test's hand-driven pull.
#include "TOutput.h"

#include "TMixer.h"

#include <algorithm>
#include <chrono>

namespace sndlib {

static int64_t NowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void TOutput::MarkMixed() {
  FMarkNanos.store(NowNanos(), std::memory_order_relaxed);
  FMarkFrames.store(FMixer.MixedFrames(), std::memory_order_release);
}

int64_t TOutput::HeardFromClock(size_t delay, size_t block) const {
  int64_t frames = FMarkFrames.load(std::memory_order_acquire);
  int64_t nanos = FMarkNanos.load(std::memory_order_relaxed);
  int64_t elapsed = (NowNanos() - nanos) * FRate / 1000000000;
  int64_t heard = frames - int64_t(delay) - int64_t(block) + std::clamp<int64_t>(elapsed, 0, int64_t(block));
  return std::max<int64_t>(heard, 0);
}

}  // namespace sndlib
