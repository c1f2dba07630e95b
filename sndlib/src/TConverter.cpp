// SPDX-License-Identifier: MIT
// TConverter: a fixed-ratio sample-rate converter over a channel's ring, primed at any input position.
#include "TConverter.h"

#include "TRing.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace sndlib {

static constexpr size_t kScratchFrames = 512;

TConverter::TConverter(double ratio) : FRatio(ratio), FScratch(new float[kScratchFrames * 2]) {
  // High quality (20-bit, linear phase): images and aliases stay more than 120 dB below the signal. A
  // fixed ratio costs half of what the library's variable-rate mode does, so a new speed gets a new
  // converter and the two are crossfaded.
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t error = nullptr;
  FSoxr = soxr_create(ratio, 1.0, 2, &error, &io, &quality, &runtime);
  if (!FSoxr || error) {
    soxr_delete(FSoxr);
    throw std::bad_alloc();
  }
}

TConverter::~TConverter() { soxr_delete(FSoxr); }

uint64_t TConverter::PreRoll(double ratio) {
  // The filter reaches about 200 input frames either side at ratios near 1, more when it decimates.
  return uint64_t(std::ceil(ratio * 512.0)) + 128;
}

uint64_t TConverter::LookAhead(double ratio) {
  // Measured on the high-quality converter from 1/256 to 10, fed as Produce feeds it, with the input
  // ending at a given frame: at most about 930 times the ratio above 1 (where it decimates in stages);
  // below, up to about 2000 frames, and where it interpolates more than twentyfold it works in long
  // blocks, up to about 215 output frames' worth per ratio (32 000 input frames at 1/250: a few seconds
  // of output at such speeds, and half the ring).
  if (ratio >= 1.0) return uint64_t(std::ceil(1280.0 * ratio)) + 512;
  return std::clamp<uint64_t>(uint64_t(std::ceil(256.0 / ratio)), 2304, 49152);
}

void TConverter::Prime(double position, uint64_t floor) {
  position = std::max(position, 0.0);
  uint64_t whole = uint64_t(std::floor(position));
  uint64_t roll = PreRoll(FRatio);
  uint64_t start = whole > roll ? whole - roll : 0;
  start = std::min(std::max(start, floor), whole);
  if (FOutputs != 0 || FFeed != 0 || FDrained) soxr_clear(FSoxr);
  FBase = start;
  FFeed = start;
  FDiscard = uint64_t(std::llround((position - double(start)) / FRatio));
  FOutputs = 0;
  FDrained = false;
}

size_t TConverter::Produce(const TRing& ring, uint64_t limit, bool end, float* out, size_t frames) {
  size_t done = 0;
  while (done < frames && !FDrained) {
    float* to = FDiscard > 0 ? FScratch.get() : out + done * 2;
    size_t room = FDiscard > 0 ? size_t(std::min<uint64_t>(FDiscard, kScratchFrames)) : frames - done;
    const float* in = nullptr;
    size_t available = 0;
    bool flush = false;
    if (FFeed < limit) {
      in = ring.ReadRegion(FFeed, size_t(std::min<uint64_t>(limit - FFeed, 1u << 16)), available);
    } else if (end) {
      flush = true;
    } else {
      break;
    }
    size_t used = 0, made = 0;
    if (soxr_process(FSoxr, flush ? nullptr : in, available, &used, to, room, &made) != nullptr) {
      FDrained = true;
      break;
    }
    FFeed += used;
    FOutputs += made;
    if (FDiscard > 0)
      FDiscard -= made;
    else
      done += made;
    if (used == 0 && made == 0) {
      if (flush) FDrained = true;
      break;
    }
  }
  return done;
}

}  // namespace sndlib
