// SPDX-License-Identifier: MIT
// TMp3Source: MPEG audio layers 1 to 3 decoded from memory or from a file as it plays.
#pragma once

#include "TSource.h"

#include <cstdint>
#include <memory>
#include <sys/types.h>
#include <vector>

struct mpg123_handle_struct;

namespace sndlib {

// The bytes of a stream: a copy of memory the caller gave, or part of an open file, read as the
// stream plays so that a long file costs no more memory than a short one.
struct TMp3Bytes {
  TMp3Bytes() = default;
  explicit TMp3Bytes(std::vector<uint8_t> memory) : Memory(std::move(memory)), Size(Memory.size()) {}
  TMp3Bytes(int file, uint64_t offset, uint64_t size) : File(file), Offset(offset), Size(size) {}
  TMp3Bytes(TMp3Bytes&& other) noexcept;
  TMp3Bytes& operator=(TMp3Bytes&&) = delete;
  ~TMp3Bytes();

  std::vector<uint8_t> Memory;  // when File is -1
  int File = -1;                // owned
  uint64_t Offset = 0;          // where the stream starts in File
  uint64_t Size = 0;
};

class TMp3Source : public TSource {
public:
  // Opens the stream and decodes its first frame; throws TError with SND_ERROR_FILE_FORMAT or
  // SND_ERROR_FILE_CORRUPT. With `scan` the whole file is walked so the length is exact.
  static std::unique_ptr<TMp3Source> Create(TMp3Bytes bytes, bool scan);
  ~TMp3Source() override;

  int Rate() const override { return FRate; }
  size_t Read(float* out, size_t frames) override;
  bool Restart(uint32_t position) override;

  // Length in frames at Rate(): scanned, or what the file claims; 0 when nothing can be said.
  uint64_t LengthFrames() const { return FLength; }

  // The decoder's reader: plain reads and seeks in the stream's bytes.
  ssize_t ReadBytes(void* buffer, size_t bytes);
  off_t SeekBytes(off_t offset, int whence);

private:
  explicit TMp3Source(TMp3Bytes bytes);
  TMp3Bytes FBytes;
  int64_t FPos = 0;
  // Of a file: the bytes read ahead (the decoder asks for a few hundred at a time) and where they start.
  std::vector<uint8_t> FAhead;
  size_t FAheadSize = 0;
  int64_t FAheadAt = 0;
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
