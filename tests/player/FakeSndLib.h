// SPDX-License-Identifier: MIT
// A scripted stand-in for the sound library that records every call the player makes through the entry table.
#pragma once

#include "audio/TSndEntryTable.h"

#include <map>
#include <string>
#include <vector>

// The entry table holds plain function pointers, so the fake keeps its script and its log in one
// process-wide instance. Install() resets both and puts the fake into the table.
struct TFakeSndLib {
  static TFakeSndLib& Instance();
  // Resets the script and the log and fills the entry table with the fake's entry points.
  static void Install();
  // The entry table pointing at the fake; null entries left out where a test wants a stub.
  static TSndEntryTable Table();

  // --- Script -------------------------------------------------------------------------------
  // Results of successive snd_init calls (the last one repeats); 1 is success.
  std::vector<SND_BOOL> InitResults{1};
  // The code snd_error_get_code reports.
  int32_t ErrorCode = 0;
  // Track lengths in seconds by the last component of the loaded path; others get DefaultSeconds.
  std::map<std::string, double> Seconds;
  double DefaultSeconds = 60.0;
  // Files (last path component) whose load answers with handle 0, as for a missing file.
  std::vector<std::string> Unloadable;
  // What snd_channel_bytes_to_seconds answers for handle 0.
  double SecondsForBadHandle = -1.0;

  // --- Record -------------------------------------------------------------------------------
  // Every call, formatted like "snd_channel_stop(101)". The entry points of the display thread and
  // the eyes (levels, spectrum data) are not logged: they would race with the window thread here.
  std::vector<std::string> Calls;

  // The calls logged so far, leaving the log empty.
  std::vector<std::string> TakeCalls();
  // Handles start at 101 and count up; a freed handle stays known so stale frees can be seen.
  uint32_t NextHandle = 101;
  std::map<uint32_t, double> HandleSeconds;
  std::map<uint32_t, std::string> HandlePath;

  // --- State: what the calls made of the library, as a listener would find it ----------------
  // A call with a handle that is 0, freed, never issued or of the other kind changes nothing, as
  // in the real library.
  enum class TKind { Module, Stream };
  enum class TPlay { Stopped, Playing, Paused };
  struct TChannel {
    TKind Kind = TKind::Module;
    std::string File;    // the last path component
    uint32_t Flags = 0;  // the load flags, or those a module's last start gave
    TPlay Play = TPlay::Stopped;
    // A module's last start: the order position, and whether the song state was reset.
    uint32_t StartPosition = 0;
    bool CleanStart = false;
    bool Freed = false;
    int32_t Frequency = 44100;
    int32_t Volume = 100;
    int32_t Pan = 0;
  };
  std::map<uint32_t, TChannel> Channels;
  // Running from a successful snd_init or snd_start until snd_stop.
  bool OutputRunning = false;
  uint32_t MasterVolume = 100;

  // The channel of `handle`; a test asking for one that was never issued fails.
  const TChannel& Channel(uint32_t handle) const;
  // The files of the channels a listener hears now: output running, master volume above 0, and
  // the channel playing, not freed and not silent. Empty when nothing is heard.
  std::vector<std::string> Heard() const;
  // Channels loaded and not yet freed.
  int LiveChannels() const;
};
