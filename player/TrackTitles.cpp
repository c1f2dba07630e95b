// SPDX-License-Identifier: MIT
// Track titles from tags, through the tag library, or from file names.
#include "TrackTitles.h"

#include "platform/ProblemReport.h"
#include "platform/TDynamicLibrary.h"

#include <tag_c.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

namespace TrackTitles {

namespace {

std::string Trimmed(std::string text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The tag library, through its C interface, loaded when the first tag is read. A player on its
// fixed collection never reads one, and the library's pages (some 600 KiB once it is loaded and its
// many tables relocated) and its load time would otherwise come with every start. Without the
// library every track keeps the title its file name gives.
struct TTagLibrary {
  decltype(&taglib_file_new) FileNew = nullptr;
  decltype(&taglib_file_free) FileFree = nullptr;
  decltype(&taglib_file_is_valid) FileIsValid = nullptr;
  decltype(&taglib_file_tag) FileTag = nullptr;
  decltype(&taglib_tag_title) TagTitle = nullptr;
  decltype(&taglib_tag_artist) TagArtist = nullptr;
  decltype(&taglib_free) Free = nullptr;
};

std::optional<TTagLibrary> LoadTagLibrary() {
  TResult<TDynamicLibrary> library = TDynamicLibrary::Open("libtag_c.so.0");
  if (!library) {
    ReportProblem("titles come from file names only: " + library.Error());
    return std::nullopt;
  }
  TTagLibrary tags;
  auto entry = [&library]<typename T>(T& to, const char* name) { to = reinterpret_cast<T>(library->Symbol(name)); };
  entry(tags.FileNew, "taglib_file_new");
  entry(tags.FileFree, "taglib_file_free");
  entry(tags.FileIsValid, "taglib_file_is_valid");
  entry(tags.FileTag, "taglib_file_tag");
  entry(tags.TagTitle, "taglib_tag_title");
  entry(tags.TagArtist, "taglib_tag_artist");
  entry(tags.Free, "taglib_free");
  decltype(&taglib_set_string_management_enabled) setManaged = nullptr;
  decltype(&taglib_set_strings_unicode) setUnicode = nullptr;
  entry(setManaged, "taglib_set_string_management_enabled");
  entry(setUnicode, "taglib_set_strings_unicode");
  if (!tags.FileNew || !tags.FileFree || !tags.FileIsValid || !tags.FileTag || !tags.TagTitle || !tags.TagArtist ||
      !tags.Free || !setManaged || !setUnicode) {
    ReportProblem("titles come from file names only: " + library->Path().string() + " lacks an entry point");
    return std::nullopt;
  }
  // It stays loaded to the end: a title may still be read on another thread while the program ends.
  library->Release();
  // Each text is freed by its reader, not kept in the library's one shared list until a call that
  // frees every text at once, which two readers on two threads would race on.
  setManaged(false);
  setUnicode(true);
  return tags;
}

const TTagLibrary* TagLibrary() {
  static const std::optional<TTagLibrary> library = LoadTagLibrary();
  return library ? &*library : nullptr;
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
  const TTagLibrary* tags = TagLibrary();
  if (!tags) return {};
  const std::unique_ptr<TagLib_File, decltype(tags->FileFree)> file(tags->FileNew(path.c_str()), tags->FileFree);
  if (!file || !tags->FileIsValid(file.get())) return {};
  const TagLib_Tag* tag = tags->FileTag(file.get());
  if (!tag) return {};
  auto text = [tags](char* owned) {
    std::string out = owned ? Trimmed(Showable(owned)) : std::string();
    tags->Free(owned);
    return out;
  };
  const std::string title = text(tags->TagTitle(tag));
  if (title.empty()) return {};
  const std::string artist = text(tags->TagArtist(tag));
  return artist.empty() ? title : artist + " - " + title;
}

}  // namespace TrackTitles
