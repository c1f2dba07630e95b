// SPDX-License-Identifier: MIT
// Lays the parts of a score onto tracker channels, rows and patterns.
#pragma once

#include "TScore.h"
#include "TTrackerSong.h"

#include <string>
#include <vector>

enum class TVoicing {
  Mono,      // one line on one channel
  Poly,      // simultaneous notes spread over the plan's channels, lowest first
  Arpeggio,  // a chord on one channel, played as a fast arpeggio effect over its lowest note
  Drums,     // each drum routed to its own instrument and channel
};

enum class TRelease {
  None,   // the sample dies away by itself
  Off,    // a note-off when the note ends
  Slide,  // a volume slide down when the note ends, for formats without envelopes
};

// Where to send one drum: its instrument, its channel (an index into the plan's channels), and how it
// ranks when two drums meet on one row of one channel.
struct TDrumRoute {
  int Drum;
  int Instrument;
  int Channel;
  int Priority;
};

struct TChannelPlan {
  std::string Part;
  std::vector<int> Channels;
  TVoicing Voicing = TVoicing::Mono;
  int Instrument = 1;
  std::vector<TDrumRoute> Drums;
  // With one drum channel, a kick and a snare on the same row play this combined sample instead.
  int KickSnareInstrument = 0;
  double Volume = 1.0;  // scales note velocity to the 0..64 volume
  TRelease Release = TRelease::None;
  int SlideParam = 0x04;
  int VibratoParam = 0;  // vibrato effect written on held notes; 0 for none
};

enum class TPatternEnd {
  Short,  // the last pattern has just the rows it needs
  Break,  // every pattern has full length; a pattern break ends the last one early
};

class TTrackerArranger {
public:
  TTrackerArranger(const TScore& score, int rowsPerBeat);

  void Arrange(TTrackerSong& song, const std::vector<TChannelPlan>& plans, int rowsPerPattern, TPatternEnd end) const;

private:
  struct TGrid;
  struct TPlaced {
    int Row;
    int End;
  };
  void PlaceLine(TGrid& grid, const TChannelPlan& plan, int channel, const std::vector<TNote>& notes,
                 bool arpeggio) const;
  void PlaceDrums(TGrid& grid, const TTrackerSong& song, const TChannelPlan& plan,
                  const std::vector<TNote>& notes) const;
  int RowOf(double beat) const;

  const TScore& FScore;
  int FRowsPerBeat;
};
