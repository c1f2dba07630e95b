// SPDX-License-Identifier: MIT
// The periodic timer thread: its rhythm, and that Stop leaves no tick behind.
#include "platform/TPeriodicTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

namespace {

TEST(PeriodicTimer, fires_at_its_period_without_drifting) {
  std::mutex mutex;
  std::vector<TClock::time_point> ticks;
  TPeriodicTimer timer;
  const auto start = TClock::now();
  ASSERT_TRUE(timer.Start(25ms, [&] {
    {
      std::lock_guard lock(mutex);
      ticks.push_back(TClock::now());
    }
    // A tick that takes a while must not push the later ones back.
    std::this_thread::sleep_for(15ms);
  }));
  std::this_thread::sleep_for(520ms);
  const auto stopAt = TClock::now();
  timer.Stop();
  const auto stoppedAt = TClock::now();

  std::lock_guard lock(mutex);
  // Every deadline that passed before Stop gives a tick (a busy machine may drop a few), and none
  // comes extra. A timer that slept a whole period after each tick would reach only 5/8 of them.
  const auto deadlines = static_cast<std::size_t>((stopAt - start) / 25ms);
  ASSERT_GE(deadlines, 20u);
  EXPECT_LE(ticks.size(), static_cast<std::size_t>((stoppedAt - start) / 25ms));
  EXPECT_GE(ticks.size() * 4, deadlines * 3);
  // No tick comes before its deadline.
  EXPECT_GE(ticks.front() - start, 25ms);
  for (std::size_t i = 0; i < ticks.size(); ++i)
    EXPECT_GE(ticks[i] - start, 25ms * static_cast<int>(i + 1)) << "tick " << i;
}

TEST(PeriodicTimer, stop_returns_promptly_even_during_a_long_period) {
  std::atomic<int> count{0};
  TPeriodicTimer timer;
  ASSERT_TRUE(timer.Start(10s, [&] { ++count; }));
  EXPECT_TRUE(timer.Running());
  std::this_thread::sleep_for(20ms);
  const auto before = TClock::now();
  timer.Stop();
  EXPECT_LT(TClock::now() - before, 200ms);
  EXPECT_FALSE(timer.Running());
  EXPECT_EQ(count.load(), 0);
  timer.Stop();  // stopping a stopped timer is harmless
}

TEST(PeriodicTimer, no_tick_runs_or_follows_once_stop_has_returned) {
  std::atomic<bool> stopped{false};
  std::atomic<int> lateTicks{0};
  std::atomic<int> count{0};
  TPeriodicTimer timer;
  // A slow tick is in progress when Stop is called: Stop waits for it, then no further tick comes.
  ASSERT_TRUE(timer.Start(1ms, [&] {
    ++count;
    std::this_thread::sleep_for(5ms);
    if (stopped.load()) ++lateTicks;
  }));
  std::this_thread::sleep_for(30ms);
  timer.Stop();
  stopped.store(true);
  const int countAtStop = count.load();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(lateTicks.load(), 0);
  EXPECT_EQ(count.load(), countAtStop);
  EXPECT_GT(countAtStop, 0);
}

TEST(PeriodicTimer, can_start_again_after_stop_and_stops_when_destroyed) {
  std::atomic<int> count{0};
  {
    TPeriodicTimer timer;
    ASSERT_TRUE(timer.Start(5ms, [&] { ++count; }));
    std::this_thread::sleep_for(30ms);
    timer.Stop();
    const int first = count.load();
    EXPECT_GT(first, 0);
    ASSERT_TRUE(timer.Start(5ms, [&] { ++count; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_GT(count.load(), first);
  }
  const int atDestruction = count.load();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(count.load(), atDestruction);
}

}  // namespace
