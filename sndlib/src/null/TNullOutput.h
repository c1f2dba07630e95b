// SPDX-License-Identifier: MIT
// TNullOutput: the no-sound output; mixes in real time on its own thread and throws the result away.
// Implements: start, stop, a heard position that moves with the clock. Not: any sound.
#pragma once

#include "../TOutput.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace sndlib {

class TNullOutput : public TOutput {
public:
  TNullOutput(TMixer& mixer, int rate);
  ~TNullOutput() override;

  const char* Name() const override { return "no-sound"; }
  void Start() override;
  void Stop() override;
  int64_t HeardFrame() const override;
  size_t LatencyFrames() const override { return kBlock * 2; }

private:
  // About 23 ms at 44100 Hz: short enough for smooth levels, long enough to keep wake-ups rare.
  static constexpr size_t kBlock = 1024;
  void Run();

  std::unique_ptr<float[]> FBuffer;
  std::mutex FLock;
  std::condition_variable FWake;
  bool FQuit = false;
  std::thread FThread;
};

}  // namespace sndlib
