// SPDX-License-Identifier: MIT
// TRing: a single-producer/single-consumer ring of interleaved stereo float frames, lock-free.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace sndlib {

// The decoder thread produces and the mixing thread consumes. Frames are addressed by their absolute index
// (0 is the first frame ever committed). The consumer reads anywhere between the index it retains and the
// last frame committed, and may go back to any frame it still retains: what was mixed ahead can be mixed
// again. The producer overwrites only frames before the retained index. Both sides see contiguous regions,
// so they can decode or resample straight into or out of the ring; a region ends at the wrap point.
class TRing {
public:
  explicit TRing(size_t capacityFrames);

  size_t Capacity() const { return FCapacity; }
  // Frames ever committed.
  uint64_t Written() const { return FWritten.load(std::memory_order_acquire); }

  // Producer side: how many frames may be committed now; a writable region of at most `maxFrames`, then
  // Commit how many were filled.
  size_t Writable() const;
  float* WriteRegion(size_t maxFrames, size_t& frames);
  void Commit(size_t frames);

  // Consumer side: the frames from index `at` on, at most `maxFrames` and up to the wrap point. `at` must lie
  // in [Retained(), Written()].
  const float* ReadRegion(uint64_t at, size_t maxFrames, size_t& frames) const;
  // Frames before `from` are no longer needed and may be overwritten. Never moves backwards.
  void Retain(uint64_t from);
  uint64_t Retained() const { return FRetained.load(std::memory_order_acquire); }

private:
  size_t FCapacity;  // frames, a power of two
  size_t FMask;
  std::unique_ptr<float[]> FData;
  std::atomic<uint64_t> FWritten{0};
  std::atomic<uint64_t> FRetained{0};
};

}  // namespace sndlib
