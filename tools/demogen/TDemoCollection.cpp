// SPDX-License-Identifier: MIT
// The demo collection: the order of its tracks, their files and the play list. Each piece fixes a
// key, a harmony and a form, lets the composer write the parts, and hands the score on: the module
// pieces live in TDemoCollectionModules.cpp, the rendered ones in TDemoCollectionMp3.cpp.
#include "TDemoCollection.h"

#include "TByteWriter.h"

#include <fstream>

TDemoCollection::TDemoCollection(std::string dataDir, std::string lame)
    : FDataDir(std::move(dataDir)), FLame(std::move(lame)) {}

bool TDemoCollection::Save(const std::string& file, const std::vector<uint8_t>& bytes) {
  TByteWriter out;
  out.Append(bytes);
  if (!out.SaveToFile(FDataDir + "/" + file)) {
    FError = "cannot write " + FDataDir + "/" + file;
    return false;
  }
  return true;
}

bool TDemoCollection::Generate() {
  FTracks.clear();
  // The first entry is what plays when the player starts.
  return GlassHarbour() && AmberCircuit() && NightFerry() && CopperKites() && PaperLanterns() && WritePlayList();
}

bool TDemoCollection::WritePlayList() {
  std::ofstream out(FDataDir + "/play.lst", std::ios::binary | std::ios::trunc);
  for (const TDemoTrack& track : FTracks) out << track.File << '\n' << track.Title << '\n';
  if (!out) {
    FError = "cannot write " + FDataDir + "/play.lst";
    return false;
  }
  return true;
}
