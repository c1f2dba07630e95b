// SPDX-License-Identifier: MIT
// Which files the player can play, told by their names or, for a file named outright, by its first bytes.
#pragma once

#include <string>
#include <string_view>

enum class TAudioKind { None, Stream, Module };

namespace ModuleFormats {

// The kind a file's name promises: an MP3 stream for ".mp3", a tracker module for every extension the
// module decoder reads (".xm", ".it", ".mod", ".s3m", ...), in any mix of upper and lower case.
TAudioKind KindByName(std::string_view name);

// The kind of a file whose name promises nothing: a tracker module when its first bytes look like one
// to the module decoder, else None. Reads at most a few kilobytes; an unreadable file is None.
TAudioKind KindByContent(const std::string& path);

// `text` with its ASCII capitals in lower case, as file names and extensions are compared.
std::string LowerAscii(std::string_view text);

// True for the names of the playlists the player reads: ".m3u" and ".m3u8", in any case.
bool IsPlayListName(std::string_view name);

}  // namespace ModuleFormats
