/* SPDX-License-Identifier: MIT */
/* A stand-in sound library for the loader's tests: scripted answers, and a log of every call. */
/*
 * FAKE_SNDLIB_LOG    file that each call appends one line to ("snd_init -1 44100 0 0x1234")
 * FAKE_SNDLIB_INIT   comma-separated results of the 1st, 2nd, ... snd_init call (default 1)
 * FAKE_SNDLIB_CODES  comma-separated answers of the 1st, 2nd, ... snd_error_get_code call (default 0)
 * Built with FAKE_SNDLIB_INCOMPLETE, the library lacks snd_stream_get_length.
 */
#define SNDLIB_BUILDING
#include <sndlib.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int init_calls;
static int code_reads;

static void log_call(const char* format, ...) {
  const char* path = getenv("FAKE_SNDLIB_LOG");
  if (!path) return;
  FILE* file = fopen(path, "a");
  if (!file) return;
  va_list args;
  va_start(args, format);
  vfprintf(file, format, args);
  va_end(args);
  fputc('\n', file);
  fclose(file);
}

/* The index-th number of the variable's list, or the fallback when the list is shorter. */
static long scripted(const char* variable, int index, long fallback) {
  const char* list = getenv(variable);
  if (!list) return fallback;
  for (int i = 0; *list; ++i) {
    char* end = NULL;
    long value = strtol(list, &end, 10);
    if (i == index) return value;
    list = strchr(end, ',');
    if (!list) break;
    ++list;
  }
  return fallback;
}

SNDLIB_API int32_t snd_error_get_code(void) {
  log_call("snd_error_get_code");
  return (int32_t)scripted("FAKE_SNDLIB_CODES", code_reads++, 0);
}

SNDLIB_API SND_BOOL snd_init(int32_t device, uint32_t freq, uint32_t flags, void* window) {
  log_call("snd_init %d %u %u %p", (int)device, (unsigned)freq, (unsigned)flags, window);
  return (SND_BOOL)scripted("FAKE_SNDLIB_INIT", init_calls++, 1);
}

SNDLIB_API SND_BOOL snd_free(void) {
  log_call("snd_free");
  return 1;
}
SNDLIB_API SND_BOOL snd_start(void) {
  log_call("snd_start");
  return 1;
}
SNDLIB_API SND_BOOL snd_stop(void) {
  log_call("snd_stop");
  return 1;
}
SNDLIB_API SND_BOOL snd_set_volume(uint32_t volume) {
  log_call("snd_set_volume %u", (unsigned)volume);
  return 1;
}

SNDLIB_API SND_HANDLE snd_music_load(SND_BOOL mem, const void* file, uint64_t offset, uint32_t length, uint32_t flags) {
  (void)mem;
  (void)offset;
  (void)length;
  (void)flags;
  log_call("snd_music_load %s", (const char*)file);
  return 7;
}
SNDLIB_API SND_BOOL snd_music_play_ex(SND_HANDLE handle, uint32_t pos, int32_t flags, SND_BOOL reset) {
  (void)pos;
  (void)flags;
  (void)reset;
  log_call("snd_music_play_ex %u", (unsigned)handle);
  return 1;
}
SNDLIB_API uint32_t snd_music_get_length(SND_HANDLE handle, SND_BOOL playlen) {
  (void)handle;
  (void)playlen;
  return 0;
}
SNDLIB_API SND_BOOL snd_music_free(SND_HANDLE handle) {
  log_call("snd_music_free %u", (unsigned)handle);
  return 1;
}

SNDLIB_API SND_HANDLE snd_stream_create_file(SND_BOOL mem, const void* file, uint64_t offset, uint64_t length,
                                             uint32_t flags) {
  (void)mem;
  (void)offset;
  (void)length;
  (void)flags;
  log_call("snd_stream_create_file %s", (const char*)file);
  return 9;
}
SNDLIB_API SND_BOOL snd_stream_play(SND_HANDLE handle, SND_BOOL flush, uint32_t flags) {
  (void)handle;
  (void)flush;
  (void)flags;
  return 1;
}
#ifndef FAKE_SNDLIB_INCOMPLETE
SNDLIB_API uint64_t snd_stream_get_length(SND_HANDLE handle) {
  (void)handle;
  return 0;
}
#endif
SNDLIB_API SND_BOOL snd_stream_free(SND_HANDLE handle) {
  log_call("snd_stream_free %u", (unsigned)handle);
  return 1;
}

SNDLIB_API SND_BOOL snd_channel_set_attributes(SND_HANDLE handle, int32_t freq, int32_t volume, int32_t pan) {
  (void)handle;
  (void)freq;
  (void)volume;
  (void)pan;
  return 1;
}
SNDLIB_API uint32_t snd_channel_get_level(SND_HANDLE handle) {
  (void)handle;
  return 0;
}
SNDLIB_API SND_BOOL snd_channel_stop(SND_HANDLE handle) {
  (void)handle;
  return 1;
}
SNDLIB_API SND_BOOL snd_channel_pause(SND_HANDLE handle) {
  (void)handle;
  return 1;
}
SNDLIB_API SND_BOOL snd_channel_resume(SND_HANDLE handle) {
  (void)handle;
  return 1;
}
SNDLIB_API double snd_channel_bytes_to_seconds(SND_HANDLE handle, uint64_t bytes) {
  (void)handle;
  (void)bytes;
  return 0.0;
}
SNDLIB_API uint32_t snd_channel_get_data(SND_HANDLE handle, void* buffer, uint32_t length) {
  (void)handle;
  (void)buffer;
  (void)length;
  return 0;
}
