// SPDX-License-Identifier: MIT
// Reading the playlist file into the track table.
#pragma once

#include "base/TResult.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// One playlist entry: the track's path below data/, and the title shown in the list and caption.
// Both are byte strings taken from the file unchanged.
//
// Tracks named on the command line or dropped on the window carry their full path in Path, and
// their kind in Stream; for them FileName is the file's own name. Entries read from data/play.lst
// leave Path empty: their place and kind follow from FileName alone.
struct TrackEntry {
  std::string FileName;
  std::string Title;
  std::string Path;
  bool Stream = false;
  // Title holds the file's name for now; its tags are still to be read.
  bool TitlePending = false;
};

struct TPlayList {
  // One entry per line read, so never fewer entries than are filled; entries from TrackCount on
  // stay empty.
  std::vector<TrackEntry> TrackTable;
  // The number of entries filled: the number of (file name, title) line pairs. An odd last line
  // still fills an entry, with an empty title.
  int32_t TrackCount = 0;
};

// The playlist's place, relative to the current directory (not the program's folder).
inline constexpr const char* kPlayListPath = "data/play.lst";

// Reads the playlist: lines end at LF, and a CR right before the LF goes with it. Lines are read in
// pieces of at most 1023 bytes and every piece counts as a line, as does every blank line; the lines
// pair up in file order as file name, then title. Nothing is trimmed, and a byte-order mark stays part
// of the first file name. Fails, saying why, when the file cannot be opened or is a folder; a read
// error ends the reading as the end of the file does.
TResult<TPlayList> ReadPlayListFile(const std::filesystem::path& path = kPlayListPath);

// Reads the collection's playlist, kPlayListPath below the current directory. When it cannot be
// opened, one line on standard error gives the full path looked for and the reason.
TResult<TPlayList> ReadCollectionPlayList();
