// SPDX-License-Identifier: MIT
// The one extra descriptor a backend's waits watch for the window thread (TBackend::WatchDescriptor).
#pragma once

#include <poll.h>

#include <cstdint>
#include <functional>
#include <utility>

class TDescriptorWatch {
public:
  void Set(int fd, short events, std::function<void()> ready) {
    FFd = ready ? fd : -1;
    FEvents = events;
    FReady = std::move(ready);
    ++FGeneration;
  }
  // Counts the watches set, so that a wait that keeps the descriptor registered knows to do so anew.
  uint64_t Generation() const { return FGeneration; }
  // For a poll(2) of its own; a descriptor of -1 (no watch) is passed over there.
  pollfd PollEntry() const { return {FFd, FEvents, 0}; }
  // Runs the watch's callback. It may replace the watch, so it is called from a copy.
  void Run() const {
    const std::function<void()> ready = FReady;
    ready();
  }
  // Runs the callback when the descriptor is ready now (no sleep); true when it ran.
  bool ServeNow() const {
    if (FFd < 0) return false;
    pollfd watch = PollEntry();
    if (poll(&watch, 1, 0) <= 0 || watch.revents == 0) return false;
    Run();
    return true;
  }

private:
  int FFd = -1;
  short FEvents = 0;
  std::function<void()> FReady;
  uint64_t FGeneration = 0;
};
