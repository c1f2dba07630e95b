// SPDX-License-Identifier: MIT
// Tracks from named files, folders, collection folders and M3U playlists.
#include "TrackSources.h"

#include "ModuleFormats.h"
#include "TrackFiles.h"
#include "TrackTitles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace TrackSources {

namespace {

// A playlist larger than this is no list of tracks; it is refused rather than read into memory.
constexpr std::uintmax_t kMaxPlayListBytes = 16u << 20;
// Playlists that list one another many times over (not in a loop) would take for ever to read.
constexpr std::size_t kMaxPlayListsRead = 10000;

using ModuleFormats::LowerAscii;

std::string_view Trimmed(std::string_view text) {
  const char* blanks = " \t\r\n\f\v";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The title of an #EXTINF line: what follows the first comma that is not inside quotes.
std::string ExtInfTitle(std::string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ',' && !quoted) return TrackTitles::Showable(Trimmed(line.substr(i + 1)));
  }
  return {};
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// "scheme:" at the start of a line, as in "http://host/x" or "file:///x".
bool HasScheme(std::string_view text) {
  const std::size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
           c == '.';
  });
}

// The local path a file:// address names, or nothing when it names another machine.
bool LocalPathOfFileUri(std::string_view uri, std::string& path) {
  if (LowerAscii(uri.substr(0, 7)) != "file://") return false;
  uri.remove_prefix(7);
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return false;
  const std::string host = LowerAscii(uri.substr(0, slash));
  if (!host.empty() && host != "localhost") {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || host != LowerAscii(name)) return false;
  }
  path = PercentDecoded(uri.substr(slash));
  return true;
}

// Latin-1 bytes as UTF-8: how a playlist written in a single-byte code page names a file that this
// system stores under a UTF-8 name.
std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return out;
}

// A name as reports show it: quoted, so that an empty name or one with blanks at its ends reads right.
std::string Quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

class TGatherer {
public:
  explicit TGatherer(const TProblemSink& report) : FReport(report) {}

  // One name the user gave, or one playlist entry (`origin` then tells where it came from).
  void AddName(const fs::path& path, const std::string& where, const std::string& shown, const std::string* title,
               int depth);
  std::vector<TrackEntry> Take() { return std::move(FTracks); }

private:
  void Report(const std::string& text) { FReport(text); }
  bool Full();
  void AddFile(const fs::path& path, TAudioKind kind, const std::string* title);
  void AddFolder(const fs::path& path, const std::string& where, const std::string& shown);
  void AddCollection(const fs::path& path, const std::string& where, const std::string& shown);
  void AddPlayList(const fs::path& path, const std::string& where, const std::string& shown, int depth);
  void AddPlayListLine(const fs::path& folder, const std::string& where, std::string_view line,
                       const std::string* title, bool utf8, int depth);

  const TProblemSink& FReport;
  std::vector<TrackEntry> FTracks;
  // The playlists being read, innermost last: one that lists any of them would never end.
  std::vector<fs::path> FOpenPlayLists;
  bool FFullReported = false;
  std::size_t FPlayListsRead = 0;
  bool FDeepReported = false;
};

bool TGatherer::Full() {
  if (FTracks.size() < kMaxTracks) return false;
  if (!FFullReported) Report("more than " + std::to_string(kMaxTracks) + " tracks; the rest are left out");
  FFullReported = true;
  return true;
}

void TGatherer::AddName(const fs::path& path, const std::string& where, const std::string& shown,
                        const std::string* title, int depth) {
  if (Full()) return;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) {
    Report(where + "cannot find " + shown + ": " + (error ? error.message() : std::strerror(ENOENT)));
    return;
  }
  if (fs::is_directory(status)) {
    if (fs::is_regular_file(path / kPlayListPath, error))
      AddCollection(path, where, shown);
    else
      AddFolder(path, where, shown);
    return;
  }
  if (!fs::is_regular_file(status)) {
    Report(where + shown + " is neither a file nor a folder; left out");
    return;
  }
  const std::string name = path.filename().string();
  if (ModuleFormats::IsPlayListName(name)) {
    AddPlayList(path, where, shown, depth);
    return;
  }
  TAudioKind kind = ModuleFormats::KindByName(name);
  if (kind == TAudioKind::None) kind = ModuleFormats::KindByContent(path.string());
  if (kind == TAudioKind::None) {
    Report(where + shown + " is neither an MP3 file nor a tracker module; left out");
    return;
  }
  AddFile(path, kind, title);
}

void TGatherer::AddFile(const fs::path& path, TAudioKind kind, const std::string* title) {
  if (Full()) return;
  TrackEntry entry;
  entry.FileName = path.filename().string();
  entry.Path = path.string();
  entry.Stream = kind == TAudioKind::Stream;
  if (title && !title->empty()) {
    entry.Title = *title;
  } else {
    entry.Title = TrackTitles::FromFileName(entry.FileName);
    entry.TitlePending = true;
  }
  FTracks.push_back(std::move(entry));
}

void TGatherer::AddFolder(const fs::path& path, const std::string& where, const std::string& shown) {
  std::vector<std::pair<std::string, TAudioKind>> files;
  std::error_code error;
  fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
  if (error) {
    Report(where + "cannot read the folder " + shown + ": " + error.message());
    return;
  }
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    const std::string name = it->path().filename().string();
    // Hidden files are no one's music: editors' backups and other systems' shadow files.
    if (name.empty() || name[0] == '.') continue;
    const TAudioKind kind = ModuleFormats::KindByName(name);
    if (kind == TAudioKind::None) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError) || typeError) continue;
    files.emplace_back(name, kind);
  }
  if (error) Report(where + "cannot read all of the folder " + shown + ": " + error.message());
  if (files.empty()) {
    Report(where + shown + " holds no MP3 file or tracker module");
    return;
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return NaturalLess(a.first, b.first); });
  for (const auto& [name, kind] : files) AddFile(path / name, kind, nullptr);
}

void TGatherer::AddCollection(const fs::path& path, const std::string& where, const std::string& shown) {
  TResult<TPlayList> list = ReadPlayListFile(path / kPlayListPath);
  if (!list) {
    Report(where + list.Error());
    return;
  }
  if (list->TrackCount == 0) {
    Report(where + shown + " is a collection whose " + kPlayListPath + " lists no track");
    return;
  }
  // The entries keep their own file names and titles; only the folder they lie below is now given
  // instead of being the current one.
  const std::string folder = path.string();
  for (int32_t i = 0; i < list->TrackCount && !Full(); ++i) {
    TrackEntry entry = std::move(list->TrackTable[static_cast<std::size_t>(i)]);
    entry.Path = TrackFiles::TrackPath(folder, entry.FileName);
    entry.Stream = TrackFiles::IsStreamFile(entry.Path);
    FTracks.push_back(std::move(entry));
  }
}

void TGatherer::AddPlayList(const fs::path& path, const std::string& where, const std::string& shown, int depth) {
  std::error_code error;
  const fs::path identity = fs::weakly_canonical(path, error);
  const fs::path& key = error ? path : identity;
  if (std::find(FOpenPlayLists.begin(), FOpenPlayLists.end(), key) != FOpenPlayLists.end()) {
    Report(where + shown + " lists itself, directly or through other playlists; that line is left out");
    return;
  }
  if (++FPlayListsRead > kMaxPlayListsRead) {
    if (FPlayListsRead == kMaxPlayListsRead + 1)
      Report("more than " + std::to_string(kMaxPlayListsRead) + " playlists to read; the rest are left out");
    return;
  }
  if (depth > kMaxPlayListDepth) {
    if (!FDeepReported)
      Report(where + shown + " lies more than " + std::to_string(kMaxPlayListDepth) +
             " playlists deep; it and what lies deeper are left out");
    FDeepReported = true;
    return;
  }
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size > kMaxPlayListBytes) {
    Report(where + "cannot read the playlist " + shown + ": " + (error ? error.message() : "larger than 16 MiB"));
    return;
  }
  std::ifstream file(path, std::ios::binary);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!file || !file.read(text.data(), static_cast<std::streamsize>(text.size()))) {
    Report(where + "cannot read the playlist " + shown);
    return;
  }
  std::string_view rest = text;
  if (StartsWith(rest, "\xEF\xBB\xBF")) rest.remove_prefix(3);

  FOpenPlayLists.push_back(key);
  const std::size_t before = FTracks.size();
  const bool utf8 = LowerAscii(path.extension().string()) == ".m3u8";
  const fs::path folder = path.parent_path();
  // Lines are named after the playlist as the user wrote it, or by its full path when another lists it.
  const std::string lines = depth == 0 ? shown : Quoted(path.string());
  std::string title;
  bool titled = false;
  for (int number = 1; !rest.empty() && !Full(); ++number) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = Trimmed(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (line.empty()) continue;
    if (line[0] == '#') {
      if (StartsWith(line, "#EXTINF:")) {
        title = ExtInfTitle(line);
        titled = true;
      }
      continue;
    }
    AddPlayListLine(folder, lines + ":" + std::to_string(number) + ": ", line, titled ? &title : nullptr, utf8, depth);
    titled = false;
  }
  FOpenPlayLists.pop_back();
  // Playlists cut short by a limit have had their line already.
  if (FTracks.size() == before && !Full() && FPlayListsRead <= kMaxPlayListsRead && !FDeepReported)
    Report(where + shown + " lists nothing that can be played");
}

void TGatherer::AddPlayListLine(const fs::path& folder, const std::string& where, std::string_view line,
                                const std::string* title, bool utf8, int depth) {
  std::string name(line);
  if (HasScheme(line)) {
    if (!LocalPathOfFileUri(line, name)) {
      Report(where + Quoted(line) + " is not a file on this computer; left out");
      return;
    }
  }
  fs::path path = fs::path(name).is_absolute() ? fs::path(name) : folder / name;
  if (!Exists(path)) {
    // Playlists written on other systems: backslashes between folders, or names in a single-byte
    // code page where this system's names are UTF-8.
    std::string alternative = name;
    std::replace(alternative.begin(), alternative.end(), '\\', '/');
    if (!utf8) alternative = Latin1ToUtf8(alternative);
    const fs::path other = fs::path(alternative).is_absolute() ? fs::path(alternative) : folder / alternative;
    if (alternative != name && Exists(other)) path = other;
  }
  AddName(path, where, Quoted(name), title, depth + 1);
}

}  // namespace

std::vector<TrackEntry> Gather(const std::vector<std::string>& names, const TProblemSink& report) {
  TGatherer gatherer(report);
  for (const std::string& name : names) {
    std::error_code error;
    fs::path path = name.empty() ? fs::path() : fs::absolute(name, error);
    if (name.empty() || error) path = name;
    gatherer.AddName(path, "", Quoted(name), nullptr, 0);
  }
  return gatherer.Take();
}

bool NaturalLess(std::string_view a, std::string_view b) {
  // The version order of the C library compares digit runs by value; on names folded to lower case
  // first, then on the names themselves, so that two names never compare equal unless they are.
  const std::string la = LowerAscii(a), lb = LowerAscii(b);
  if (const int c = strverscmp(la.c_str(), lb.c_str()); c != 0) return c < 0;
  const std::string ra(a), rb(b);
  return strverscmp(ra.c_str(), rb.c_str()) < 0;
}

}  // namespace TrackSources
