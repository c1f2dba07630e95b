// SPDX-License-Identifier: MIT
// TRing: a single-producer/single-consumer ring of interleaved stereo float frames, lock-free.
#include "TRing.h"

#include <algorithm>
#include <cassert>

namespace sndlib {

static size_t NextPowerOfTwo(size_t n) {
  size_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

TRing::TRing(size_t capacityFrames)
    : FCapacity(NextPowerOfTwo(std::max<size_t>(capacityFrames, 2))),
      FMask(FCapacity - 1),
      FData(new float[FCapacity * 2]()) {}

size_t TRing::Readable() const {
  return size_t(FWritten.load(std::memory_order_acquire) - FRead.load(std::memory_order_acquire));
}

size_t TRing::Writable() const { return FCapacity - Readable(); }

float* TRing::WriteRegion(size_t maxFrames, size_t& frames) {
  uint64_t w = FWritten.load(std::memory_order_relaxed);
  uint64_t r = FRead.load(std::memory_order_acquire);
  size_t free = FCapacity - size_t(w - r);
  size_t at = size_t(w) & FMask;
  frames = std::min({maxFrames, free, FCapacity - at});
  return FData.get() + at * 2;
}

void TRing::Commit(size_t frames) {
  assert(frames <= Writable() && "ring overfilled");
  FWritten.fetch_add(frames, std::memory_order_release);
}

const float* TRing::ReadRegion(size_t maxFrames, size_t& frames) {
  uint64_t r = FRead.load(std::memory_order_relaxed);
  uint64_t w = FWritten.load(std::memory_order_acquire);
  size_t avail = size_t(w - r);
  size_t at = size_t(r) & FMask;
  frames = std::min({maxFrames, avail, FCapacity - at});
  return FData.get() + at * 2;
}

void TRing::Release(size_t frames) {
  assert(frames <= Readable() && "ring over-read");
  FRead.fetch_add(frames, std::memory_order_release);
}

void TRing::Reset() { FRead.store(FWritten.load(std::memory_order_acquire), std::memory_order_release); }

}  // namespace sndlib
