// SPDX-License-Identifier: MIT
// TMp3Source: MPEG audio layers 1 to 3 decoded from a file held in memory.
#pragma once

#include "TSource.h"

#include <cstdint>
#include <memory>
#include <vector>

struct mpg123_handle_struct;

namespace sndlib {

class TMp3Source : public TSource {
public:
  // Opens the stream and decodes its first frame; throws TError with SND_ERROR_FILE_FORMAT or
  // SND_ERROR_FILE_CORRUPT. With `scan` the whole file is walked so the length is exact.
  static std::unique_ptr<TMp3Source> Create(std::vector<uint8_t> data, bool scan);
  ~TMp3Source() override;

  int Rate() const override { return FRate; }
  size_t Read(float* out, size_t frames) override;
  bool Restart(uint32_t position) override;

  // Length in frames at Rate(): scanned, or what the file claims; 0 when nothing can be said.
  uint64_t LengthFrames() const { return FLength; }

  // The reader callbacks of the decoder work on this position in the in-memory file.
  const std::vector<uint8_t>& Data() const { return FData; }
  int64_t FPos = 0;

private:
  explicit TMp3Source(std::vector<uint8_t> data);
  std::vector<uint8_t> FData;
  mpg123_handle_struct* FHandle = nullptr;
  int FRate = 44100;
  int FChannels = 2;
  uint64_t FLength = 0;
  // Frames the decoder gave beyond what the last Read wanted, kept for the next one.
  std::vector<float> FPending;
  size_t FPendingAt = 0;
  bool FEnded = false;
};

}  // namespace sndlib
