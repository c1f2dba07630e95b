// SPDX-License-Identifier: MIT
// TSource: a decoder that turns a file held in memory into interleaved stereo float frames.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sndlib {

// Sources run on the decoder thread only, under their channel's decode lock; they may allocate.
class TSource {
public:
  virtual ~TSource() = default;
  // Frames per second of what Read produces.
  virtual int Rate() const = 0;
  // Decodes up to `frames` stereo frames into `out`; returns how many, 0 only at the end.
  virtual size_t Read(float* out, size_t frames) = 0;
  // Back to the start (or, for a module, to an order position). False when the position does not exist.
  virtual bool Restart(uint32_t position) = 0;
};

}  // namespace sndlib
