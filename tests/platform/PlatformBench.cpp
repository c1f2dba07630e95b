// SPDX-License-Identifier: MIT
// What waking up costs on this machine: the least a thread pays per tick for the player's rhythms
// (10 ms on the window thread, 25 ms on the display thread) before it does any work at all.
#include "platform/TPeriodicTimer.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <time.h>

namespace {

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// One sleep until the next deadline of a steady rhythm and the wake-up after it; the benchmark's
// CPU time per iteration is what the thread paid for both.
void BM_SleepUntilNextTick(benchmark::State& state) {
  const std::chrono::milliseconds period(state.range(0));
  auto next = std::chrono::steady_clock::now();
  const double start = ThreadCpuSeconds();
  for (auto _ : state) {
    next += period;
    std::this_thread::sleep_until(next);
  }
  const double perWake = (ThreadCpuSeconds() - start) / double(state.iterations());
  state.counters["us_per_wake"] = perWake * 1e6;
  state.counters["cpu_s_per_min"] = perWake * 60000.0 / double(period.count());
}
BENCHMARK(BM_SleepUntilNextTick)->Arg(10)->Iterations(300);
BENCHMARK(BM_SleepUntilNextTick)->Arg(25)->Iterations(120);

// The display thread's timer with nothing to do: CPU of the timer's own thread per tick.
void BM_PeriodicTimerEmptyTick(benchmark::State& state) {
  std::atomic<int> ticks{0};
  std::atomic<double> cpu{0.0};
  double first = 0.0;
  TPeriodicTimer timer;
  timer.Start(std::chrono::milliseconds(25), [&] {
    cpu.store(ThreadCpuSeconds());
    ticks.fetch_add(1);
  });
  while (ticks.load() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  first = cpu.load();
  int seen = ticks.load();
  for (auto _ : state) {
    const int target = seen + 1;
    while (ticks.load() < target) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    seen = ticks.load();
  }
  timer.Stop();
  const double perTick = (cpu.load() - first) / std::max(1, seen - 1);
  state.counters["timer_thread_us_per_tick"] = perTick * 1e6;
  state.counters["timer_thread_cpu_s_per_min"] = perTick * 40.0 * 60.0;
}
BENCHMARK(BM_PeriodicTimerEmptyTick)->Iterations(120)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
