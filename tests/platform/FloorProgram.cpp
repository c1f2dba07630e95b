// SPDX-License-Identifier: MIT
// What the player's rhythms cost with no work at all: one thread waking every 10 ms, one every 25 ms.
//
//   FloorProgram [SECONDS]   (default 20)
//
// Both threads sleep to absolute deadlines, as the window thread's loop and the display thread do.
// Prints each thread's CPU seconds per minute and the process's, to set beside the running player
// measured in the same session (docs/benchmarks.md).
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {

double ThreadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void Rhythm(std::chrono::milliseconds period, const std::atomic<bool>& stop, double& cpu) {
  const double start = ThreadCpuSeconds();
  auto next = std::chrono::steady_clock::now();
  while (!stop.load(std::memory_order_relaxed)) {
    next += period;
    std::this_thread::sleep_until(next);
  }
  cpu = ThreadCpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::atomic<bool> stop{false};
  double cpu10 = 0.0, cpu25 = 0.0;
  std::thread ten(Rhythm, std::chrono::milliseconds(10), std::cref(stop), std::ref(cpu10));
  std::thread twentyFive(Rhythm, std::chrono::milliseconds(25), std::cref(stop), std::ref(cpu25));
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  stop = true;
  ten.join();
  twentyFive.join();
  const double perMinute = 60.0 / seconds;
  std::printf("10 ms thread %.3f, 25 ms thread %.3f, both %.3f CPU s per minute\n", cpu10 * perMinute,
              cpu25 * perMinute, (cpu10 + cpu25) * perMinute);
  return 0;
}
