// SPDX-License-Identifier: MIT
// TChannel: one module or stream: its decoder, the ring the decoder fills, speed, volume, pan and history.
#pragma once

#include "TRing.h"
#include "TSource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

struct SRC_STATE_tag;

namespace sndlib {

enum class TChannelKind { Module, Stream };

enum class TChannelState : int { Stopped, Playing, Paused, Ended };

// Three threads meet here. The control side (entry points) changes state and attributes through atomics
// and reaches the source only under FDecodeLock; the decoder thread fills the ring under the same lock;
// the mixing thread renders from the ring and writes the history, lock-free. Anything that touches the
// ring's consumer side or the resampler from the control side first halts the channel and quiesces the mixer.
class TChannel {
public:
  TChannel(uint32_t handle, TChannelKind kind, std::unique_ptr<TSource> source, int outputRate, size_t historyFrames);
  ~TChannel();
  TChannel(const TChannel&) = delete;
  TChannel& operator=(const TChannel&) = delete;

  uint32_t Handle() const { return FHandle; }
  TChannelKind Kind() const { return FKind; }
  TSource& Source() { return *FSource; }
  std::mutex& DecodeLock() { return FDecodeLock; }

  TChannelState State() const { return TChannelState(FState.load(std::memory_order_acquire)); }
  void SetState(TChannelState state) { FState.store(int(state), std::memory_order_release); }

  // Speed as a frequency relative to 44100 Hz; volume 0..1; pan -1..1.
  void SetFrequency(int freq) { FFrequency.store(freq, std::memory_order_relaxed); }
  int Frequency() const { return FFrequency.load(std::memory_order_relaxed); }
  void SetVolume(float volume) { FVolume.store(volume, std::memory_order_relaxed); }
  float Volume() const { return FVolume.load(std::memory_order_relaxed); }
  void SetPan(float pan) { FPan.store(pan, std::memory_order_relaxed); }
  float Pan() const { return FPan.load(std::memory_order_relaxed); }

  // Decoder thread, under DecodeLock: tops the ring up. Returns true when it decoded anything.
  bool Fill();
  // Control side, under DecodeLock, with the channel halted and the mixer quiesced: back to `position`.
  bool Rewind(uint32_t position);
  bool DecodeEnded() const { return FDecodeEnded.load(std::memory_order_acquire); }
  size_t Buffered() const { return FRing.Readable(); }
  size_t RingCapacity() const { return FRing.Capacity(); }

  // Mixing thread: `frames` stereo frames of the channel before volume and pan (silence when not playing).
  void Render(float* out, size_t frames);
  // Mixing thread: store what the channel sounded like (after volume and pan) for output frames
  // [first, first + frames).
  void WriteHistory(int64_t first, const float* stereo, size_t frames);
  // Any thread: the `frames` stereo frames ending before output frame `end`, silence where none was
  // recorded or it was overwritten already.
  void ReadHistory(int64_t end, size_t frames, float* stereo) const;
  // Any thread: the peak absolute sample of each side over the same span, from per-chunk peaks the mixer
  // keeps, so a level costs a few dozen reads rather than a thousand.
  void PeakOfHistory(int64_t end, size_t frames, float* peak) const;

  // Source frames the mixer has taken so far since the last rewind.
  uint64_t Consumed() const { return FConsumed.load(std::memory_order_acquire); }

  // Fixed facts found at load, in bytes of the 44100 Hz 16-bit stereo reference format.
  uint64_t FLengthBytes = 0;
  bool FHasLength = false;
  uint32_t FOrderCount = 0;
  uint32_t FLoadFlags = 0;

private:
  uint32_t FHandle;
  TChannelKind FKind;
  std::unique_ptr<TSource> FSource;
  std::mutex FDecodeLock;
  TRing FRing;
  std::unique_ptr<float[]> FDecodeScratch;
  std::atomic<bool> FDecodeEnded{false};
  std::atomic<int> FState{int(TChannelState::Stopped)};
  std::atomic<int> FFrequency{44100};
  std::atomic<float> FVolume{1.0f};
  std::atomic<float> FPan{0.0f};
  std::atomic<uint64_t> FConsumed{0};
  int FOutputRate;
  // Mixing-thread state: the resampler is used only once the speed first leaves the true rate, and then
  // stays in use until the next rewind, so its filter history never jumps.
  SRC_STATE_tag* FResampler = nullptr;
  bool FResampling = false;
  // History of what was mixed, indexed by output frame; atomics because readers on other threads copy
  // it while the mixer writes further on.
  size_t FHistoryFrames;
  std::unique_ptr<std::atomic<float>[]> FHistory;
  static constexpr size_t kPeakChunk = 64;
  std::unique_ptr<std::atomic<float>[]> FPeaks;
  std::atomic<int64_t> FHistoryBegin{-1};
  std::atomic<int64_t> FHistoryEnd{-1};
};

}  // namespace sndlib
