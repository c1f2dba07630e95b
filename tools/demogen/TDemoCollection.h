// SPDX-License-Identifier: MIT
// The bundled demo collection: composes each piece, writes its file and the play list.
#pragma once

#include <string>
#include <vector>

class TScore;
class TSynthRenderer;

struct TDemoTrack {
  std::string File;  // relative to the data folder
  std::string Title;
};

class TDemoCollection {
public:
  // `dataDir` receives the tracks and play.lst. `lame` is the encoder command for the MP3 pieces.
  TDemoCollection(std::string dataDir, std::string lame);

  // Writes every track and the play list; false (with `Error()` set) at the first failure.
  bool Generate();
  const std::string& Error() const { return FError; }
  const std::vector<TDemoTrack>& Tracks() const { return FTracks; }
  // The listings of every piece written, one after the other.
  const std::string& Listing() const { return FListing; }

private:
  bool AmberCircuit();
  bool NightFerry();
  bool CopperKites();
  bool GlassHarbour();
  bool PaperLanterns();
  bool WritePlayList();
  // Renders a synthesised piece, encodes it as MP3 into `file` and lists it.
  bool RenderMp3(const TScore& score, TSynthRenderer& synth, const std::string& file);
  bool Save(const std::string& file, const std::vector<uint8_t>& bytes);

  std::string FDataDir;
  std::string FLame;
  std::string FError;
  std::string FListing;
  std::vector<TDemoTrack> FTracks;
};
