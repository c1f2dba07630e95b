// SPDX-License-Identifier: MIT
// TConverter: a fixed-ratio sample-rate converter over a channel's ring, primed at any input position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct soxr;

namespace sndlib {

class TRing;

// The converter keeps its own count of where it is in the input: the next output frame is the input at
// Position(), a fractional ring index. Priming it at a position starts it a little before (so the filter
// has its history) and drops what it produces until it is there; the position it lands on is within half
// an output frame of the one asked for. Mixing thread only.
class TConverter {
public:
  // `ratio`: input frames per output frame. Throws std::bad_alloc when the converter cannot be made.
  explicit TConverter(double ratio);
  ~TConverter();
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  double Ratio() const { return FRatio; }
  // Input frames before a position that priming reads, so that the first frame out is exact.
  static uint64_t PreRoll(double ratio);
  // Input frames beyond a position that the converter takes in before it gives out the frame there: its
  // filter's reach and the blocks it works in. Mixing less input ahead than this leaves the output short.
  static uint64_t LookAhead(double ratio);

  // Starts over at input `position`; nothing before `floor` is read (the ring no longer has it).
  void Prime(double position, uint64_t floor);
  // Up to `frames` output frames from the ring's frames [Feed(), limit); with `end`, the input ends at
  // `limit` and the converter's tail is let out. Returns the frames made; fewer when the input ran short.
  size_t Produce(const TRing& ring, uint64_t limit, bool end, float* out, size_t frames);

  double Position() const { return double(FBase) + double(FOutputs) * FRatio; }
  uint64_t Feed() const { return FFeed; }
  // True once the tail after the end of the input has been let out completely.
  bool Drained() const { return FDrained; }

private:
  soxr* FSoxr = nullptr;
  double FRatio;
  uint64_t FBase = 0;     // input index the converter was started at
  uint64_t FOutputs = 0;  // output frames made since then, including those dropped while priming
  uint64_t FDiscard = 0;  // output frames still to drop
  uint64_t FFeed = 0;     // next input frame to hand it
  bool FDrained = false;
  std::unique_ptr<float[]> FScratch;
};

}  // namespace sndlib
