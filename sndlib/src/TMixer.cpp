// SPDX-License-Identifier: MIT
// TMixer: mixes every channel into the output, block by block, applying volume, pan and the master gain.
#include "TMixer.h"

#include "TChannel.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <thread>

namespace sndlib {

TMixer::TMixer()
    : FBlock(new float[kBlock * 2]()),
      FChannelBuffer(new float[kBlock * 2]),
      FCheckpoints(new TCheckpoint[kCheckpoints]) {
  for (auto& slot : FSlots) slot.store(nullptr);
}

bool TMixer::Add(TChannel* channel) {
  for (auto& slot : FSlots) {
    TChannel* empty = nullptr;
    if (slot.compare_exchange_strong(empty, channel)) return true;
  }
  return false;
}

void TMixer::Remove(TChannel* channel) {
  for (auto& slot : FSlots) {
    TChannel* expected = channel;
    slot.compare_exchange_strong(expected, nullptr);
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
  size_t done = 0;
  while (done < frames) {
    if (FPending > 0) {
      size_t n = std::min(FPending, frames - done);
      std::memcpy(out + done * 2, FBlock.get() + (kBlock - FPending) * 2, n * 2 * sizeof(float));
      FPending -= n;
      done += n;
    } else if (frames - done >= kBlock) {
      RenderBlock(out + done * 2);
      done += kBlock;
    } else {
      RenderBlock(FBlock.get());
      FPending = kBlock;
    }
    FMixed.store(FRendered - int64_t(FPending), std::memory_order_release);
  }
  FGeneration.fetch_add(1);
}

void TMixer::RenderBlock(float* out) {
  int64_t first = FRendered;
  TCheckpoint& checkpoint = FCheckpoints[size_t(first / int64_t(kBlock)) & (kCheckpoints - 1)];
  checkpoint = {first, FGain, FOpen};
  bool open = FGateWanted.load(std::memory_order_acquire);
  float master = FMasterWanted.load(std::memory_order_relaxed);
  bool frozen = !FOpen && !open;
  std::fill(out, out + kBlock * 2, 0.0f);
  float* buffer = FChannelBuffer.get();
  for (auto& slot : FSlots) {
    TChannel* channel = slot.load(std::memory_order_acquire);
    if (!channel) continue;
    channel->RenderBlock(first, frozen, buffer);
    for (size_t i = 0; i < kBlock * 2; ++i) out[i] += buffer[i];
  }
  float gain = open ? master : 0.0f;
  if (gain == FGain) {
    for (size_t i = 0; i < kBlock * 2; ++i) out[i] *= gain;
  } else {
    for (size_t i = 0; i < kBlock; ++i) {
      float g = FGain + (gain - FGain) * (float(i) + 1.0f) / float(kBlock);
      out[i * 2] *= g;
      out[i * 2 + 1] *= g;
    }
  }
  FGain = gain;
  FOpen = open;
  FRendered = first + int64_t(kBlock);
  Housekeep();
}

void TMixer::Housekeep() {
  int64_t earliest = FRewinding ? std::min(std::max(FEarliest, int64_t(0)), FRendered) : FRendered;
  for (auto& slot : FSlots) {
    TChannel* channel = slot.load(std::memory_order_acquire);
    if (!channel) continue;
    channel->ReleaseBefore(earliest, FRendered);
    if (channel->Retirable(earliest)) {
      TChannel* expected = channel;
      if (slot.compare_exchange_strong(expected, nullptr)) channel->SetRetired();
    }
  }
}

void TMixer::SetEarliestRewind(int64_t frame) {
  FRewinding = true;
  FEarliest = std::max(FEarliest, frame);
}

bool TMixer::RewindTo(int64_t frame) {
  if (frame % int64_t(kBlock) != 0 || frame > FRendered || FPending != 0) return false;
  if (frame == FRendered) return true;
  if (frame < FEarliest / int64_t(kBlock) * int64_t(kBlock)) return false;
  const TCheckpoint& checkpoint = FCheckpoints[size_t(frame / int64_t(kBlock)) & (kCheckpoints - 1)];
  if (checkpoint.First != frame) return false;
  FGeneration.fetch_add(1);
  FGain = checkpoint.Gain;
  FOpen = checkpoint.Open;
  for (auto& slot : FSlots) {
    TChannel* channel = slot.load(std::memory_order_acquire);
    if (channel) channel->RestoreCheckpoint(frame);
  }
  FRendered = frame;
  FMixed.store(frame, std::memory_order_release);
  FGeneration.fetch_add(1);
  return true;
}

void TMixer::JumpTo(int64_t frame) {
  if (frame <= FRendered || FPending != 0) return;
  FRendered = frame / int64_t(kBlock) * int64_t(kBlock);
  FMixed.store(FRendered, std::memory_order_release);
}

bool TMixer::MaySound() const {
  bool open = FGateWanted.load(std::memory_order_acquire);
  if (!FOpen && !open) return false;
  if (FOpen && !open) return true;
  for (auto& slot : FSlots) {
    TChannel* channel = slot.load(std::memory_order_acquire);
    if (channel && channel->MaySound()) return true;
  }
  return false;
}

size_t TMixer::RenderableFrames() const {
  size_t frames = std::numeric_limits<size_t>::max();
  if (!FOpen && !FGateWanted.load(std::memory_order_acquire)) return frames;
  for (auto& slot : FSlots) {
    TChannel* channel = slot.load(std::memory_order_acquire);
    if (channel) frames = std::min(frames, channel->RenderableFrames());
  }
  return frames;
}

}  // namespace sndlib
