// SPDX-License-Identifier: MIT
// The extended module writer: packed patterns, one sample per instrument, linear frequencies.
#include "TXmWriter.h"

#include "TByteWriter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMiddleRate = 8363.0;
constexpr int kKeyOff = 97;

void WriteCell(TByteWriter& out, const TTrackerCell& cell, std::string& error) {
  int note = 0;
  if (cell.Pitch == kNoteOff) {
    note = kKeyOff;
  } else if (cell.Pitch >= 0) {
    // C-4 (note 49) is MIDI 60.
    note = cell.Pitch - 11;
    if (note < 1 || note > 96) {
      error = "a note outside the eight octaves";
      note = std::clamp(note, 1, 96);
    }
  }
  int volume = cell.Volume >= 0 ? 0x10 + std::min(cell.Volume, 64) : 0;
  int effect = cell.Effect == kNoEffect ? 0 : cell.Effect;
  int param = cell.Effect == kNoEffect ? 0 : cell.Param;
  int mask = 0x80;
  if (note) mask |= 0x01;
  if (cell.Instrument) mask |= 0x02;
  if (volume) mask |= 0x04;
  if (effect) mask |= 0x08;
  if (param) mask |= 0x10;
  out.U8(mask);
  if (note) out.U8(note);
  if (cell.Instrument) out.U8(cell.Instrument);
  if (volume) out.U8(volume);
  if (effect) out.U8(effect);
  if (param) out.U8(param);
}

}  // namespace

void TXmWriter::Tuning(const TSample& sample, int& relativeNote, int& finetune) {
  double exact = 60.0 - sample.RootPitch + 12.0 * std::log2(sample.Rate / kMiddleRate);
  relativeNote = static_cast<int>(std::lround(exact));
  finetune = std::clamp(static_cast<int>(std::lround((exact - relativeNote) * 128.0)), -128, 127);
}

namespace {

void WriteHeader(TByteWriter& out, const TTrackerSong& song) {
  out.Text("Extended Module: ", 17);
  out.Text(song.Title, 20);
  out.U8(0x1A);
  out.Text("mira.nol demogen", 20);
  out.U16LE(0x0104);
  out.U32LE(276);
  out.U16LE(static_cast<int>(song.Orders.size()));
  out.U16LE(0);  // restart position; the song ends after its last order entry
  out.U16LE(song.Channels);
  out.U16LE(static_cast<int>(song.Patterns.size()));
  out.U16LE(static_cast<int>(song.Instruments.size()));
  out.U16LE(1);  // linear frequency table
  out.U16LE(song.Speed);
  out.U16LE(song.Tempo);
  for (size_t i = 0; i < 256; ++i) out.U8(i < song.Orders.size() ? song.Orders[i] : 0);
}

// The instrument header with its volume envelope, then its one sample's header.
void WriteInstrumentHeader(TByteWriter& out, const TTrackerInstrument& instrument, bool wide) {
  const TSample& sample = instrument.Sample;
  const int bytesPerFrame = wide ? 2 : 1;
  out.U32LE(263);
  out.Text(sample.Name, 22);
  out.U8(0);
  out.U16LE(1);
  out.U32LE(40);
  out.Fill(0, 96);  // every key plays the one sample
  for (size_t p = 0; p < 12; ++p) {
    bool used = p < instrument.Envelope.size();
    out.U16LE(used ? instrument.Envelope[p].Tick : 0);
    out.U16LE(used ? instrument.Envelope[p].Value : 0);
  }
  out.Fill(0, 48);  // no panning envelope
  out.U8(static_cast<int>(instrument.Envelope.size()));
  out.U8(0);
  out.U8(std::max(instrument.Sustain, 0));
  out.U8(0);
  out.U8(0);
  out.U8(0);
  out.U8(0);
  out.U8(0);
  int envelopeType = instrument.Envelope.empty() ? 0 : 1;
  if (!instrument.Envelope.empty() && instrument.Sustain >= 0) envelopeType |= 2;
  out.U8(envelopeType);
  out.U8(0);
  out.U8(instrument.VibratoType);
  out.U8(instrument.VibratoSweep);
  out.U8(instrument.VibratoDepth);
  out.U8(instrument.VibratoRate);
  out.U16LE(instrument.Fadeout);
  out.Fill(0, 22);

  int relativeNote = 0;
  int finetune = 0;
  TXmWriter::Tuning(sample, relativeNote, finetune);
  out.U32LE(static_cast<uint32_t>(sample.Data.size() * bytesPerFrame));
  out.U32LE(static_cast<uint32_t>(sample.LoopStart * bytesPerFrame));
  out.U32LE(static_cast<uint32_t>(sample.LoopLength * bytesPerFrame));
  out.U8(std::clamp(instrument.Volume, 0, 64));
  out.U8(finetune & 0xFF);
  out.U8((sample.LoopLength > 0 ? 1 : 0) | (wide ? 0x10 : 0));
  out.U8(std::clamp(instrument.Panning, 0, 255));
  out.U8(relativeNote & 0xFF);
  out.U8(0);
  out.Text(sample.Name, 22);
}

// Sample data is stored as differences from the previous frame.
void WriteSampleData(TByteWriter& out, const TSample& sample, bool wide) {
  int previous = 0;
  for (float v : sample.Data) {
    if (wide) {
      int value = std::clamp(static_cast<int>(std::lround(v * 32767.0f)), -32768, 32767);
      out.U16LE((value - previous) & 0xFFFF);
      previous = value;
    } else {
      int value = std::clamp(static_cast<int>(std::lround(v * 127.0f)), -128, 127);
      out.U8((value - previous) & 0xFF);
      previous = value;
    }
  }
}

}  // namespace

std::optional<std::vector<uint8_t>> TXmWriter::Write(const TTrackerSong& song, const std::vector<TSampleDepth>& depths,
                                                     std::string& error) {
  if (song.Channels < 1 || song.Channels > 32 || song.Orders.empty() || song.Orders.size() > 256 ||
      song.Instruments.size() > 128 || song.Patterns.size() > 256) {
    error = "the song does not fit an extended module's limits";
    return std::nullopt;
  }
  TByteWriter out;
  WriteHeader(out, song);

  for (const TTrackerPattern& pattern : song.Patterns) {
    if (pattern.Channels != song.Channels || pattern.Rows < 1 || pattern.Rows > 256) {
      error = "a pattern does not match the song's channels or has a bad row count";
      return std::nullopt;
    }
    TByteWriter packed;
    for (int row = 0; row < pattern.Rows; ++row)
      for (int channel = 0; channel < pattern.Channels; ++channel) WriteCell(packed, pattern.At(row, channel), error);
    if (!error.empty()) return std::nullopt;
    out.U32LE(9);
    out.U8(0);
    out.U16LE(pattern.Rows);
    out.U16LE(static_cast<int>(packed.Size()));
    out.Append(packed.Bytes());
  }

  for (size_t i = 0; i < song.Instruments.size(); ++i) {
    const TTrackerInstrument& instrument = song.Instruments[i];
    const bool wide = i >= depths.size() || depths[i] == TSampleDepth::Bits16;
    if (instrument.Envelope.size() > 12) {
      error = "an envelope has more than 12 points";
      return std::nullopt;
    }
    WriteInstrumentHeader(out, instrument, wide);
    WriteSampleData(out, instrument.Sample, wide);
  }
  return out.Bytes();
}
