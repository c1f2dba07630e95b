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

size_t TRing::Writable() const {
  uint64_t used = FWritten.load(std::memory_order_relaxed) - FRetained.load(std::memory_order_acquire);
  return FCapacity - size_t(used);
}

float* TRing::WriteRegion(size_t maxFrames, size_t& frames) {
  uint64_t w = FWritten.load(std::memory_order_relaxed);
  size_t at = size_t(w) & FMask;
  frames = std::min({maxFrames, Writable(), FCapacity - at});
  return FData.get() + at * 2;
}

void TRing::Commit(size_t frames) {
  assert(frames <= Writable() && "ring overfilled");
  FWritten.fetch_add(frames, std::memory_order_release);
}

const float* TRing::ReadRegion(uint64_t at, size_t maxFrames, size_t& frames) const {
  uint64_t w = FWritten.load(std::memory_order_acquire);
  assert(at >= FRetained.load(std::memory_order_relaxed) && at <= w && "ring read outside what it holds");
  size_t slot = size_t(at) & FMask;
  frames = std::min({maxFrames, size_t(w - at), FCapacity - slot});
  return FData.get() + slot * 2;
}

void TRing::Retain(uint64_t from) {
  uint64_t now = FRetained.load(std::memory_order_relaxed);
  if (from > now) FRetained.store(std::min(from, Written()), std::memory_order_release);
}

}  // namespace sndlib
