// SPDX-License-Identifier: MIT
// TNullOutput: the no-sound output; mixes in real time on its own thread and throws the result away.
#include "TNullOutput.h"

#include "../TMixer.h"

#include <chrono>

namespace sndlib {

TNullOutput::TNullOutput(TMixer& mixer, int rate) : TOutput(mixer, rate), FBuffer(new float[kBlock * 2]) {
  FThread = std::thread([this] { Run(); });
}

TNullOutput::~TNullOutput() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FQuit = true;
  }
  FWake.notify_all();
  FThread.join();
}

void TNullOutput::Start() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FMixer.SetGate(true);
    FRunning.store(true);
  }
  FWake.notify_all();
}

void TNullOutput::Stop() {
  std::lock_guard<std::mutex> lock(FLock);
  FRunning.store(false);
  FMixer.SetGate(false);
}

int64_t TNullOutput::HeardFrame() const { return HeardFromClock(0, kBlock); }

void TNullOutput::Run() {
  using clock = std::chrono::steady_clock;
  const auto period = std::chrono::nanoseconds(int64_t(kBlock) * 1000000000 / FRate);
  auto deadline = clock::now();
  std::unique_lock<std::mutex> lock(FLock);
  while (!FQuit) {
    if (!FRunning.load()) {
      FWake.wait(lock, [this] { return FQuit || FRunning.load(); });
      deadline = clock::now();
      continue;
    }
    lock.unlock();
    FMixer.Mix(FBuffer.get(), kBlock);
    MarkMixed();
    deadline += period;
    // After a long stall (a suspended machine) catch up by skipping, not by mixing in a burst.
    if (clock::now() - deadline > std::chrono::milliseconds(500)) deadline = clock::now();
    lock.lock();
    FWake.wait_until(lock, deadline, [this] { return FQuit || !FRunning.load(); });
  }
}

}  // namespace sndlib
