// SPDX-License-Identifier: MIT
// TMp3Source: MPEG audio layers 1 to 3 decoded from a file held in memory.
#include "TMp3Source.h"

#include "TError.h"
#include "sndlib.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace sndlib {

static ssize_t MemRead(void* handle, void* buffer, size_t bytes) {
  auto* self = static_cast<TMp3Source*>(handle);
  const auto& data = self->Data();
  int64_t left = int64_t(data.size()) - self->FPos;
  size_t n = left <= 0 ? 0 : std::min(bytes, size_t(left));
  if (n) std::memcpy(buffer, data.data() + self->FPos, n);
  self->FPos += int64_t(n);
  return ssize_t(n);
}

static off_t MemSeek(void* handle, off_t offset, int whence) {
  auto* self = static_cast<TMp3Source*>(handle);
  int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? self->FPos : int64_t(self->Data().size());
  int64_t to = base + int64_t(offset);
  if (to < 0) return off_t(-1);
  self->FPos = to;
  return off_t(to);
}

static void InitDecoderOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

TMp3Source::TMp3Source(std::vector<uint8_t> data) : FData(std::move(data)) {}

TMp3Source::~TMp3Source() {
  if (FHandle) {
    mpg123_close(FHandle);
    mpg123_delete(FHandle);
  }
}

std::unique_ptr<TMp3Source> TMp3Source::Create(std::vector<uint8_t> data, bool scan) {
  if (data.empty()) Fail(SND_ERROR_FILE_FORMAT);
  InitDecoderOnce();
  std::unique_ptr<TMp3Source> self(new TMp3Source(std::move(data)));
  int err = MPG123_OK;
  self->FHandle = mpg123_new(nullptr, &err);
  if (!self->FHandle) Fail(err == MPG123_OUT_OF_MEM ? SND_ERROR_MEM : SND_ERROR_UNKNOWN);
  mpg123_handle* mh = self->FHandle;
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  // Every rate the decoder knows, always as float, so the mixer never converts sample formats.
  mpg123_format_none(mh);
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i) mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
  if (mpg123_replace_reader_handle(mh, MemRead, MemSeek, nullptr) != MPG123_OK) Fail(SND_ERROR_UNKNOWN);
  if (mpg123_open_handle(mh, self.get()) != MPG123_OK) Fail(SND_ERROR_FILE_FORMAT);
  // NOTE: the decoder opens, and even scans, pure garbage without complaint; only asking for the format
  // tells. A stream is therefore made only once a format is known and a first frame decodes.
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) Fail(SND_ERROR_FILE_FORMAT);
  self->FRate = int(rate);
  self->FChannels = channels;
  off_t frameNumber = 0;
  unsigned char* audio = nullptr;
  size_t bytes = 0;
  int rc = mpg123_decode_frame(mh, &frameNumber, &audio, &bytes);
  if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) Fail(SND_ERROR_FILE_CORRUPT);
  if (rc == MPG123_NEW_FORMAT) {
    rc = mpg123_decode_frame(mh, &frameNumber, &audio, &bytes);
    if (rc != MPG123_OK) Fail(SND_ERROR_FILE_CORRUPT);
  }
  // NOTE: an untagged VBR file is estimated far too short, and a truncated file's tag still claims the
  // full length; only the scan counts what is really there.
  if (scan && mpg123_scan(mh) != MPG123_OK) Fail(SND_ERROR_FILE_CORRUPT);
  off_t length = mpg123_length(mh);
  self->FLength = length > 0 ? uint64_t(length) : 0;
  if (!self->Restart(0)) Fail(SND_ERROR_FILE_CORRUPT);
  return self;
}

bool TMp3Source::Restart(uint32_t position) {
  if (position != 0) return false;
  FPending.clear();
  FPendingAt = 0;
  FEnded = false;
  return mpg123_seek(FHandle, 0, SEEK_SET) >= 0;
}

size_t TMp3Source::Read(float* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    if (FPendingAt < FPending.size()) {
      size_t n = std::min(frames - done, (FPending.size() - FPendingAt) / 2);
      std::memcpy(out + done * 2, FPending.data() + FPendingAt, n * 2 * sizeof(float));
      FPendingAt += n * 2;
      done += n;
      continue;
    }
    if (FEnded) break;
    off_t frameNumber = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    int rc = mpg123_decode_frame(FHandle, &frameNumber, &audio, &bytes);
    if (rc == MPG123_NEW_FORMAT) {
      // The format is fixed to float; a rate change inside a file would need a new resampler, so the
      // stream ends there rather than playing at the wrong speed.
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(FHandle, &rate, &channels, &encoding);
      if (rate != FRate) {
        FEnded = true;
        continue;
      }
      FChannels = channels;
      continue;
    }
    if (rc != MPG123_OK) {
      // The end, or damage the decoder cannot resync past: a truncated file plays what decoded.
      FEnded = true;
      continue;
    }
    const float* samples = reinterpret_cast<const float*>(audio);
    size_t count = bytes / sizeof(float) / size_t(FChannels);
    FPending.resize(count * 2);
    FPendingAt = 0;
    for (size_t i = 0; i < count; ++i) {
      float l = samples[i * size_t(FChannels)];
      float r = FChannels > 1 ? samples[i * size_t(FChannels) + 1] : l;
      FPending[i * 2] = l;
      FPending[i * 2 + 1] = r;
    }
  }
  return done;
}

}  // namespace sndlib
