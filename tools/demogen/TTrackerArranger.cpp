// SPDX-License-Identifier: MIT
// Turns notes in beats into tracker cells: voices to channels, note ends to note-offs or slides.
#include "TTrackerArranger.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <map>

struct TTrackerArranger::TGrid {
  int Rows;
  int Channels;
  std::vector<TTrackerCell> Cells;
  std::vector<int> Rank;  // priority of what holds a cell, for drums sharing a channel

  TGrid(int rows, int channels)
      : Rows(rows),
        Channels(channels),
        Cells(static_cast<size_t>(rows * channels)),
        Rank(static_cast<size_t>(rows * channels), -1) {}
  TTrackerCell& At(int row, int channel) { return Cells[static_cast<size_t>(row * Channels + channel)]; }
  int& RankAt(int row, int channel) { return Rank[static_cast<size_t>(row * Channels + channel)]; }
};

TTrackerArranger::TTrackerArranger(const TScore& score, int rowsPerBeat) : FScore(score), FRowsPerBeat(rowsPerBeat) {}

int TTrackerArranger::RowOf(double beat) const { return static_cast<int>(std::lround(beat * FRowsPerBeat)); }

void TTrackerArranger::PlaceLine(TGrid& grid, const TChannelPlan& plan, int channel, const std::vector<TNote>& notes,
                                 bool arpeggio) const {
  // Group notes that start on the same row: a chord for the arpeggio, otherwise the loudest wins.
  std::map<int, std::vector<const TNote*>> starts;
  for (const TNote& note : notes) {
    int row = RowOf(note.Beat);
    if (row >= 0 && row < grid.Rows) starts[row].push_back(&note);
  }
  std::vector<TPlaced> placed;
  for (auto& [row, group] : starts) {
    std::sort(group.begin(), group.end(), [](const TNote* a, const TNote* b) { return a->Pitch < b->Pitch; });
    const TNote* lead = group.front();
    if (!arpeggio)
      for (const TNote* n : group)
        if (n->Velocity > lead->Velocity) lead = n;
    TTrackerCell& cell = grid.At(row, channel);
    cell.Pitch = lead->Pitch;
    cell.Instrument = plan.Instrument;
    cell.Volume = std::clamp(static_cast<int>(std::lround(64 * plan.Volume * lead->Velocity)), 1, 64);
    int end = std::clamp(RowOf(lead->Beat + lead->Length), row + 1, grid.Rows);
    placed.push_back(TPlaced{row, end});
    if (arpeggio && group.size() > 1) {
      int x = group[1]->Pitch - lead->Pitch;
      int y = group.size() > 2 ? group[2]->Pitch - lead->Pitch : 0;
      while (x > 15) x -= 12;
      while (y > 15) y -= 12;
      for (int r = row; r < end; ++r) {
        TTrackerCell& held = grid.At(r, channel);
        held.Effect = kEffectArpeggio;
        held.Param = (x << 4) | y;
      }
    }
  }
  for (size_t i = 0; i < placed.size(); ++i) {
    int next = i + 1 < placed.size() ? placed[i + 1].Row : grid.Rows;
    int end = std::min(placed[i].End, next);
    if (plan.VibratoParam != 0 && end - placed[i].Row >= 6)
      for (int r = placed[i].Row + 3; r < end; ++r)
        if (grid.At(r, channel).Effect == kNoEffect) {
          grid.At(r, channel).Effect = kEffectVibrato;
          grid.At(r, channel).Param = plan.VibratoParam;
        }
    if (end >= next || end >= grid.Rows) continue;
    if (plan.Release == TRelease::Off) {
      grid.At(end, channel).Pitch = kNoteOff;
    } else if (plan.Release == TRelease::Slide) {
      for (int r = end; r < std::min(next, end + 8); ++r) {
        grid.At(r, channel).Effect = kEffectVolumeSlide;
        grid.At(r, channel).Param = plan.SlideParam;
      }
    }
  }
}

void TTrackerArranger::PlaceDrums(TGrid& grid, const TTrackerSong& song, const TChannelPlan& plan,
                                  const std::vector<TNote>& notes) const {
  std::vector<unsigned> kinds(grid.Cells.size(), 0);  // 1: kick, 2: snare, per cell
  for (const TNote& note : notes) {
    auto route =
        std::find_if(plan.Drums.begin(), plan.Drums.end(), [&](const TDrumRoute& r) { return r.Drum == note.Pitch; });
    if (route == plan.Drums.end()) continue;
    int row = RowOf(note.Beat);
    if (row < 0 || row >= grid.Rows) continue;
    int channel = plan.Channels[static_cast<size_t>(route->Channel)];
    size_t index = static_cast<size_t>(row * grid.Channels + channel);
    kinds[index] |= note.Pitch == kKick ? 1u : (note.Pitch == kSnare ? 2u : 0u);
    if (plan.KickSnareInstrument != 0 && kinds[index] == 3u) {
      const TTrackerInstrument& both = song.Instruments[static_cast<size_t>(plan.KickSnareInstrument - 1)];
      TTrackerCell& cell = grid.At(row, channel);
      cell.Pitch = static_cast<int>(std::lround(both.Sample.RootPitch));
      cell.Instrument = plan.KickSnareInstrument;
      cell.Volume =
          std::max(cell.Volume, std::clamp(static_cast<int>(std::lround(64 * plan.Volume * note.Velocity)), 1, 64));
      grid.RankAt(row, channel) = 1000;
      continue;
    }
    // A louder hit of the same drum, or any hit of a more important drum, takes the cell.
    int rank = route->Priority * 100 + static_cast<int>(note.Velocity * 99);
    if (grid.RankAt(row, channel) >= rank) continue;
    grid.RankAt(row, channel) = rank;
    const TTrackerInstrument& instrument = song.Instruments[static_cast<size_t>(route->Instrument - 1)];
    TTrackerCell& cell = grid.At(row, channel);
    cell.Pitch = static_cast<int>(std::lround(instrument.Sample.RootPitch));
    cell.Instrument = route->Instrument;
    cell.Volume = std::clamp(static_cast<int>(std::lround(64 * plan.Volume * note.Velocity)), 1, 64);
  }
}

void TTrackerArranger::Arrange(TTrackerSong& song, const std::vector<TChannelPlan>& plans, int rowsPerPattern,
                               TPatternEnd end) const {
  int rows = RowOf(FScore.Beats());
  TGrid grid(rows, song.Channels);
  for (const TChannelPlan& plan : plans) {
    const TPart* part = nullptr;
    for (const TPart& p : FScore.Parts())
      if (p.Name == plan.Part) part = &p;
    assert(part && "a channel plan names a part the score does not have");
    std::vector<TNote> notes = part->Notes;
    std::stable_sort(notes.begin(), notes.end(), [](const TNote& a, const TNote& b) { return a.Beat < b.Beat; });
    switch (plan.Voicing) {
      case TVoicing::Mono:
      case TVoicing::Arpeggio:
        PlaceLine(grid, plan, plan.Channels.front(), notes, plan.Voicing == TVoicing::Arpeggio);
        break;
      case TVoicing::Poly: {
        // The n-th lowest note of each chord goes to the n-th channel.
        std::vector<std::vector<TNote>> voices(plan.Channels.size());
        std::map<int, std::vector<TNote>> starts;
        for (const TNote& note : notes) starts[RowOf(note.Beat)].push_back(note);
        for (auto& [row, group] : starts) {
          std::sort(group.begin(), group.end(), [](const TNote& a, const TNote& b) { return a.Pitch < b.Pitch; });
          for (size_t i = 0; i < group.size() && i < voices.size(); ++i) voices[i].push_back(group[i]);
        }
        for (size_t i = 0; i < voices.size(); ++i) PlaceLine(grid, plan, plan.Channels[i], voices[i], false);
        break;
      }
      case TVoicing::Drums: PlaceDrums(grid, song, plan, notes); break;
    }
  }

  // The panning command goes into the channel's first empty cell, where it costs no note its volume;
  // a channel that is never empty gives up one row of a held arpeggio instead.
  for (int c = 0; c < song.Channels && c < static_cast<int>(song.ChannelPanning.size()); ++c) {
    if (song.ChannelPanning[static_cast<size_t>(c)] < 0) continue;
    auto fits = [&](const TTrackerCell& cell, bool strict) {
      return strict ? cell.Empty()
                    : cell.Pitch == kNoNote && cell.Volume < 0 &&
                          (cell.Effect == kNoEffect || cell.Effect == kEffectArpeggio);
    };
    bool placed = false;
    for (bool strict : {true, false})
      for (int r = 0; r < rows && !placed; ++r)
        if (fits(grid.At(r, c), strict)) {
          grid.At(r, c).Effect = kEffectPanning;
          grid.At(r, c).Param = song.ChannelPanning[static_cast<size_t>(c)];
          placed = true;
        }
  }

  song.Patterns.clear();
  song.Orders.clear();
  for (int first = 0; first < rows; first += rowsPerPattern) {
    int used = std::min(rowsPerPattern, rows - first);
    TTrackerPattern pattern(end == TPatternEnd::Short ? used : rowsPerPattern, song.Channels);
    for (int r = 0; r < used; ++r)
      for (int c = 0; c < song.Channels; ++c) pattern.At(r, c) = grid.At(first + r, c);
    if (end == TPatternEnd::Break && used < rowsPerPattern) {
      // The song stops after this row: the break leads past the last order entry.
      int channel = 0;
      for (int c = song.Channels - 1; c >= 0; --c)
        if (pattern.At(used - 1, c).Effect == kNoEffect && pattern.At(used - 1, c).Volume < 0) channel = c;
      pattern.At(used - 1, channel).Effect = kEffectPatternBreak;
      pattern.At(used - 1, channel).Param = 0;
    }
    // Sections that repeat note for note share one pattern.
    auto same = std::find(song.Patterns.begin(), song.Patterns.end(), pattern);
    if (same != song.Patterns.end()) {
      song.Orders.push_back(static_cast<int>(same - song.Patterns.begin()));
    } else {
      song.Orders.push_back(static_cast<int>(song.Patterns.size()));
      song.Patterns.push_back(std::move(pattern));
    }
  }
}
