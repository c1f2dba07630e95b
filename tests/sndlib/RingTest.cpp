// SPDX-License-Identifier: MIT
// The lock-free ring between decoder and mixer: its full and empty edges, going back, then two threads at once.
#include "TRing.h"

#include <gtest/gtest.h>

#include <thread>

using sndlib::TRing;

namespace {

size_t Put(TRing& ring, size_t frames, float& next) {
  size_t done = 0;
  while (done < frames) {
    size_t n = 0;
    float* to = ring.WriteRegion(frames - done, n);
    if (n == 0) break;
    for (size_t i = 0; i < n * 2; ++i) to[i] = next++;
    ring.Commit(n);
    done += n;
  }
  return done;
}

}  // namespace

TEST(Ring, fills_to_capacity_exactly_and_wraps_in_two_regions) {
  TRing ring(8);
  float next = 0;
  EXPECT_EQ(Put(ring, 100, next), 8u);
  EXPECT_EQ(ring.Writable(), 0u);
  size_t n = 0;
  const float* from = ring.ReadRegion(0, 5, n);
  ASSERT_EQ(n, 5u);
  EXPECT_EQ(from[0], 0.0f);
  // Read is not enough: only what the reader lets go of may be written over.
  EXPECT_EQ(ring.Writable(), 0u);
  ring.Retain(5);
  // Five frames free from the start of the storage; the reader then sees them after the three before the wrap.
  ring.WriteRegion(100, n);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(Put(ring, 100, next), 5u);
  from = ring.ReadRegion(5, 100, n);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(from[0], 10.0f);
  from = ring.ReadRegion(8, 100, n);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(from[0], 16.0f);
  from = ring.ReadRegion(13, 100, n);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(ring.Written(), 13u);
}

TEST(Ring, the_reader_goes_back_over_what_it_retains_and_retaining_never_moves_back) {
  TRing ring(16);
  float next = 0;
  Put(ring, 16, next);
  size_t n = 0;
  ring.Retain(10);
  EXPECT_EQ(ring.Writable(), 10u);
  // Frames 10 to 15 are still there, read as often as wanted.
  EXPECT_EQ(ring.ReadRegion(10, 100, n)[0], 20.0f);
  EXPECT_EQ(n, 6u);
  Put(ring, 4, next);
  EXPECT_EQ(ring.ReadRegion(12, 100, n)[0], 24.0f);
  ring.Retain(3);
  EXPECT_EQ(ring.Retained(), 10u);
  // Never beyond what was written.
  ring.Retain(1000);
  EXPECT_EQ(ring.Retained(), 20u);
  EXPECT_EQ(ring.Writable(), 16u);
}

TEST(Ring, two_threads_pass_every_frame_once_and_in_order) {
  TRing ring(64);
  constexpr size_t kFrames = 50000;
  std::thread producer([&] {
    float next = 0;
    size_t sent = 0;
    while (sent < kFrames) sent += Put(ring, std::min<size_t>(37, kFrames - sent), next);
  });
  float expected = 0;
  uint64_t received = 0;
  bool inOrder = true;
  while (received < kFrames) {
    size_t n = 0;
    const float* from = ring.ReadRegion(received, 29, n);
    for (size_t i = 0; i < n * 2; ++i) inOrder = inOrder && from[i] == expected++;
    received += n;
    ring.Retain(received);
  }
  producer.join();
  EXPECT_TRUE(inOrder);
}
