// SPDX-License-Identifier: MIT
// The library's C entry points: argument checks, the library lock, and errors turned into codes.
#include "sndlib.h"

#include "TAnalyser.h"
#include "TError.h"
#include "TModuleSource.h"
#include "TMp3Source.h"
#include "TSoundSystem.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace sndlib {

// NOTE: the alignment makes every thread's block of this library's thread-local storage start on a
// 64-byte boundary. The leak checker of the sanitizer builds misreads a block that starts 16 bytes past
// a page boundary and crashes at the program's end; an aligned block never does.
alignas(64) static thread_local int32_t tLastError = SND_OK;

void SetLastError(int32_t code) { tLastError = code; }
int32_t LastError() { return tLastError; }

namespace {

// Runs `body`, records SND_OK or the failure's code, and turns every failure into `failed`.
template <class R, class F>
R Guarded(R failed, F&& body) noexcept {
  try {
    R result = body();
    SetLastError(SND_OK);
    return result;
  } catch (const TError& e) {
    SetLastError(e.Code);
  } catch (const std::bad_alloc&) {
    SetLastError(SND_ERROR_MEM);
  } catch (...) {
    SetLastError(SND_ERROR_UNKNOWN);
  }
  return failed;
}

using TLock = std::lock_guard<std::mutex>;

constexpr uint64_t kMaxFileBytes = uint64_t(1) << 30;

// The whole file (or the asked-for part of it, or the caller's memory) as one block of bytes.
std::vector<uint8_t> ReadWhole(SND_BOOL mem, const void* file, uint64_t offset, uint64_t length) {
  if (!file) Fail(SND_ERROR_PARAM);
  if (mem) {
    if (length == 0) Fail(SND_ERROR_PARAM);
    if (length > kMaxFileBytes) Fail(SND_ERROR_MEM);
    const auto* bytes = static_cast<const uint8_t*>(file);
    return std::vector<uint8_t>(bytes, bytes + length);
  }
  const char* path = static_cast<const char*>(file);
  struct stat info {};
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) Fail(SND_ERROR_FILE_OPEN);
  std::FILE* f = std::fopen(path, "rb");
  if (!f) Fail(SND_ERROR_FILE_OPEN);
  struct TCloser {
    std::FILE* F;
    ~TCloser() { std::fclose(F); }
  } closer{f};
  uint64_t size = uint64_t(info.st_size);
  if (offset >= size) return {};
  uint64_t wanted = size - offset;
  if (length != 0) wanted = std::min(wanted, length);
  // Everything is held in memory while it plays; no real module or MP3 comes near this.
  if (wanted > kMaxFileBytes) Fail(SND_ERROR_MEM);
  if (fseeko(f, off_t(offset), SEEK_SET) != 0) Fail(SND_ERROR_FILE_OPEN);
  std::vector<uint8_t> data(static_cast<size_t>(wanted));
  size_t got = std::fread(data.data(), 1, data.size(), f);
  if (got != data.size() && std::ferror(f)) Fail(SND_ERROR_FILE_OPEN);
  data.resize(got);
  return data;
}

// A stream's bytes: memory is copied; a file is opened here and read as the stream plays.
TMp3Bytes StreamBytes(SND_BOOL mem, const void* file, uint64_t offset, uint64_t length) {
  if (mem || !file) return TMp3Bytes(ReadWhole(mem, file, offset, length));
  const char* path = static_cast<const char*>(file);
  struct stat info {};
  // Looked at before opening: opening a pipe would wait for a writer.
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) Fail(SND_ERROR_FILE_OPEN);
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail(SND_ERROR_FILE_OPEN);
  TMp3Bytes bytes(fd, offset, 0);
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) Fail(SND_ERROR_FILE_OPEN);
  const uint64_t size = uint64_t(info.st_size);
  if (offset >= size) return bytes;
  uint64_t wanted = size - offset;
  if (length != 0) wanted = std::min(wanted, length);
  if (wanted > kMaxFileBytes) Fail(SND_ERROR_MEM);
  bytes.Size = wanted;
  return bytes;
}

// The output rate, read under the lock; the decoding that follows runs without it.
int RateOrFail() {
  TLock lock(LibraryLock());
  return RequireSystem().Rate();
}

uint32_t Register(std::unique_ptr<TSource> source, TChannelKind kind, int rate, uint64_t lengthBytes, bool hasLength,
                  uint32_t orders, uint32_t flags) {
  TLock lock(LibraryLock());
  TSoundSystem& system = RequireSystem();
  // The library may have been freed and opened again at another rate while the file was decoded.
  if (system.Rate() != rate) Fail(SND_ERROR_NOT_INIT);
  auto channel =
      std::make_unique<TChannel>(TSoundSystem::NextHandle(), kind, std::move(source), rate, system.HistoryFrames());
  channel->FLengthBytes = lengthBytes;
  channel->FHasLength = hasLength;
  channel->FOrderCount = orders;
  channel->FLoadFlags = flags;
  return system.Add(std::move(channel));
}

uint64_t FramesToReferenceBytes(double seconds) { return uint64_t(std::floor(seconds * 44100.0)) * 4; }

}  // namespace
}  // namespace sndlib

using namespace sndlib;

extern "C" {

SNDLIB_API int32_t snd_error_get_code(void) { return LastError(); }

SNDLIB_API SND_BOOL snd_init(int32_t device, uint32_t freq, uint32_t /*flags*/, void* /*window*/) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    if (CurrentSystem()) Fail(SND_ERROR_ALREADY);
    if (device != SND_DEVICE_DEFAULT && device != SND_DEVICE_NOSOUND) Fail(SND_ERROR_DEVICE);
    if (freq < 8000 || freq > 192000) Fail(SND_ERROR_FORMAT);
    auto system = std::make_unique<TSoundSystem>(int(freq));
    system->OpenOutput(device);
    InstallSystem(std::move(system));
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_BOOL snd_free(void) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    RequireSystem();
    DestroySystem();
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_BOOL snd_start(void) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    RequireSystem().Output().Start();
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_BOOL snd_stop(void) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    RequireSystem().Output().Stop();
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_BOOL snd_set_volume(uint32_t volume) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    uint32_t v = std::min<uint32_t>(volume, 100);
    float gain = v == 0 ? 0.0f : float(std::pow(10.0, 3.0 * (v / 100.0 - 1.0)));
    TSoundSystem& system = RequireSystem();
    system.Mixer().SetMasterGain(gain);
    system.Changed();
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_HANDLE snd_music_load(SND_BOOL mem, const void* file, uint64_t offset, uint32_t length, uint32_t flags) {
  return Guarded<SND_HANDLE>(0, [&] {
    int rate = RateOrFail();
    auto source = TModuleSource::Create(ReadWhole(mem, file, offset, length), rate, flags & SND_MUSIC_RAMP);
    bool prescan = flags & SND_MUSIC_PRESCAN;
    uint64_t bytes = prescan ? FramesToReferenceBytes(source->DurationSeconds()) : 0;
    uint32_t orders = source->OrderCount();
    return Register(std::move(source), TChannelKind::Module, rate, bytes, prescan, orders, flags);
  });
}

SNDLIB_API SND_BOOL snd_music_play_ex(SND_HANDLE handle, uint32_t pos, int32_t flags, SND_BOOL /*reset*/) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    TSoundSystem& system = RequireSystem();
    auto channel = system.Find(handle, TChannelKind::Module);
    if (pos >= channel->FOrderCount) Fail(SND_ERROR_PARAM);
    if (flags != -1) {
      channel->FLoadFlags = uint32_t(flags);
      std::lock_guard<std::mutex> decode(channel->DecodeLock());
      static_cast<TModuleSource&>(channel->Source()).SetRamping(uint32_t(flags) & SND_MUSIC_RAMP);
    }
    if (pos == 0 && flags == -1 && channel->Untouched()) {
      // Loaded and never played: the ring already holds the song from a clean start.
      channel->SetState(TChannelState::Playing);
      system.Kick();
      system.Changed();
    } else {
      system.Restart(*channel, pos);
    }
    return SND_BOOL(1);
  });
}

SNDLIB_API uint32_t snd_music_get_length(SND_HANDLE handle, SND_BOOL playlen) {
  return Guarded<uint32_t>(0xFFFFFFFFu, [&] {
    TLock lock(LibraryLock());
    auto channel = RequireSystem().Find(handle, TChannelKind::Module);
    if (!playlen) return channel->FOrderCount;
    if (!channel->FHasLength) Fail(SND_ERROR_NOT_AVAILABLE);
    return uint32_t(std::min<uint64_t>(channel->FLengthBytes, 0xFFFFFFFEu));
  });
}

SNDLIB_API SND_BOOL snd_music_free(SND_HANDLE handle) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    RequireSystem().Free(handle, TChannelKind::Module);
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_HANDLE snd_stream_create_file(SND_BOOL mem, const void* file, uint64_t offset, uint64_t length,
                                             uint32_t flags) {
  return Guarded<SND_HANDLE>(0, [&] {
    int rate = RateOrFail();
    auto source = TMp3Source::Create(StreamBytes(mem, file, offset, length), flags & SND_STREAM_PRESCAN);
    uint64_t bytes = uint64_t(double(source->LengthFrames()) * 44100.0 / source->Rate()) * 4;
    return Register(std::move(source), TChannelKind::Stream, rate, bytes, true, 0, flags);
  });
}

SNDLIB_API SND_BOOL snd_stream_play(SND_HANDLE handle, SND_BOOL flush, uint32_t /*flags*/) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    TSoundSystem& system = RequireSystem();
    auto channel = system.Find(handle, TChannelKind::Stream);
    TChannelState state = channel->State();
    bool fresh = channel->Consumed() == 0 && channel->State() == TChannelState::Stopped;
    if (fresh && channel->Untouched()) {
      // The ring already holds the stream from its start.
      channel->SetState(TChannelState::Playing);
      system.Kick();
      system.Changed();
    } else if (flush || state == TChannelState::Ended || fresh) {
      system.Restart(*channel, 0);
    } else {
      channel->SetState(TChannelState::Playing);
      system.Kick();
      system.Changed();
    }
    return SND_BOOL(1);
  });
}

SNDLIB_API uint64_t snd_stream_get_length(SND_HANDLE handle) {
  return Guarded<uint64_t>(~uint64_t(0), [&] {
    TLock lock(LibraryLock());
    return RequireSystem().Find(handle, TChannelKind::Stream)->FLengthBytes;
  });
}

SNDLIB_API SND_BOOL snd_stream_free(SND_HANDLE handle) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    RequireSystem().Free(handle, TChannelKind::Stream);
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_BOOL snd_channel_set_attributes(SND_HANDLE handle, int32_t freq, int32_t volume, int32_t pan) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    TSoundSystem& system = RequireSystem();
    auto channel = system.Find(handle);
    if (freq == 0)
      channel->SetFrequency(44100);
    else if (freq != -1)
      channel->SetFrequency(std::clamp(freq, SND_FREQ_MIN, SND_FREQ_MAX));
    if (volume != -1) channel->SetVolume(float(std::clamp(volume, 0, 100)) / 100.0f);
    channel->SetPan(float(std::clamp(pan, -100, 100)) / 100.0f);
    system.Kick();
    system.Changed();
    return SND_BOOL(1);
  });
}

SNDLIB_API uint32_t snd_channel_get_level(SND_HANDLE handle) {
  return Guarded<uint32_t>(0xFFFFFFFFu, [&] {
    std::shared_ptr<TChannel> channel;
    int64_t heard = 0;
    int rate = 0;
    {
      TLock lock(LibraryLock());
      TSoundSystem& system = RequireSystem();
      channel = system.Find(handle);
      if (!system.Output().Running()) return 0u;
      heard = system.Output().HeardFrame();
      rate = system.Rate();
    }
    return TAnalyser::Level(*channel, heard, rate);
  });
}

SNDLIB_API SND_BOOL snd_channel_stop(SND_HANDLE handle) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    TSoundSystem& system = RequireSystem();
    system.Halt(*system.Find(handle), TChannelState::Stopped);
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_BOOL snd_channel_pause(SND_HANDLE handle) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    TSoundSystem& system = RequireSystem();
    system.Halt(*system.Find(handle), TChannelState::Paused);
    return SND_BOOL(1);
  });
}

SNDLIB_API SND_BOOL snd_channel_resume(SND_HANDLE handle) {
  return Guarded<SND_BOOL>(0, [&] {
    TLock lock(LibraryLock());
    TSoundSystem& system = RequireSystem();
    system.Resume(*system.Find(handle));
    return SND_BOOL(1);
  });
}

SNDLIB_API double snd_channel_bytes_to_seconds(SND_HANDLE handle, uint64_t bytes) {
  return Guarded<double>(-1.0, [&] {
    TLock lock(LibraryLock());
    RequireSystem().Find(handle);
    return double(bytes) / 176400.0;
  });
}

SNDLIB_API uint32_t snd_channel_get_data(SND_HANDLE handle, void* buffer, uint32_t length) {
  return Guarded<uint32_t>(0xFFFFFFFFu, [&] {
    std::shared_ptr<TChannel> channel;
    int64_t heard = 0;
    bool running = false;
    {
      TLock lock(LibraryLock());
      TSoundSystem& system = RequireSystem();
      channel = system.Find(handle);
      if (!buffer || length != SND_DATA_FFT2048) Fail(SND_ERROR_PARAM);
      running = system.Output().Running();
      heard = system.Output().HeardFrame();
    }
    float magnitudes[TAnalyser::kBins];
    if (running) {
      TAnalyser::Spectrum(*channel, heard, magnitudes);
    } else {
      std::fill(std::begin(magnitudes), std::end(magnitudes), 0.0f);
    }
    std::memcpy(buffer, magnitudes, sizeof magnitudes);
    return uint32_t(sizeof magnitudes);
  });
}

}  // extern "C"
