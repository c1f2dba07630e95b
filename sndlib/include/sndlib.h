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

/*
 * General rules
 * -------------
 * Threads: every entry point may be called from any thread at any time, concurrently with any other entry
 * point, including freeing a channel on one thread while another thread asks for its level or data. The
 * library mixes on a thread of its own (the audio device's, or the no-sound output's) and decodes on a
 * worker thread; neither ever runs caller code.
 *
 * Errors: a call that fails returns 0 / false / the failure value named in its description and records an
 * error code for the calling thread; a call that succeeds records SND_OK. snd_error_get_code() reads the
 * code back. No call throws, aborts or prints.
 *
 * Handles: modules and streams are both channels and share one numbering. A handle is never 0 and is never
 * issued twice within a process, also not after snd_free() and a new snd_init(), so a stale handle can never
 * reach a newer channel: it fails with SND_ERROR_HANDLE and has no effect. Module-only calls (snd_music_*)
 * refuse a stream handle and stream-only calls (snd_stream_*) a module handle, with SND_ERROR_HANDLE.
 *
 * Changes: whatever changes what is heard (starting, pausing, resuming, stopping or freeing a channel,
 * its volume, pan or speed, the master volume, snd_stop and snd_start) takes effect at the next block of 256
 * output frames and is ramped over that block (about 6 ms at 44100 Hz), so no change cuts the waveform.
 *
 * Reference format: lengths in bytes are counted in the channel's reference format, 44100 Hz, 16-bit,
 * stereo, 4 bytes a frame, whatever the file's own rate and channel count and whatever the output rate.
 * 176400 bytes are one second.
 */

/* Error codes (snd_error_get_code). */
#define SND_OK 0                    /* the last call succeeded */
#define SND_ERROR_MEM 1             /* out of memory */
#define SND_ERROR_DRIVER 3          /* no usable output driver: no audio device could be opened */
#define SND_ERROR_FORMAT 6          /* the output does not accept the rate or sample format */
#define SND_ERROR_ALREADY 14        /* snd_init() called again without snd_free() */
#define SND_ERROR_DEVICE 23         /* illegal device number */
#define SND_ERROR_UNKNOWN (-1)      /* an unexpected internal failure */
#define SND_ERROR_FILE_OPEN 101     /* the file is missing, is a directory, or cannot be read */
#define SND_ERROR_FILE_FORMAT 102   /* empty, or not a format the library plays */
#define SND_ERROR_FILE_CORRUPT 103  /* recognised, but broken: nothing of it can be played */
#define SND_ERROR_HANDLE 104        /* 0, freed, never issued, or the wrong kind of handle */
#define SND_ERROR_NOT_INIT 105      /* snd_init() has not succeeded (or snd_free() was called) */
#define SND_ERROR_PARAM 106         /* an illegal parameter (null pointer, unknown flag, bad position) */
#define SND_ERROR_NOT_AVAILABLE 107 /* the value asked for was not prepared (see SND_MUSIC_PRESCAN) */
#define SND_ERROR_NO_CHANNEL 108    /* too many channels exist at once, or handle numbers are exhausted */
#define SND_ERROR_START 109         /* the output could not be started again */

/* Devices (snd_init). */
#define SND_DEVICE_DEFAULT (-1) /* the default audio output */
#define SND_DEVICE_NOSOUND (-2) /* no sound: mixes in real time on a thread of its own and discards */

/* snd_music_load flags. */
#define SND_MUSIC_RAMP 0x0001    /* volume ramping: smooths volume and note changes, against clicks */
#define SND_MUSIC_PRESCAN 0x2000 /* compute the play length at load (needed by snd_music_get_length(h, 1)) */

/* snd_stream_create_file flags. */
#define SND_STREAM_PRESCAN                                                   \
  0x40000 /* scan the whole file at creation: exact length, also for VBR and \
             truncated files; without it the length is the file's own claim */

/* snd_channel_get_data flags. */
#define SND_DATA_FFT2048 0x80000002u /* 1024 magnitudes of a 2048-sample FFT, as 1024 floats */

/* Channel attribute ranges (snd_channel_set_attributes). */
#define SND_FREQ_MIN 100
#define SND_FREQ_MAX 200000

/*
 * snd_error_get_code: the error code of the calling thread's last call into the library (SND_OK after a
 * success). Never fails and does not change the code. Any thread.
 */
SNDLIB_API int32_t snd_error_get_code(void);

/*
 * snd_init: open the sound output and start it.
 *   device: SND_DEVICE_DEFAULT (-1) plays on the system's default audio output, stereo: through the
 *           desktop's sound server (PulseAudio protocol, also served by PipeWire) when one answers, with
 *           about a second queued there and every change still heard within a few milliseconds; else
 *           through SDL's audio with a device buffer of 4096 frames (also when SDL_AUDIODRIVER names a
 *           driver other than the sound server's). Should the server go away while playing, output goes
 *           on silently in real time. SND_DEVICE_NOSOUND (-2) plays nothing but consumes the mix in real
 *           time, so channels advance, end and report levels and data exactly as when audible.
 *   freq:   output rate in Hz, 8000 to 192000 (44100 is the usual value).
 *   flags:  none defined; pass 0 (other bits are ignored).
 *   window: the owner window; accepted and not used (may be null).
 * Returns true on success; output is then running (as after snd_start()).
 * Errors: SND_ERROR_ALREADY (already initialised), SND_ERROR_DEVICE (any other device number),
 *   SND_ERROR_DRIVER (device -1 and no audio output can be opened), SND_ERROR_FORMAT (freq out of range, or
 *   the sound server refuses it and SDL finds no device), SND_ERROR_MEM, SND_ERROR_UNKNOWN.
 * Threads: any.
 */
SNDLIB_API SND_BOOL snd_init(int32_t device, uint32_t freq, uint32_t flags, void* window);

/*
 * snd_free: stop the output, free every module and stream, close the device. All handles become invalid.
 * Returns true; SND_ERROR_NOT_INIT when not initialised. Threads: any.
 */
SNDLIB_API SND_BOOL snd_free(void);

/*
 * snd_start: let the output run again after snd_stop() (true also when it is running already). Channels
 * continue where they were. Errors: SND_ERROR_NOT_INIT, SND_ERROR_START. Threads: any.
 */
SNDLIB_API SND_BOOL snd_start(void);

/*
 * snd_stop: stop all output at once. Channels keep their state and position and do not advance; levels and
 * data read silence while stopped, since nothing is heard. Errors: SND_ERROR_NOT_INIT. Threads: any.
 */
SNDLIB_API SND_BOOL snd_stop(void);

/*
 * snd_set_volume: master volume, 0 (silent) to 100 (unity gain); larger values are clamped to 100.
 * The curve is even in loudness: gain = 10 ^ (3 * (volume / 100 - 1)), that is 60 dB from 1 to 100 in equal
 * decibel steps of 0.6 dB (50 is -30 dB), and exactly 0 for volume 0.
 * Levels and data (snd_channel_get_level, snd_channel_get_data) are measured before this gain.
 * Errors: SND_ERROR_NOT_INIT. Threads: any.
 */
SNDLIB_API SND_BOOL snd_set_volume(uint32_t volume);

/*
 * snd_music_load: load a tracker module (MOD, S3M, XM, IT, MPTM and the other formats the module decoder
 * reads). The file is read whole at load; the channel is created stopped.
 *   mem:    0: `file` is a NUL-terminated path; nonzero: `file` points to the module's bytes in memory
 *           (copied; the caller may free them after the call).
 *   file:   path or memory, not null; from memory, `length` bytes must be readable there.
 *   offset: from a file, where the module starts in it (0: at the start); ignored for memory.
 *   length: bytes to use (0: up to the end of the file; required nonzero for memory).
 *   flags:  SND_MUSIC_RAMP, SND_MUSIC_PRESCAN; other bits are ignored. 0x2001 is the usual value.
 * Returns the module's handle, or 0. Files (or parts) above 1 GiB are refused with SND_ERROR_MEM.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_PARAM (null file, memory of length 0), SND_ERROR_FILE_OPEN (missing,
 *   unreadable, a directory), SND_ERROR_FILE_FORMAT (empty or not a module), SND_ERROR_FILE_CORRUPT
 *   (recognised as a module but it cannot be loaded, such as a header that lies about the contents),
 *   SND_ERROR_NO_CHANNEL, SND_ERROR_MEM.
 * Threads: any; the file is read and parsed on the calling thread.
 */
SNDLIB_API SND_HANDLE snd_music_load(SND_BOOL mem, const void* file, uint64_t offset, uint32_t length, uint32_t flags);

/*
 * snd_music_play_ex: play a module from an order position.
 *   pos:   order (pattern list) position to start at; 0 is the song's start. Must be below the order count.
 *   flags: -1 keeps the load flags; otherwise the new flags (only SND_MUSIC_RAMP takes effect here).
 *   reset: nonzero: start with a clean song state (tempo, volumes, effects). Any playback through this call
 *          starts from `pos` with a clean state; `reset` 0 is accepted as well.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE, SND_ERROR_PARAM (pos out of range). Threads: any.
 */
SNDLIB_API SND_BOOL snd_music_play_ex(SND_HANDLE handle, uint32_t pos, int32_t flags, SND_BOOL reset);

/*
 * snd_music_get_length:
 *   playlen nonzero: the play length in bytes of the reference format (one pass of the song, up to its end
 *     or the point where it loops), computed at load with SND_MUSIC_PRESCAN; lengths beyond 32 bits read
 *     0xFFFFFFFE.
 *   playlen 0: the number of positions in the song's order list.
 * Returns 0xFFFFFFFF on failure.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE, SND_ERROR_NOT_AVAILABLE (play length asked for a module
 *   loaded without SND_MUSIC_PRESCAN). Threads: any.
 */
SNDLIB_API uint32_t snd_music_get_length(SND_HANDLE handle, SND_BOOL playlen);

/*
 * snd_music_free: stop and release a module; its handle is dead from then on.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API SND_BOOL snd_music_free(SND_HANDLE handle);

/*
 * snd_stream_create_file: open an MP3 stream (MPEG 1, 2 and 2.5, layers 1 to 3, mono or stereo, any of the
 * decoder's rates; ID3v1 and ID3v2 tags are skipped). A file is opened at creation and read as the stream
 * plays (a file cut short meanwhile ends the stream there); memory is copied. The channel is created stopped.
 * A stream is only created when a first frame decodes; a truncated file plays what decodes.
 *   mem, file, offset: as for snd_music_load.
 *   length: bytes to use (0: up to the end of the file; required nonzero for memory).
 *   flags:  SND_STREAM_PRESCAN; other bits are ignored. 0x40000 is the usual value.
 * Returns the stream's handle, or 0. Files (or parts) above 1 GiB are refused with SND_ERROR_MEM.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_PARAM, SND_ERROR_FILE_OPEN, SND_ERROR_FILE_FORMAT (empty, or no MPEG
 *   audio found), SND_ERROR_FILE_CORRUPT (MPEG audio found but no frame decodes), SND_ERROR_NO_CHANNEL,
 *   SND_ERROR_MEM.
 * Threads: any; the first frame is read and (with SND_STREAM_PRESCAN) the file scanned on the calling thread.
 */
SNDLIB_API SND_HANDLE snd_stream_create_file(SND_BOOL mem, const void* file, uint64_t offset, uint64_t length,
                                             uint32_t flags);

/*
 * snd_stream_play: play a stream.
 *   flush: nonzero: from the start; 0: from where it stopped or paused (from the start if it has ended).
 *   flags: none defined; pass 0.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API SND_BOOL snd_stream_play(SND_HANDLE handle, SND_BOOL flush, uint32_t flags);

/*
 * snd_stream_get_length: the stream's length in bytes of the reference format: the scanned length with
 * SND_STREAM_PRESCAN, else the length the file claims or an estimate from its size.
 * Returns 0xFFFFFFFFFFFFFFFF on failure. Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API uint64_t snd_stream_get_length(SND_HANDLE handle);

/*
 * snd_stream_free: stop and release a stream; its handle is dead from then on.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API SND_BOOL snd_stream_free(SND_HANDLE handle);

/*
 * snd_channel_set_attributes: speed, volume and pan of a module or stream, taking effect within a few
 * milliseconds of playback and changing smoothly (no clicks while a speed control is dragged). A file at
 * another rate than the output's, or any speed other than 44100, is converted with a high-quality
 * resampler (images and aliases more than 90 dB down).
 *   freq:   playback frequency in Hz relative to the 44100 Hz reference: the channel plays at speed
 *           freq / 44100, pitch moving with it, whatever the file's own rate (so 44100 is the true speed of
 *           every file). -1 leaves it unchanged, 0 sets 44100; other values are clamped to SND_FREQ_MIN ..
 *           SND_FREQ_MAX.
 *   volume: 0 (silent) to 100 (unity), linear in amplitude; -1 leaves it unchanged; others are clamped.
 *   pan:    -100 (left only) .. 0 (centre) .. 100 (right only), clamped. Balance law: the far side is
 *           attenuated linearly, the near side stays at unity, so the centre is unity on both sides.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API SND_BOOL snd_channel_set_attributes(SND_HANDLE handle, int32_t freq, int32_t volume, int32_t pan);

/*
 * snd_channel_get_level: the channel's level being heard now: low 16 bits the left side, high 16 bits the
 * right side, each the peak absolute sample of the 20 ms now heard (the output's buffering taken into
 * account), after the channel's volume and pan and before the master volume, as a percentage of full scale
 * rounded to the nearest integer: 0 silence, 100 full scale (louder passages may read above 100).
 * A stopped, paused or ended channel reads 0 once its silence is heard (after the output's latency);
 * while the output is stopped (snd_stop) every level reads 0.
 * Returns 0xFFFFFFFF on failure. Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API uint32_t snd_channel_get_level(SND_HANDLE handle);

/*
 * snd_channel_stop: halt a channel. It keeps its position; snd_stream_play(h, 0, 0) continues from there,
 * snd_music_play_ex restarts a module. Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API SND_BOOL snd_channel_stop(SND_HANDLE handle);

/*
 * snd_channel_pause: halt a playing channel where it is. Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE.
 * Threads: any.
 */
SNDLIB_API SND_BOOL snd_channel_pause(SND_HANDLE handle);

/*
 * snd_channel_resume: continue a paused channel exactly where it was halted. A channel that is playing stays
 * so; a stopped or ended channel is left as it is (the call still succeeds).
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API SND_BOOL snd_channel_resume(SND_HANDLE handle);

/*
 * snd_channel_bytes_to_seconds: bytes of the reference format to seconds: bytes / 176400.
 * Returns -1 on failure. Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE. Threads: any.
 */
SNDLIB_API double snd_channel_bytes_to_seconds(SND_HANDLE handle, uint64_t bytes);

/*
 * snd_channel_get_data: analysis of what the channel sounds like now.
 *   buffer: receives the data; with SND_DATA_FFT2048 it must hold 1024 floats (4096 bytes).
 *   length: what to fetch. SND_DATA_FFT2048 (0x80000002): 1024 magnitudes, bin 0 (0 Hz) first, bin k at
 *           k * output rate / 2048 Hz, of a 2048-point FFT with a Hann window over the channel's last 2048
 *           samples being heard now (the output's buffering taken into account), after the channel's volume
 *           and pan, mixed to mono as (left + right) / 2. Scaled so a full-scale sine centred on a bin reads
 *           1.0 at that bin; silence, and anything while the output is stopped, reads 0 everywhere.
 * Returns the number of bytes written (4096), or 0xFFFFFFFF on failure, leaving the buffer untouched.
 * Errors: SND_ERROR_NOT_INIT, SND_ERROR_HANDLE, SND_ERROR_PARAM (null buffer, unknown `length`).
 * Threads: any; meant to be called from a periodic timer thread while other threads free channels.
 */
SNDLIB_API uint32_t snd_channel_get_data(SND_HANDLE handle, void* buffer, uint32_t length);

#ifdef __cplusplus
}
#endif

#endif /* SNDLIB_H */
