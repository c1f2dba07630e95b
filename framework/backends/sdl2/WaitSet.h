// SPDX-License-Identifier: MIT
// A sleep on a few descriptors that stays registered with the kernel between waits: the window
// thread sleeps on the same three about a hundred times a second, and poll(2) would look into
// each of them twice a time, before and after it sleeps.
#pragma once

#include <array>
#include <cstdint>

class TWaitSet {
public:
  static constexpr int kSlots = 3;

  TWaitSet();
  ~TWaitSet();
  TWaitSet(const TWaitSet&) = delete;
  TWaitSet& operator=(const TWaitSet&) = delete;

  // Watches `fd` for `events` (poll(2) flags) in `slot`; fd -1 watches nothing there. A change of
  // `generation` registers the descriptor anew, for a number that now names another file.
  void Keep(int slot, int fd, short events, uint64_t generation = 0);
  // Sleeps up to `ms` milliseconds for any slot to be ready; the poll(2) flags each slot reports.
  std::array<short, kSlots> Wait(int ms);

private:
  struct TSlot {
    int Fd = -1;
    short Events = 0;
    uint64_t Generation = 0;
  };
  // Where epoll is not to be had, each wait polls.
  int FEpoll = -1;
  std::array<TSlot, kSlots> FSlots{};
};
