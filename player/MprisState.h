// SPDX-License-Identifier: MIT
// What the desktop's player controls see of the player, and what they may change, apart from the bus.
#pragma once

#include "base/TResult.h"

#include <cstdint>
#include <string>
#include <vector>

class TMainForm;

// The player as the desktop's media-player interface shows it. Two snapshots are compared to tell
// which properties changed.
struct TMprisState {
  std::string PlaybackStatus;  // "Playing", "Paused" or "Stopped"
  std::string LoopStatus;      // "Track" while Repeat is on, else "None"
  bool Shuffle = false;
  double Volume = 0.0;  // the volume the output gets when not muted, 0.0 to 1.0
  // The current track: its index (-1: none, an empty playlist), the name the caption shows, its
  // length in microseconds as the caption shows it (-1: unknown) and the file as a file: URL. The
  // title is text the bus can carry (BusText).
  int32_t Track = -1;
  std::string Title;
  int64_t LengthUs = -1;
  std::string Url;
  bool CanPlay = false;  // there is a track to play
  bool operator==(const TMprisState&) const = default;
};

TMprisState MprisStateOf(const TMainForm& form);
// The names of the player interface's properties that differ between the two snapshots, in a fixed
// order ("Metadata" stands for the track and everything about it).
std::vector<std::string> ChangedMprisProperties(const TMprisState& before, const TMprisState& after);

// Text the bus can carry: valid UTF-8, no NUL. Playlist titles are bytes as the file holds them;
// a byte that does not belong to a valid UTF-8 sequence is read as Latin-1, and NUL is left out.
std::string BusText(const std::string& bytes);

// An absolute path as a file: URL, with every byte outside the unreserved characters and "/"
// percent-encoded.
std::string FileUrl(const std::string& path);

// The remote controls' own actions: each runs the handlers the matching buttons run.
// Playing and not paused: what Pause does; otherwise what Play does.
void MprisPlayPause(TMainForm& form);
// Shuffle on or off, through the Shuffle button's handler; the same value again changes nothing.
void MprisSetShuffle(TMainForm& form, bool on);
// "Track" turns Repeat on and "None" turns it off, through the Repeat button's handler. "Playlist"
// is taken as "None": without Repeat the player goes on from the last track to the first anyway.
// Anything else is refused and changes nothing.
TResult<void> MprisSetLoopStatus(TMainForm& form, const std::string& status);
// Moves the volume knob as a drag would, to the place for `volume` (0.0 to 1.0, to the nearest
// percent). Below 0 counts as 0 and above 1 as 1; a value that is not a number is refused and
// changes nothing.
TResult<void> MprisSetVolume(TMainForm& form, double volume);
