// SPDX-License-Identifier: MIT
// TSdlOutput: the default audio output through SDL2, stereo float with a 4096-frame device buffer.
// Implements: open at a rate, start, stop, a heard position that accounts for the device's buffering.
// Not: device choice, capture, a changing device rate (SDL converts to whatever the device runs at).
#pragma once

#include "../TOutput.h"

#include <cstdint>
#include <memory>

namespace sndlib {

class TSdlOutput : public TOutput {
public:
  // Throws TError: SND_ERROR_DRIVER when no output opens.
  static std::unique_ptr<TSdlOutput> Open(TMixer& mixer, int rate);
  ~TSdlOutput() override;

  const char* Name() const override { return "SDL"; }
  void Start() override;
  void Stop() override;
  int64_t HeardFrame() const override;
  size_t LatencyFrames() const override { return FBufferFrames * 2; }

private:
  TSdlOutput(TMixer& mixer, int rate) : TOutput(mixer, rate) {}
  static void Callback(void* user, uint8_t* stream, int bytes);

  uint32_t FDevice = 0;
  size_t FBufferFrames = 4096;
};

}  // namespace sndlib
