// SPDX-License-Identifier: MIT
// TModuleSource: tracker modules of every format the module decoder reads, rendered at the output rate.
#pragma once

#include "TSource.h"

#include <cstdint>
#include <memory>
#include <vector>

struct openmpt_module;

namespace sndlib {

class TModuleSource : public TSource {
public:
  // Parses the module; throws TError with SND_ERROR_FILE_FORMAT or SND_ERROR_FILE_CORRUPT.
  static std::unique_ptr<TModuleSource> Create(std::vector<uint8_t> data, int rate, bool ramping);
  ~TModuleSource() override;

  int Rate() const override { return FRate; }
  size_t Read(float* out, size_t frames) override;
  bool Restart(uint32_t position) override;

  void SetRamping(bool ramping);
  uint32_t OrderCount() const;
  // One pass of the song, in seconds, as the decoder computes it.
  double DurationSeconds() const;

private:
  TModuleSource(std::vector<uint8_t> data, openmpt_module* module, int rate, bool ramping);
  std::vector<uint8_t> FData;
  openmpt_module* FModule;
  int FRate;
  bool FRamping;
};

}  // namespace sndlib
