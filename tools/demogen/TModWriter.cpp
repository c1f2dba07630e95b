// SPDX-License-Identifier: MIT
// The four-channel module writer. Pitch lives in the periods of three octaves and in each sample's
// finetune; volume and effects share the one effect column.
#include "TModWriter.h"

#include "TByteWriter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPeriods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 340, 320,
                              302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

// The rate at which a sample plays on the middle octave's C with finetune 0.
constexpr double kMiddleRate = 8363.0;

int ToSigned8(float v) { return std::clamp(static_cast<int>(std::lround(v * 127.0f)), -128, 127); }

}  // namespace

void TModWriter::NoteFor(const TSample& sample, int pitch, int& note, int& finetune) {
  double exact = pitch + 12.0 - sample.RootPitch + 12.0 * std::log2(sample.Rate / kMiddleRate);
  note = static_cast<int>(std::lround(exact));
  finetune = static_cast<int>(std::lround((exact - note) * 8.0));
  if (finetune > 7) {
    ++note;
    finetune -= 8;
  }
}

namespace {

// The title and the table of 31 samples (empty entries for those the song does not have), then the
// order list; returns the number of patterns the orders use.
int WriteHeader(TByteWriter& out, const TTrackerSong& song, const std::vector<int>& finetunes) {
  out.Text(song.Title, 20);
  for (size_t i = 0; i < 31; ++i) {
    if (i >= song.Instruments.size()) {
      out.Fill(0, 22);
      out.U16BE(0);
      out.U8(0);
      out.U8(0);
      out.U16BE(0);
      out.U16BE(1);
      continue;
    }
    const TTrackerInstrument& instrument = song.Instruments[i];
    const TSample& sample = instrument.Sample;
    size_t words = (sample.Data.size() + 1) / 2;
    out.Text(sample.Name, 22);
    out.U16BE(static_cast<int>(words));
    out.U8(finetunes[i] & 0x0F);
    out.U8(std::clamp(instrument.Volume, 0, 64));
    if (sample.LoopLength >= 2) {
      out.U16BE(static_cast<int>(sample.LoopStart / 2));
      out.U16BE(static_cast<int>(sample.LoopLength / 2));
    } else {
      out.U16BE(0);
      out.U16BE(1);
    }
  }
  out.U8(static_cast<int>(song.Orders.size()));
  out.U8(127);
  int patterns = 0;
  for (size_t i = 0; i < 128; ++i) {
    int order = i < song.Orders.size() ? song.Orders[i] : 0;
    patterns = std::max(patterns, order + 1);
    out.U8(order);
  }
  out.Text("M.K.", 4);
  return patterns;
}

// One cell: the period of its note and the effect column, which also carries a volume or a note off.
bool WriteCell(TByteWriter& out, const TTrackerSong& song, const TTrackerCell& cell, std::string& error) {
  int period = 0;
  if (cell.Pitch >= 0) {
    int instrument = cell.Instrument;
    if (instrument < 1) {
      error = "a note without an instrument";
      return false;
    }
    int note = 0;
    int finetune = 0;
    TModWriter::NoteFor(song.Instruments[static_cast<size_t>(instrument - 1)].Sample, cell.Pitch, note, finetune);
    // A note the three octaves cannot hold is refused: moved by an octave, it would
    // quietly play the wrong tune.
    if (note < 0 || note > 35) {
      error = "MIDI note " + std::to_string(cell.Pitch) + " is out of the range of sample \"" +
              song.Instruments[static_cast<size_t>(instrument - 1)].Sample.Name + "\"";
      return false;
    }
    period = kPeriods[note];
  }
  int effect = 0;
  int param = 0;
  if (cell.Effect != kNoEffect) {
    effect = cell.Effect;
    param = cell.Param;
  } else if (cell.Pitch == kNoteOff) {
    effect = kEffectSetVolume;
  } else if (cell.Volume >= 0) {
    effect = kEffectSetVolume;
    param = cell.Volume;
  }
  out.U8((cell.Instrument & 0xF0) | ((period >> 8) & 0x0F));
  out.U8(period & 0xFF);
  out.U8(((cell.Instrument & 0x0F) << 4) | (effect & 0x0F));
  out.U8(param & 0xFF);
  return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> TModWriter::Write(const TTrackerSong& song, std::string& error) {
  if (song.Channels != 4 || song.Instruments.size() > 31 || song.Orders.empty() || song.Orders.size() > 128) {
    error = "a four-channel module holds 4 channels, 31 samples and 128 orders";
    return std::nullopt;
  }
  for (const TTrackerInstrument& instrument : song.Instruments)
    if (instrument.Sample.Data.size() > 131070) {
      error = "sample \"" + instrument.Sample.Name + "\" is longer than 128 KiB";
      return std::nullopt;
    }

  // Every sample's finetune comes from its own tuning; patterns then carry plain periods.
  std::vector<int> finetunes;
  for (const TTrackerInstrument& instrument : song.Instruments) {
    int note = 0;
    int finetune = 0;
    NoteFor(instrument.Sample, 60, note, finetune);
    finetunes.push_back(finetune);
  }

  TByteWriter out;
  const int patterns = WriteHeader(out, song, finetunes);
  for (int p = 0; p < patterns; ++p) {
    const TTrackerPattern& pattern = song.Patterns[static_cast<size_t>(p)];
    if (pattern.Rows != 64) {
      error = "every pattern of a four-channel module has 64 rows";
      return std::nullopt;
    }
    for (int row = 0; row < 64; ++row)
      for (int channel = 0; channel < 4; ++channel)
        if (!WriteCell(out, song, pattern.At(row, channel), error)) return std::nullopt;
  }

  for (const TTrackerInstrument& instrument : song.Instruments) {
    const std::vector<float>& data = instrument.Sample.Data;
    for (float v : data) out.U8(ToSigned8(v));
    if (data.size() % 2 != 0) out.U8(0);
  }
  return out.Bytes();
}
