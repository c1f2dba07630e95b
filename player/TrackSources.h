// SPDX-License-Identifier: MIT
// Tracks from what the user names on the command line or drops on the window: audio files, folders,
// collection folders and M3U playlists.
#pragma once

#include "PlayList.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Receives one problem with what was named, as one line of text without "mira.nol: ".
using TProblemSink = std::function<void(std::string_view)>;

namespace TrackSources {

// The most tracks one list holds; what comes after is left out, with one line saying so. It also
// ends playlists that list one another over and over.
inline constexpr std::size_t kMaxTracks = 100000;
// How deep playlists may list other playlists.
inline constexpr int kMaxPlayListDepth = 8;

// Builds a track table from `names`, in their order. Relative names are taken from the current
// directory; every track gets its full path, so nothing later depends on the current directory.
// - A folder holding data/play.lst contributes that collection's entries, titles and kinds exactly as
//   the player started inside it would have them.
// - Another folder contributes its audio files (MP3 and the module formats, by name), in natural
//   name order, one level deep; hidden files and subfolders are left out.
// - A .m3u or .m3u8 playlist contributes its entries (files, folders, other playlists), relative to
//   its own folder, with #EXTINF titles where given. Lines may end in CR LF; file:// addresses of
//   this machine are read as paths.
// - Any other file is played when its name or, failing that, its first bytes say it is an MP3 or a
//   tracker module.
// Files keep their file name (without extension) as title, marked TitlePending for their tags. Each
// name or playlist line that is missing, is no local file, holds nothing playable or would loop goes
// to `report`, naming it, and is left out.
std::vector<TrackEntry> Gather(const std::vector<std::string>& names, const TProblemSink& report);

// Natural name order: runs of digits compare by their value ("2" before "10") and letters without
// regard to case; names equal by that keep a fixed order by their bytes.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace TrackSources
