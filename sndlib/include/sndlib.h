/* SPDX-License-Identifier: MIT */
/* sndlib: the sound library of mira.nol — MP3 streams and tracker modules, mixed and played. */
#ifndef SNDLIB_H
#define SNDLIB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(SNDLIB_BUILDING)
#define SNDLIB_API __attribute__((visibility("default")))
#else
#define SNDLIB_API
#endif

typedef uint32_t SND_HANDLE; /* a module, stream or channel; 0 is never valid */
typedef int32_t SND_BOOL;    /* 0 false, nonzero true */

/* FIXME: every declaration below still needs its full documentation (parameters, units, ranges,
   result, error codes, calling threads). */

SNDLIB_API int32_t snd_error_get_code(void);
SNDLIB_API SND_BOOL snd_init(int32_t device, uint32_t freq, uint32_t flags, void* window);
SNDLIB_API SND_BOOL snd_free(void);
SNDLIB_API SND_BOOL snd_start(void);
SNDLIB_API SND_BOOL snd_stop(void);
SNDLIB_API SND_BOOL snd_set_volume(uint32_t volume);

SNDLIB_API SND_HANDLE snd_music_load(SND_BOOL mem, const void* file, uint64_t offset, uint32_t length, uint32_t flags);
SNDLIB_API SND_BOOL snd_music_play_ex(SND_HANDLE handle, uint32_t pos, int32_t flags, SND_BOOL reset);
SNDLIB_API uint32_t snd_music_get_length(SND_HANDLE handle, SND_BOOL playlen);
SNDLIB_API SND_BOOL snd_music_free(SND_HANDLE handle);

SNDLIB_API SND_HANDLE snd_stream_create_file(SND_BOOL mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags);
SNDLIB_API SND_BOOL snd_stream_play(SND_HANDLE handle, SND_BOOL flush, uint32_t flags);
SNDLIB_API uint64_t snd_stream_get_length(SND_HANDLE handle);
SNDLIB_API SND_BOOL snd_stream_free(SND_HANDLE handle);

SNDLIB_API SND_BOOL snd_channel_set_attributes(SND_HANDLE handle, int32_t freq, int32_t volume, int32_t pan);
SNDLIB_API uint32_t snd_channel_get_level(SND_HANDLE handle);
SNDLIB_API SND_BOOL snd_channel_stop(SND_HANDLE handle);
SNDLIB_API SND_BOOL snd_channel_pause(SND_HANDLE handle);
SNDLIB_API SND_BOOL snd_channel_resume(SND_HANDLE handle);
SNDLIB_API double snd_channel_bytes_to_seconds(SND_HANDLE handle, uint64_t bytes);
SNDLIB_API uint32_t snd_channel_get_data(SND_HANDLE handle, void* buffer, uint32_t length);

#ifdef __cplusplus
}
#endif

#endif /* SNDLIB_H */
