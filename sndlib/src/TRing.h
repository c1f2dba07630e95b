// SPDX-License-Identifier: MIT
// TRing: a single-producer/single-consumer ring of interleaved stereo float frames, lock-free.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace sndlib {

// The decoder thread produces and the mixing thread consumes. Both sides see contiguous regions so they can
// decode or resample straight into or out of the ring; a region ends at the wrap point, so a caller loops.
class TRing {
public:
  explicit TRing(size_t capacityFrames);

  size_t Capacity() const { return FCapacity; }
  size_t Readable() const;
  size_t Writable() const;

  // Producer side: a writable region of at most `maxFrames`, then Commit how many were filled.
  float* WriteRegion(size_t maxFrames, size_t& frames);
  void Commit(size_t frames);

  // Consumer side: a readable region of at most `maxFrames`, then Release how many were used.
  const float* ReadRegion(size_t maxFrames, size_t& frames);
  void Release(size_t frames);

  // Empties the ring. Only while neither side is active (the channel is halted and the mixer quiesced).
  void Reset();

private:
  size_t FCapacity;  // frames, a power of two
  size_t FMask;
  std::unique_ptr<float[]> FData;
  std::atomic<uint64_t> FWritten{0};  // frames ever committed
  std::atomic<uint64_t> FRead{0};     // frames ever released
};

}  // namespace sndlib
