// SPDX-License-Identifier: MIT
// TMixer: mixes every channel into the output, applying volume, pan and the master gain.
#include "TMixer.h"

#include "TChannel.h"

#include <algorithm>
#include <thread>

namespace sndlib {

TMixer::TMixer() : FChannelBuffer(new float[kMaxBlock * 2]) {
  for (auto& slot : FSlots) slot.store(nullptr);
}

bool TMixer::Add(TChannel* channel) {
  for (auto& slot : FSlots) {
    if (slot.load() == nullptr) {
      slot.store(channel);
      return true;
    }
  }
  return false;
}

void TMixer::Remove(TChannel* channel) {
  for (auto& slot : FSlots) {
    if (slot.load() == channel) slot.store(nullptr);
  }
  Quiesce();
}

void TMixer::Quiesce() const {
  uint64_t generation = FGeneration.load();
  if ((generation & 1) == 0) return;
  while (FGeneration.load() == generation) std::this_thread::yield();
}

void TMixer::Mix(float* out, size_t frames) {
  FGeneration.fetch_add(1);
  float master = FMasterGain.load(std::memory_order_relaxed);
  float* buffer = FChannelBuffer.get();
  for (size_t at = 0; at < frames;) {
    size_t n = std::min(kMaxBlock, frames - at);
    float* mix = out + at * 2;
    std::fill(mix, mix + n * 2, 0.0f);
    int64_t first = FMixed.load(std::memory_order_relaxed);
    for (auto& slot : FSlots) {
      TChannel* channel = slot.load();
      if (!channel) continue;
      channel->Render(buffer, n);
      float volume = channel->Volume();
      float pan = channel->Pan();
      float left = volume * std::min(1.0f, 1.0f - pan);
      float right = volume * std::min(1.0f, 1.0f + pan);
      for (size_t i = 0; i < n; ++i) {
        buffer[i * 2] *= left;
        buffer[i * 2 + 1] *= right;
        mix[i * 2] += buffer[i * 2];
        mix[i * 2 + 1] += buffer[i * 2 + 1];
      }
      channel->WriteHistory(first, buffer, n);
    }
    for (size_t i = 0; i < n * 2; ++i) mix[i] *= master;
    FMixed.store(first + int64_t(n), std::memory_order_release);
    at += n;
  }
  FGeneration.fetch_add(1);
}

}  // namespace sndlib
