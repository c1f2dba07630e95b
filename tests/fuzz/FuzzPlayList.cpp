// SPDX-License-Identifier: MIT
// libFuzzer target: the playlist reader on arbitrary file contents.
#include "player/PlayList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The reader takes a path, so every input goes through one scratch file of this process.
const std::string& ScratchPath() {
  static const std::string path = [] {
    char name[] = "/tmp/mira-fuzz-playlist-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) abort();
    close(fd);
    return std::string(name);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(ScratchPath().c_str(), "wb");
  if (!f) abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) abort();
  std::fclose(f);

  const TResult<TPlayList> list = ReadPlayListFile(ScratchPath());
  // The file exists, so it must be read; what is read must keep the table's promises.
  if (!list) abort();
  if (list->TrackCount < 0 || static_cast<size_t>(list->TrackCount) > list->TrackTable.size()) abort();
  size_t bytes = 0;
  for (const TrackEntry& e : list->TrackTable) {
    if (e.FileName.size() > 1023 || e.Title.size() > 1023) abort();
    bytes += e.FileName.size() + e.Title.size();
  }
  if (bytes > size) abort();
  return 0;
}
