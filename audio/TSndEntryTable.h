// SPDX-License-Identifier: MIT
// The process-wide table of the sound library's entry points, through which every call of the player goes.
#pragma once

#include <sndlib.h>

// The entry points, in the order the loader resolves them. The list only ever grows at its end, so
// an older table layout stays a prefix of a newer one.
#define MIRA_SND_ENTRY_POINTS(X)  \
  X(snd_error_get_code)           \
  X(snd_init)                     \
  X(snd_music_free)               \
  X(snd_start)                    \
  X(snd_stop)                     \
  X(snd_set_volume)               \
  X(snd_music_load)               \
  X(snd_music_play_ex)            \
  X(snd_stream_create_file)       \
  X(snd_stream_play)              \
  X(snd_channel_set_attributes)   \
  X(snd_channel_get_level)        \
  X(snd_channel_stop)             \
  X(snd_channel_pause)            \
  X(snd_channel_resume)           \
  X(snd_music_get_length)         \
  X(snd_channel_bytes_to_seconds) \
  X(snd_channel_get_data)         \
  X(snd_stream_free)              \
  X(snd_stream_get_length)

// One pointer per entry point, named after it and typed exactly as sndlib.h declares it.
struct TSndEntryTable {
#define MIRA_SND_ENTRY_FIELD(name) decltype(&::name) name = nullptr;
  MIRA_SND_ENTRY_POINTS(MIRA_SND_ENTRY_FIELD)
#undef MIRA_SND_ENTRY_FIELD
};

inline constexpr int kSndEntryPointCount = 0
#define MIRA_SND_ENTRY_COUNT(name) +1
    MIRA_SND_ENTRY_POINTS(MIRA_SND_ENTRY_COUNT)
#undef MIRA_SND_ENTRY_COUNT
    ;

// The table every call into the sound library goes through: `SndTable().snd_start()`. Until a library
// is loaded (and after a failed load) every entry is a harmless stub that does nothing and returns
// 0, the library's "failed" answer, so a stray call can never jump through a null pointer. The table
// is filled on the window thread before any other thread starts, and never changes afterwards.
const TSndEntryTable& SndTable();

// Returns a copy of the table with each null entry replaced by its harmless stub.
TSndEntryTable WithStubs(TSndEntryTable table);
