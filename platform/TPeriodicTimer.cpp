// SPDX-License-Identifier: MIT
// The periodic timer's thread: sleep to the next deadline, tick, repeat until told to stop.
#include "platform/TPeriodicTimer.h"

#include <cassert>
#include <system_error>
#include <utility>

TPeriodicTimer::~TPeriodicTimer() { Stop(); }

bool TPeriodicTimer::Start(std::chrono::milliseconds period, std::function<void()> callback) {
  assert(!Running() && "TPeriodicTimer::Start on a running timer");
  assert(period.count() > 0 && "TPeriodicTimer needs a positive period");
  assert(callback && "TPeriodicTimer needs a callback");
  FPeriod = period;
  FCallback = std::move(callback);
  FStopping.store(false);
  try {
    FThread = std::thread(&TPeriodicTimer::Run, this, std::chrono::steady_clock::now() + period);
  } catch (const std::system_error&) {
    FCallback = nullptr;
    return false;
  }
  return true;
}

void TPeriodicTimer::Stop() {
  if (!FThread.joinable()) return;
  assert(FThread.get_id() != std::this_thread::get_id() && "TPeriodicTimer::Stop from its own callback");
  {
    // Setting the flag under the mutex closes the gap between the thread's check and its wait.
    std::lock_guard lock(FWakeMutex);
    FStopping.store(true);
  }
  FWake.notify_all();
  FThread.join();
  FCallback = nullptr;
}

void TPeriodicTimer::Run(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    {
      std::unique_lock lock(FWakeMutex);
      if (FWake.wait_until(lock, deadline, [this] { return FStopping.load(); })) return;
    }
    FCallback();
    deadline += FPeriod;
    const auto now = std::chrono::steady_clock::now();
    if (deadline + FPeriod < now) deadline = now + FPeriod;
  }
}
