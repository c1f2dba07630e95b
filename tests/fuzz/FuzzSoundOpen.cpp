// SPDX-License-Identifier: MIT
// libFuzzer targets: the sound library's module and MP3 open paths through its public entry points.
// Built twice: with FUZZ_MODULE the bytes go to snd_music_load, otherwise to snd_stream_create_file.
// Both open with the flags the player uses, so the prescan that measures the length runs as well.
#include "sndlib.h"

#include <cstdint>
#include <cstdlib>

namespace {

void InitOnce() {
  // The no-sound output mixes on a thread of its own, so nothing here needs an audio device.
  static const bool ready = snd_init(SND_DEVICE_NOSOUND, 44100, 0, nullptr) != 0;
  if (!ready) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitOnce();
  if (size == 0) return 0;
#ifdef FUZZ_MODULE
  const SND_HANDLE h = snd_music_load(1, data, 0, static_cast<uint32_t>(size), 0x2001);
  if (h) {
    (void)snd_music_get_length(h, 1);
    (void)snd_channel_bytes_to_seconds(h, snd_music_get_length(h, 1));
    snd_music_free(h);
  } else if (snd_error_get_code() == SND_OK) {
    abort();  // a refusal must say why
  }
#else
  const SND_HANDLE h = snd_stream_create_file(1, data, 0, size, 0x40000);
  if (h) {
    (void)snd_channel_bytes_to_seconds(h, snd_stream_get_length(h));
    snd_stream_free(h);
  } else if (snd_error_get_code() == SND_OK) {
    abort();
  }
#endif
  return 0;
}
