// SPDX-License-Identifier: MIT
// The titles of tracks that no collection names: from their tags, else from their file names.
#pragma once

#include <string>
#include <string_view>

namespace TrackTitles {

// Text fit for one line of the list and the caption: every control character (a line end in a file
// name or a tag, a tab, an escape) becomes a space. Other bytes stay; the list shows bytes that are no
// UTF-8 as single characters.
std::string Showable(std::string_view text);

// The title a file name gives: the name without its last extension (a name that is only an
// extension stays whole), made Showable.
std::string FromFileName(std::string_view fileName);

// The title the file's tags give, made Showable: "Artist - Title" when both are set, the title
// alone when only it is; for an MP3 its ID3v2 tag first, then its ID3v1 tag; for a module the song
// name it carries. Empty when the file has no title, cannot be read, or is of a kind whose tags are
// not read. Reads the file; safe on any thread.
std::string FromTags(const std::string& path);

}  // namespace TrackTitles
