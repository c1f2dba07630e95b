// SPDX-License-Identifier: MIT
// TMixer: mixes every channel into the output, block by block, applying volume, pan and the master gain.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace sndlib {

class TChannel;

// Mix runs on the output's thread and never locks or blocks; it allocates only when a channel's speed
// changes (a new converter). Add, Remove and Quiesce belong to the control side, one caller at a time (the
// library's lock).
//
// Sound is made in blocks of kBlock frames. Every change is taken up at the start of a block and ramped
// over it: channels starting, stopping and changing volume, pan or speed, the master gain, and the gate
// that halts the whole output (snd_stop). An output that mixes far ahead of what is heard can go back to
// any block it has not played yet (RewindTo) and mix again from there, so changes are heard at once.
class TMixer {
public:
  static constexpr size_t kBlock = 256;
  static constexpr size_t kMaxChannels = 64;

  TMixer();

  bool Add(TChannel* channel);
  // Takes the channel out and returns only once the mixing thread can no longer be using it.
  void Remove(TChannel* channel);
  // Returns once a mix that was running at the call has finished.
  void Quiesce() const;

  // Mixes `frames` stereo frames into `out`. Any count: whole blocks are made and handed out in parts.
  void Mix(float* out, size_t frames);
  // Output frames handed out so far.
  int64_t MixedFrames() const { return FMixed.load(std::memory_order_acquire); }

  // For outputs that go back. Mixing thread only.
  // From now on the output never goes back before `frame` (by default it never goes back at all).
  void SetEarliestRewind(int64_t frame);
  // The output no longer goes back (another output took over).
  void StopRewinding() { FRewinding = false; }
  // Back to block start `frame` (a multiple of kBlock, not before the earliest, not after what was handed
  // out, with nothing handed out in parts); false, changing nothing, when that is not possible.
  bool RewindTo(int64_t frame);
  // Lets channels give up what no rewind will read again, as rendering a block does; for an output that
  // cannot render because a decoder waits for room.
  void Housekeep();
  // On to block start `frame` without rendering what lies between (silence for an output that was idle);
  // nothing may be handed out in parts.
  void JumpTo(int64_t frame);
  // Whether the next block could sound at all (else an output may stop asking for more).
  bool MaySound() const;
  // Frames that can be mixed before some channel's decoder must deliver more.
  size_t RenderableFrames() const;

  // Control side: master gain (linear) and the gate (false halts the output: silent, no channel moves).
  void SetMasterGain(float gain) { FMasterWanted.store(gain, std::memory_order_relaxed); }
  void SetGate(bool open) { FGateWanted.store(open, std::memory_order_release); }
  bool GateWanted() const { return FGateWanted.load(std::memory_order_acquire); }

private:
  void RenderBlock(float* out);

  struct TCheckpoint {
    int64_t First = -1;
    float Gain = 1.0f;
    bool Open = true;
  };
  static constexpr size_t kCheckpoints = 1024;

  std::array<std::atomic<TChannel*>, kMaxChannels> FSlots;
  // Odd while a mix runs; the control side waits for it to move on before it frees what a mix may touch.
  std::atomic<uint64_t> FGeneration{0};
  std::atomic<int64_t> FMixed{0};
  std::atomic<float> FMasterWanted{1.0f};
  std::atomic<bool> FGateWanted{true};

  // Mixing-thread state.
  int64_t FRendered = 0;  // frames rendered, handed out or not
  size_t FPending = 0;    // frames of FBlock not handed out yet
  float FGain = 1.0f;     // output gain at the end of the last block (master, or 0 behind a closed gate)
  bool FOpen = true;      // gate at the end of the last block
  bool FRewinding = false;
  int64_t FEarliest = 0;
  std::unique_ptr<float[]> FBlock;
  std::unique_ptr<float[]> FChannelBuffer;
  std::unique_ptr<TCheckpoint[]> FCheckpoints;
};

}  // namespace sndlib
