// SPDX-License-Identifier: MIT
// TMp3Source: MPEG audio layers 1 to 3 decoded from memory or from a file as it plays.
#include "TMp3Source.h"

#include "TError.h"
#include "sndlib.h"

#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace sndlib {

namespace {

// Read ahead from a file at a time: one read for some forty frames of a 320 kbit/s stream.
constexpr size_t kAheadBytes = 64 * 1024;

ssize_t ReadCallback(void* handle, void* buffer, size_t bytes) {
  return static_cast<TMp3Source*>(handle)->ReadBytes(buffer, bytes);
}

off_t SeekCallback(void* handle, off_t offset, int whence) {
  return static_cast<TMp3Source*>(handle)->SeekBytes(offset, whence);
}

}  // namespace

TMp3Bytes::TMp3Bytes(TMp3Bytes&& other) noexcept
    : Memory(std::move(other.Memory)), File(other.File), Offset(other.Offset), Size(other.Size) {
  other.File = -1;
}

TMp3Bytes::~TMp3Bytes() {
  if (File >= 0) close(File);
}

ssize_t TMp3Source::ReadBytes(void* buffer, size_t bytes) {
  const int64_t left = int64_t(FBytes.Size) - FPos;
  const size_t n = left <= 0 ? 0 : std::min(bytes, size_t(left));
  auto* out = static_cast<uint8_t*>(buffer);
  if (FBytes.File < 0) {
    if (n) std::memcpy(out, FBytes.Memory.data() + FPos, n);
    FPos += int64_t(n);
    return ssize_t(n);
  }
  size_t done = 0;
  while (done < n) {
    if (FPos >= FAheadAt && FPos < FAheadAt + int64_t(FAheadSize)) {
      const size_t take = std::min(n - done, size_t(FAheadAt + int64_t(FAheadSize) - FPos));
      std::memcpy(out + done, FAhead.data() + (FPos - FAheadAt), take);
      done += take;
      FPos += int64_t(take);
      continue;
    }
    FAhead.resize(kAheadBytes);
    const size_t want = std::min(kAheadBytes, size_t(int64_t(FBytes.Size) - FPos));
    ssize_t got;
    do {
      got = pread(FBytes.File, FAhead.data(), want, off_t(FBytes.Offset + uint64_t(FPos)));
    } while (got < 0 && errno == EINTR);
    // A file cut short or unreadable while it plays ends the stream where its bytes end.
    if (got <= 0) break;
    FAheadAt = FPos;
    FAheadSize = size_t(got);
  }
  return ssize_t(done);
}

off_t TMp3Source::SeekBytes(off_t offset, int whence) {
  const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? FPos : int64_t(FBytes.Size);
  const int64_t to = base + int64_t(offset);
  if (to < 0) return off_t(-1);
  FPos = to;
  return off_t(to);
}

static void InitDecoderOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

TMp3Source::TMp3Source(TMp3Bytes bytes) : FBytes(std::move(bytes)) {}

TMp3Source::~TMp3Source() {
  if (FHandle) {
    mpg123_close(FHandle);
    mpg123_delete(FHandle);
  }
}

std::unique_ptr<TMp3Source> TMp3Source::Create(TMp3Bytes input, bool scan) {
  if (input.Size == 0) Fail(SND_ERROR_FILE_FORMAT);
  InitDecoderOnce();
  std::unique_ptr<TMp3Source> self(new TMp3Source(std::move(input)));
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
  if (mpg123_replace_reader_handle(mh, ReadCallback, SeekCallback, nullptr) != MPG123_OK) Fail(SND_ERROR_UNKNOWN);
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
