// SPDX-License-Identifier: MIT
// demogen: writes the bundled demo collection (tracks and play.lst) into a data folder.
#include "TDemoCollection.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  bool listing = argc > 1 && std::string(argv[1]) == "--listing";
  int first = listing ? 2 : 1;
  if (argc - first < 1 || argc - first > 2) {
    std::fprintf(stderr,
                 "usage: %s [--listing] DATA_DIR [LAME_COMMAND]\n"
                 "Writes the demo tracks and play.lst into DATA_DIR (e.g. demo/data);\n"
                 "--listing also prints each piece's chords and melodies bar by bar.\n",
                 argv[0]);
    return 2;
  }
  std::string dataDir = argv[first];
  std::string lame = argc - first == 2 ? argv[first + 1] : "lame";
  std::error_code error;
  std::filesystem::create_directories(dataDir, error);
  if (error) {
    std::fprintf(stderr, "demogen: cannot create %s: %s\n", dataDir.c_str(), error.message().c_str());
    return 1;
  }
  TDemoCollection collection(dataDir, lame);
  if (!collection.Generate()) {
    std::fprintf(stderr, "demogen: %s\n", collection.Error().c_str());
    return 1;
  }
  if (listing) std::printf("%s", collection.Listing().c_str());
  for (const TDemoTrack& track : collection.Tracks())
    std::printf("%-24s %s\n", track.File.c_str(), track.Title.c_str());
  return 0;
}
