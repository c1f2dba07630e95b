// SPDX-License-Identifier: MIT
// TOutput: where the mix goes — an audio device, the no-sound output, or a test's hand-driven pull.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sndlib {

class TMixer;

class TOutput {
public:
  TOutput(TMixer& mixer, int rate) : FMixer(mixer), FRate(rate) {}
  virtual ~TOutput() = default;
  TOutput(const TOutput&) = delete;
  TOutput& operator=(const TOutput&) = delete;

  int Rate() const { return FRate; }
  // What kind of output this is, for tests and diagnostics.
  virtual const char* Name() const = 0;
  // Starting may fail with TError (SND_ERROR_START); stopping halts the mixing at once.
  virtual void Start() = 0;
  virtual void Stop() = 0;
  bool Running() const { return FRunning.load(std::memory_order_acquire); }
  // Control side, after anything that changes what is heard (a channel's state or attributes, the master
  // volume, a channel added or freed): an output that has mixed ahead mixes its queue again.
  virtual void Changed() {}

  // The output frame being heard now: every frame before it has reached the listener.
  virtual int64_t HeardFrame() const = 0;
  // The most frames that can lie between the last frame mixed and the one heard; sizes channel history.
  virtual size_t LatencyFrames() const = 0;

protected:
  // For outputs that mix whole blocks on a clock: note when a block was mixed, so the heard position can
  // move on smoothly between blocks.
  void MarkMixed();
  // `delay` frames are queued ahead of a fresh block, which then plays over `block` frames.
  int64_t HeardFromClock(size_t delay, size_t block) const;

  TMixer& FMixer;
  int FRate;
  std::atomic<bool> FRunning{false};

private:
  std::atomic<int64_t> FMarkFrames{0};
  std::atomic<int64_t> FMarkNanos{0};
};

}  // namespace sndlib
