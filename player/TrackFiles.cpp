// SPDX-License-Identifier: MIT
// Where a playlist entry's file lies on disk and how the player decides its kind.
#include "TrackFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace TrackFiles {

std::string TrackPath(std::string_view fileName) {
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  // A current directory that was removed under us leaves no absolute path to build; the relative
  // one still names the same place for as long as the process sits in it.
  return TrackPath(error ? std::string(".") : current.string(), fileName);
}

std::string TrackPath(std::string_view currentDir, std::string_view fileName) {
  while (!currentDir.empty() && currentDir.back() == '/') currentDir.remove_suffix(1);
  std::string path;
  path.reserve(currentDir.size() + 6 + fileName.size());
  path.append(currentDir);
  path.append("/data/");
  std::string name(fileName);
  std::replace(name.begin(), name.end(), '\\', '/');
  path.append(name);
  return path;
}

bool IsStreamFile(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = last.rfind('.');
  if (dot == std::string_view::npos) return false;
  return last.substr(dot) == ".mp3";
}

std::string EntryPath(const TrackEntry& entry) { return entry.Path.empty() ? TrackPath(entry.FileName) : entry.Path; }

bool EntryIsStream(const TrackEntry& entry) { return entry.Path.empty() ? IsStreamFile(entry.FileName) : entry.Stream; }

}  // namespace TrackFiles
