// SPDX-License-Identifier: MIT
// Where a playlist entry's file lies on disk and how the player decides its kind.
#pragma once

#include "PlayList.h"

#include <string>
#include <string_view>

namespace TrackFiles {

// The full path of a track: the current directory (without a trailing separator), "/data/", then the
// playlist's file name. A backslash in the file name is a directory separator, so playlists written
// on Windows still work. An unreadable current directory yields a path relative to ".".
std::string TrackPath(std::string_view fileName);
// The same, with the current directory given; used where the caller already knows it.
std::string TrackPath(std::string_view currentDir, std::string_view fileName);

// True when the extension of the path's last component (from its last "." on) is exactly ".mp3".
// Any other spelling, such as ".MP3", plays as a tracker module.
bool IsStreamFile(std::string_view path);

// Where an entry's file lies: its own full path when it has one, else TrackPath of its file name.
std::string EntryPath(const TrackEntry& entry);
// Whether an entry plays as an MP3 stream: its own kind when it has a full path, else IsStreamFile.
bool EntryIsStream(const TrackEntry& entry);

}  // namespace TrackFiles
