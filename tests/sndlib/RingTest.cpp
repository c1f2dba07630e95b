// SPDX-License-Identifier: MIT
// The lock-free ring between decoder and mixer: its full and empty edges, then two threads at once.
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
  const float* from = ring.ReadRegion(5, n);
  ASSERT_EQ(n, 5u);
  EXPECT_EQ(from[0], 0.0f);
  ring.Release(5);
  // Five frames free from the start of the storage; the reader then sees them after the three before the wrap.
  ring.WriteRegion(100, n);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(Put(ring, 100, next), 5u);
  from = ring.ReadRegion(100, n);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(from[0], 10.0f);
  ring.Release(3);
  from = ring.ReadRegion(100, n);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(from[0], 16.0f);
  ring.Release(5);
  EXPECT_EQ(ring.Readable(), 0u);
  from = ring.ReadRegion(100, n);
  EXPECT_EQ(n, 0u);
}

TEST(Ring, reset_empties_it) {
  TRing ring(16);
  float next = 0;
  Put(ring, 10, next);
  ring.Reset();
  EXPECT_EQ(ring.Readable(), 0u);
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
  size_t received = 0;
  bool inOrder = true;
  while (received < kFrames) {
    size_t n = 0;
    const float* from = ring.ReadRegion(29, n);
    for (size_t i = 0; i < n * 2; ++i) inOrder = inOrder && from[i] == expected++;
    ring.Release(n);
    received += n;
  }
  producer.join();
  EXPECT_TRUE(inOrder);
}
