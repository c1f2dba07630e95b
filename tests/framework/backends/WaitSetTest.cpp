// SPDX-License-Identifier: MIT
// The window thread's sleep on its descriptors, kept registered between waits.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "WaitSet.h"

namespace {

struct TPipe {
  int Fd[2] = {-1, -1};
  TPipe() { EXPECT_EQ(pipe(Fd), 0); }
  ~TPipe() { CloseBoth(); }
  void CloseBoth() {
    for (int& fd : Fd)
      if (fd >= 0) close(fd), fd = -1;
  }
};

}  // namespace

TEST(WaitSet, wakes_for_the_ready_slot_only_and_for_a_watch_set_anew_on_a_reused_number) {
  TWaitSet set;
  TPipe first, second;
  set.Keep(0, first.Fd[0], POLLIN);
  set.Keep(1, second.Fd[0], POLLIN);
  EXPECT_EQ(set.Wait(20), (std::array<short, TWaitSet::kSlots>{}));
  ASSERT_EQ(write(second.Fd[1], "x", 1), 1);
  auto ready = set.Wait(1000);
  EXPECT_EQ(ready[0], 0);
  EXPECT_TRUE(ready[1] & POLLIN);

  // The watch's descriptor is closed and its number handed to another pipe: set again, it is
  // watched again, although number and events are the same.
  TPipe watched;
  set.Keep(2, watched.Fd[0], POLLIN, 1);
  const int number = watched.Fd[0];
  watched.CloseBoth();
  TPipe reused;
  ASSERT_EQ(reused.Fd[0], number) << "the lowest free number is reused";
  set.Keep(2, reused.Fd[0], POLLIN, 2);
  ASSERT_EQ(write(reused.Fd[1], "y", 1), 1);
  ready = set.Wait(1000);
  EXPECT_TRUE(ready[2] & POLLIN);
  // A slot emptied is no longer watched.
  set.Keep(1, -1, 0);
  ready = set.Wait(20);
  EXPECT_EQ(ready[1], 0);
  EXPECT_TRUE(ready[2] & POLLIN);
}
