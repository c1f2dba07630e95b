// SPDX-License-Identifier: MIT
// The scream-style module writer. Everything after the header is addressed in 16-byte paragraphs,
// effects are letters (A = 1), and a note's volume has its own column.
#include "TS3mWriter.h"

#include "TByteWriter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kEmptyNote = 255;
constexpr int kNoteCut = 254;

// The letter effects this writer uses, numbered from A = 1.
constexpr int kSetSpeed = 'A' - '@';
constexpr int kPatternBreak = 'C' - '@';
constexpr int kVolumeSlide = 'D' - '@';
constexpr int kVibrato = 'H' - '@';
constexpr int kArpeggio = 'J' - '@';
constexpr int kPanning = 'X' - '@';

void PadToParagraph(TByteWriter& out) {
  while (out.Size() % 16 != 0) out.U8(0);
}

// Maps the shared effect numbers onto letters; false when the format has no such effect.
bool Translate(const TTrackerCell& cell, int& command, int& info) {
  info = cell.Param;
  switch (cell.Effect) {
    case kEffectArpeggio: command = kArpeggio; return true;
    case kEffectVibrato: command = kVibrato; return true;
    case kEffectVolumeSlide: command = kVolumeSlide; return true;
    case kEffectPatternBreak: command = kPatternBreak; return true;
    case kEffectSpeed: command = kSetSpeed; return true;
    case kEffectPanning:
      command = kPanning;
      info = cell.Param / 2;  // 0..0x80 runs left to right
      return true;
    default: return false;
  }
}

}  // namespace

uint32_t TS3mWriter::MiddleCRate(const TSample& sample) {
  return static_cast<uint32_t>(std::lround(sample.Rate * std::pow(2.0, (60.0 - sample.RootPitch) / 12.0)));
}

namespace {

// Where the header keeps the paragraph pointers of the instruments and the patterns.
struct TPointerTables {
  size_t Instruments = 0;
  size_t Patterns = 0;
};

TPointerTables WriteHeader(TByteWriter& out, const TTrackerSong& song, const std::vector<int>& orders) {
  out.Text(song.Title, 28);
  out.U8(0x1A);
  out.U8(16);  // module type
  out.U16LE(0);
  out.U16LE(static_cast<int>(orders.size()));
  out.U16LE(static_cast<int>(song.Instruments.size()));
  out.U16LE(static_cast<int>(song.Patterns.size()));
  out.U16LE(0);       // flags
  out.U16LE(0x1320);  // written as by version 3.20
  out.U16LE(2);       // unsigned samples
  out.Text("SCRM", 4);
  out.U8(64);  // global volume
  out.U8(song.Speed);
  out.U8(song.Tempo);
  out.U8(0x80 | 0x30);  // stereo, master volume 48
  out.U8(0);
  out.U8(252);  // the channel panning table follows the pointers
  out.Fill(0, 8);
  out.U16LE(0);
  for (int c = 0; c < 32; ++c) out.U8(c < song.Channels ? (c % 2 == 0 ? c / 2 : 8 + c / 2) : 255);
  for (int order : orders) out.U8(order);

  TPointerTables tables;
  tables.Instruments = out.Size();
  out.Fill(0, song.Instruments.size() * 2);
  tables.Patterns = out.Size();
  out.Fill(0, song.Patterns.size() * 2);
  for (int c = 0; c < 32; ++c) {
    int pan = c < static_cast<int>(song.ChannelPanning.size()) && song.ChannelPanning[static_cast<size_t>(c)] >= 0
                  ? song.ChannelPanning[static_cast<size_t>(c)] / 17
                  : (c % 2 == 0 ? 3 : 12);
    out.U8(c < song.Channels ? 0x20 | std::clamp(pan, 0, 15) : 0);
  }
  return tables;
}

// The sample headers; returns where each one's data pointer goes, filled in once the data's place
// is known.
std::vector<size_t> WriteSampleHeaders(TByteWriter& out, const TTrackerSong& song, size_t instrumentPointers) {
  std::vector<size_t> dataPointers;
  for (size_t i = 0; i < song.Instruments.size(); ++i) {
    PadToParagraph(out);
    out.PatchU16LE(instrumentPointers + 2 * i, static_cast<int>(out.Size() / 16));
    const TTrackerInstrument& instrument = song.Instruments[i];
    const TSample& sample = instrument.Sample;
    out.U8(1);
    out.Text(sample.Name, 12);
    dataPointers.push_back(out.Size());
    out.Fill(0, 3);
    out.U32LE(static_cast<uint32_t>(sample.Data.size()));
    out.U32LE(static_cast<uint32_t>(sample.LoopStart));
    out.U32LE(static_cast<uint32_t>(sample.LoopLength > 0 ? sample.LoopStart + sample.LoopLength : 0));
    out.U8(std::clamp(instrument.Volume, 0, 64));
    out.U8(0);
    out.U8(0);
    out.U8(sample.LoopLength > 0 ? 1 : 0);
    out.U32LE(TS3mWriter::MiddleCRate(sample));
    out.Fill(0, 12);
    out.Text(sample.Name, 28);
    out.Text("SCRS", 4);
  }
  return dataPointers;
}

// One cell in the packed form: a byte saying what follows, then note and instrument, volume and
// effect as present. An empty cell writes nothing.
void PackCell(TByteWriter& packed, const TTrackerCell& cell, int channel) {
  int note = kEmptyNote;
  if (cell.Pitch == kNoteOff) {
    note = kNoteCut;
  } else if (cell.Pitch >= 0) {
    int octave = std::clamp(cell.Pitch / 12 - 1, 0, 7);
    note = (octave << 4) | (cell.Pitch % 12);
  }
  int command = 0;
  int info = 0;
  bool hasEffect = cell.Effect != kNoEffect && Translate(cell, command, info);
  int what = channel;
  if (note != kEmptyNote || cell.Instrument) what |= 0x20;
  if (cell.Volume >= 0) what |= 0x40;
  if (hasEffect) what |= 0x80;
  if (what == channel) return;
  packed.U8(what);
  if (what & 0x20) {
    packed.U8(note);
    packed.U8(cell.Instrument);
  }
  if (what & 0x40) packed.U8(std::min(cell.Volume, 64));
  if (what & 0x80) {
    packed.U8(command);
    packed.U8(info);
  }
}

}  // namespace

std::optional<std::vector<uint8_t>> TS3mWriter::Write(const TTrackerSong& song, std::string& error) {
  if (song.Channels < 1 || song.Channels > 16 || song.Orders.empty() || song.Orders.size() > 254 ||
      song.Instruments.size() > 99 || song.Patterns.size() > 99) {
    error = "the song does not fit a scream-style module's limits";
    return std::nullopt;
  }
  // The order list has an even length; the padding entry marks the end of the song.
  std::vector<int> orders = song.Orders;
  orders.push_back(255);
  if (orders.size() % 2 != 0) orders.push_back(255);

  TByteWriter out;
  const TPointerTables tables = WriteHeader(out, song, orders);
  const std::vector<size_t> dataPointers = WriteSampleHeaders(out, song, tables.Instruments);

  for (size_t p = 0; p < song.Patterns.size(); ++p) {
    const TTrackerPattern& pattern = song.Patterns[p];
    if (pattern.Rows != 64 || pattern.Channels != song.Channels) {
      error = "every pattern of a scream-style module has 64 rows";
      return std::nullopt;
    }
    TByteWriter packed;
    for (int row = 0; row < 64; ++row) {
      for (int channel = 0; channel < pattern.Channels; ++channel) PackCell(packed, pattern.At(row, channel), channel);
      packed.U8(0);
    }
    PadToParagraph(out);
    out.PatchU16LE(tables.Patterns + 2 * p, static_cast<int>(out.Size() / 16));
    out.U16LE(static_cast<int>(packed.Size() + 2));
    out.Append(packed.Bytes());
  }

  for (size_t i = 0; i < song.Instruments.size(); ++i) {
    PadToParagraph(out);
    size_t paragraph = out.Size() / 16;
    if (paragraph > 0xFFFFFF) {
      error = "the samples lie beyond what the format can address";
      return std::nullopt;
    }
    out.PatchU16LE(dataPointers[i] + 1, static_cast<int>(paragraph & 0xFFFF));
    out.PatchU8(dataPointers[i], static_cast<int>(paragraph >> 16));
    for (float v : song.Instruments[i].Sample.Data)
      out.U8(std::clamp(static_cast<int>(std::lround(v * 127.0f)), -128, 127) + 128);
  }
  return out.Bytes();
}
