// SPDX-License-Identifier: MIT
// TMixer: mixes every channel into the output, applying volume, pan and the master gain.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace sndlib {

class TChannel;

// Mix runs on the output's thread and never allocates, locks or blocks. Add, Remove and Quiesce belong to
// the control side, one caller at a time (the library's state lock).
class TMixer {
public:
  static constexpr size_t kMaxBlock = 4096;
  static constexpr size_t kMaxChannels = 64;

  TMixer();

  bool Add(TChannel* channel);
  // Takes the channel out and returns only once the mixing thread can no longer be using it.
  void Remove(TChannel* channel);
  // Returns once a mix that was running at the call has finished.
  void Quiesce() const;

  void Mix(float* out, size_t frames);
  // Output frames mixed so far.
  int64_t MixedFrames() const { return FMixed.load(std::memory_order_acquire); }

  void SetMasterGain(float gain) { FMasterGain.store(gain, std::memory_order_relaxed); }

private:
  std::array<std::atomic<TChannel*>, kMaxChannels> FSlots;
  // Odd while a mix runs; the control side waits for it to move on before it frees what a mix may touch.
  std::atomic<uint64_t> FGeneration{0};
  std::atomic<int64_t> FMixed{0};
  std::atomic<float> FMasterGain{1.0f};
  std::unique_ptr<float[]> FChannelBuffer;
};

}  // namespace sndlib
