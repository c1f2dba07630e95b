// SPDX-License-Identifier: MIT
// A callback called at a fixed period on a thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Ticks follow a steady-clock deadline, so the period does not drift with the callback's own run
// time. When a callback overruns by more than a whole period, the missed ticks are dropped rather
// than fired in a burst. The callback runs on the timer's thread and must not touch UI objects.
class TPeriodicTimer {
public:
  TPeriodicTimer() = default;
  TPeriodicTimer(const TPeriodicTimer&) = delete;
  TPeriodicTimer& operator=(const TPeriodicTimer&) = delete;
  // Stops the timer, so no callback outlives the object.
  ~TPeriodicTimer();

  // Starts calling the callback every period, first one period from now. The timer must be stopped
  // and the period positive. Returns false when no thread could be started.
  bool Start(std::chrono::milliseconds period, std::function<void()> callback);

  // Ends the ticks and waits for the thread; when Stop returns, no callback runs or will run.
  // Safe to call when stopped. Must not be called from the callback itself, which would wait on its
  // own thread.
  void Stop();

  bool Running() const { return FThread.joinable(); }
  std::chrono::milliseconds Period() const { return FPeriod; }

private:
  void Run(std::chrono::steady_clock::time_point first);

  std::chrono::milliseconds FPeriod{0};
  std::function<void()> FCallback;
  std::atomic<bool> FStopping{false};
  // The mutex and condition only let Stop wake the thread early; ticks themselves take no lock.
  std::mutex FWakeMutex;
  std::condition_variable FWake;
  std::thread FThread;
};
