// SPDX-License-Identifier: MIT
#include "WaitSet.h"

#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

TWaitSet::TWaitSet() : FEpoll(epoll_create1(EPOLL_CLOEXEC)) {}

TWaitSet::~TWaitSet() {
  if (FEpoll >= 0) close(FEpoll);
}

void TWaitSet::Keep(int slot, int fd, short events, uint64_t generation) {
  TSlot& s = FSlots[size_t(slot)];
  if (s.Fd == fd && s.Events == events && s.Generation == generation) return;
  if (FEpoll >= 0) {
    // The old descriptor may be closed already, which took it out of the set.
    if (s.Fd >= 0) epoll_ctl(FEpoll, EPOLL_CTL_DEL, s.Fd, nullptr);
    epoll_event e{};
    e.events = uint32_t(uint16_t(events));
    e.data.u32 = uint32_t(slot);
    if (fd >= 0 && epoll_ctl(FEpoll, EPOLL_CTL_ADD, fd, &e) != 0) {
      // Not a descriptor epoll takes: every wait polls instead.
      close(FEpoll);
      FEpoll = -1;
    }
  }
  s = {fd, events, generation};
}

std::array<short, TWaitSet::kSlots> TWaitSet::Wait(int ms) {
  std::array<short, kSlots> ready{};
  if (FEpoll >= 0) {
    epoll_event events[kSlots];
    const int n = epoll_wait(FEpoll, events, kSlots, ms);
    for (int i = 0; i < n; ++i) ready[events[i].data.u32] = short(events[i].events);
    return ready;
  }
  // poll(2) passes over a negative descriptor, so an empty slot costs nothing.
  pollfd fds[kSlots];
  for (int i = 0; i < kSlots; ++i) fds[i] = {FSlots[size_t(i)].Fd, FSlots[size_t(i)].Events, 0};
  if (poll(fds, kSlots, ms) > 0)
    for (int i = 0; i < kSlots; ++i) ready[size_t(i)] = fds[i].revents;
  return ready;
}
