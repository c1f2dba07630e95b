// SPDX-License-Identifier: MIT
// The playlist reader: two passes over the file, counting line pieces first, then pairing them.
#include "player/PlayList.h"

#include "platform/ProblemReport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace {

// The longest piece of a line read at once; longer lines continue in the next piece.
constexpr std::size_t kPieceBytes = 1023;

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// Reads the next piece of a line into text, without its line end. A CR LF pair reads as one LF,
// and counts as one byte of the piece, so CR LF and LF files split long lines at the same places.
// A CR elsewhere is an ordinary byte. Returns false at the end of the file (or on a read error)
// when nothing was read.
bool ReadPiece(std::FILE* file, std::string& text) {
  text.clear();
  std::size_t bytes = 0;
  while (bytes < kPieceBytes) {
    int c = std::getc(file);
    if (c == EOF) break;
    if (c == '\r') {
      int next = std::getc(file);
      if (next == '\n') return true;
      if (next != EOF) std::ungetc(next, file);
    } else if (c == '\n') {
      return true;
    }
    text.push_back(static_cast<char>(c));
    ++bytes;
  }
  return bytes > 0;
}

}  // namespace

TResult<TPlayList> ReadPlayListFile(const std::filesystem::path& path) {
  TFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return Fail("cannot open the playlist " + path.string() + ": " + std::strerror(errno));
  // A folder of that name opens here, but it is no playlist: treat it as a file that cannot be opened.
  struct stat info {};
  if (fstat(fileno(file.get()), &info) != 0)
    return Fail("cannot read the playlist " + path.string() + ": " + std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return Fail("cannot open the playlist " + path.string() + ": " + std::strerror(EISDIR));

  std::string piece;
  std::size_t lines = 0;
  while (ReadPiece(file.get(), piece)) ++lines;

  TPlayList list;
  list.TrackTable.resize(lines);
  std::clearerr(file.get());
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) return list;

  std::size_t filled = 0;
  while (filled < lines && ReadPiece(file.get(), list.TrackTable[filled].FileName)) {
    ReadPiece(file.get(), list.TrackTable[filled].Title);
    ++filled;
  }
  list.TrackCount = static_cast<int32_t>(filled);
  return list;
}

TResult<TPlayList> ReadCollectionPlayList() {
  // The message box names the file as "data\play.lst" only; the full path tells which folder the
  // player was started in. A current directory that is gone leaves the relative path.
  std::error_code noFolder;
  std::filesystem::path full = std::filesystem::absolute(kPlayListPath, noFolder);
  if (noFolder) full = kPlayListPath;
  TResult<TPlayList> list = ReadPlayListFile(full);
  if (!list) ReportProblem(list.Error());
  return list;
}
