// SPDX-License-Identifier: MIT
// Track titles from tags, through the tag library, or from file names.
#include "TrackTitles.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <filesystem>
#include <system_error>

namespace TrackTitles {

namespace {

std::string Trimmed(std::string text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string Showable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) c = ' ';
  }
  return out;
}

std::string FromFileName(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot != std::string_view::npos && dot > 0) fileName = fileName.substr(0, dot);
  return Showable(fileName);
}

std::string FromTags(const std::string& path) {
  // A pipe or a device put where a file was listed would block the reading for good.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  // Only the tags: the player takes lengths from the sound library.
  const TagLib::FileRef file(path.c_str(), false);
  if (file.isNull() || !file.tag()) return {};
  const std::string title = Trimmed(Showable(file.tag()->title().to8Bit(true)));
  if (title.empty()) return {};
  const std::string artist = Trimmed(Showable(file.tag()->artist().to8Bit(true)));
  return artist.empty() ? title : artist + " - " + title;
}

}  // namespace TrackTitles
