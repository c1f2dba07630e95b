// SPDX-License-Identifier: MIT
// TChannel: one module or stream: its decoder, the ring the decoder fills, speed, volume, pan and history.
#pragma once

#include "TConverter.h"
#include "TRing.h"
#include "TSource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace sndlib {

enum class TChannelKind { Module, Stream };

enum class TChannelState : int { Stopped, Playing, Paused, Ended };

// Three threads meet here. The control side (entry points) sets the wanted state and attributes through
// atomics and reaches the source only under FDecodeLock; the decoder thread fills the ring under the same
// lock; the mixing thread renders from the ring, lock-free, one block of TMixer::kBlock frames at a time.
//
// What the mixing thread rendered is a timeline of blocks: before each block it notes where the channel
// was (a checkpoint), so an output that mixes far ahead can go back to any recent block and mix again from
// there when something changes. Every change of what is heard (play, pause, stop, volume, pan, speed, a
// restart, the end of a free) takes effect at a block's start and is ramped over that block, so nothing
// ever cuts the waveform.
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
  // Control side, under DecodeLock: back to `position` of the source. The mixing thread moves over to the
  // new start at its next block (ramping the old sound out and the new one in). False when the position
  // does not exist.
  bool Rewind(uint32_t position);
  bool DecodeEnded() const { return FDecodeEnded.load(std::memory_order_acquire); }
  size_t RingCapacity() const { return FRing.Capacity(); }

  // Control side: the channel's handle is dead; the mixer ramps it out and then lets it go (Retired()).
  void MarkFreed() { FFreed.store(true, std::memory_order_release); }
  bool Freed() const { return FFreed.load(std::memory_order_acquire); }
  bool Retired() const { return FRetired.load(std::memory_order_acquire); }
  // True once the mixer has rendered the channel audible at least once.
  bool EverAudible() const { return FEverAudible.load(std::memory_order_acquire); }
  // Never started over and never heard: the ring holds the source from its start, as a rewind to 0 would.
  bool Untouched() const;

  // Mixing thread: one block of kBlock frames starting at output frame `first`, after the channel's volume
  // and pan, ramped from how the previous block ended. `frozen`: the output is halted; the channel does
  // not move and sounds silent. Writes the history and the checkpoint of the block.
  void RenderBlock(int64_t first, bool frozen, float* out);
  // Mixing thread: back to the checkpoint of the block starting at `first`; false when it is not kept, in
  // which case the channel starts over as if just added. The block rendered next is crossfaded from what
  // was heard of it before, so a different rendering meets the old one without a step.
  void RestoreCheckpoint(int64_t first);
  // Mixing thread: the output will never go back before `frame` (and has rendered up to `rendered`); ring
  // data no block from there on needs may go.
  void ReleaseBefore(int64_t frame, int64_t rendered);
  // Mixing thread: whether the next block could sound, and how many frames can be rendered before the
  // decoder must deliver more (unlimited when the channel is silent or its source has ended).
  bool MaySound() const;
  size_t RenderableFrames() const;
  // Mixing thread: a freed channel that is silent in every block an output may still go back to.
  bool Retirable(int64_t earliest) const;
  void SetRetired() { FRetired.store(true, std::memory_order_release); }

  // Any thread: store/read what the channel sounded like (after volume and pan) at output frames; silence
  // where none was recorded or it was overwritten already.
  void ReadHistory(int64_t end, size_t frames, float* stereo) const;
  // Any thread: the peak absolute sample of each side over the same span, from per-chunk peaks the mixer
  // keeps, so a level costs a few dozen reads rather than a thousand.
  void PeakOfHistory(int64_t end, size_t frames, float* peak) const;

  // Source frames the mixer has taken so far since the last rewind (where the channel is in its source).
  uint64_t Consumed() const { return FConsumed.load(std::memory_order_acquire); }

  // Fixed facts found at load, in bytes of the 44100 Hz 16-bit stereo reference format.
  uint64_t FLengthBytes = 0;
  bool FHasLength = false;
  uint32_t FOrderCount = 0;
  uint32_t FLoadFlags = 0;

private:
  // Where the channel stands between two blocks; a checkpoint is a copy of it.
  struct TVoice {
    uint64_t Generation = 0;        // which start of the source (Rewind) this renders
    uint64_t Start = 0;             // ring index where that start's frames begin
    uint64_t Limit = ~uint64_t(0);  // ring index where they end (the next start's frames follow)
    double Ratio = 1.0;             // input frames per output frame; 1 reads the ring as it is
    uint64_t Read = 0;              // without conversion: next ring index to read
    double Position = 0.0;          // with conversion: input position of the next output frame
    bool On = false;                // audible at the end of the last block
    bool Ended = false;             // the source ran out in this timeline
    float GainL = 0.0f, GainR = 0.0f;
    int64_t SilentSince = 0;  // output frame from which it has been silent, -1 while audible
  };
  struct TCheckpoint {
    int64_t First = -1;
    TVoice Voice;
  };

  double WantedRatio() const;
  double InputPosition(const TVoice& voice) const;
  // Source frames of `voice` converted at its ratio, through `converter` when it converts.
  size_t Produce(TVoice& voice, std::unique_ptr<TConverter>& converter, bool& primed, float* out, size_t frames);
  // Moves `voice` to a new ratio at the input position it has reached; a converter is primed there on use.
  void Reprime(TVoice& voice, double ratio);
  // At a new start of the source (a new generation), begins the new voice at `first`; when the old
  // one was heard, renders its ramp out into `old` (one block) and returns true.
  bool RestartOnNewGeneration(int64_t first, float* old);
  // Renders one block of the voice into `out` at the resampling `ratio`; a change of ratio while
  // heard (`wasOn`) crossfades from the old converter, rendered into `scratch`.
  void ProduceAtSpeed(double ratio, bool wasOn, float* scratch, float* out);
  void WriteHistory(int64_t first, const float* stereo, size_t frames);

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
  std::atomic<bool> FFreed{false};
  std::atomic<bool> FRetired{false};
  std::atomic<bool> FEverAudible{false};
  // Written by Rewind: the newest start of the source and the ring index its frames begin at.
  std::atomic<uint64_t> FGeneration{0};
  std::atomic<uint64_t> FGenerationStart{0};
  int FOutputRate;

  // Mixing-thread state.
  TVoice FVoice;
  std::unique_ptr<TConverter> FConverter;  // converts FVoice when its ratio is not 1
  bool FConverterPrimed = false;
  std::unique_ptr<TConverter> FSpare;  // the other voice of a crossfade
  std::unique_ptr<float[]> FWork;      // three blocks: the other voice, the block heard before, scratch
  bool FCrossfade = false;             // the next block is crossfaded from FWork's old block
  std::unique_ptr<TCheckpoint[]> FCheckpoints;

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
