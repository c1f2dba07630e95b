// mira.nol — licensed under the terms in the LICENSE file.
// demogen: writes the bundled demo collection (tracks and play.lst) into a data folder.
#include "TDemoCollection.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR [LAME_COMMAND]\n"
                             "Writes the demo tracks and play.lst into DATA_DIR (e.g. demo/data).\n",
                     argv[0]);
        return 2;
    }
    std::string dataDir = argv[1];
    std::string lame = argc == 3 ? argv[2] : "lame";
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
    for (const TDemoTrack& track : collection.Tracks())
        std::printf("%-24s %s\n", track.File.c_str(), track.Title.c_str());
    return 0;
}
