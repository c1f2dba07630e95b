// SPDX-License-Identifier: MIT
// A tracker song independent of the file format: instruments, patterns of cells, and the order list.
#pragma once

#include "TSample.h"

#include <string>
#include <vector>

inline constexpr int kNoNote = -1;
inline constexpr int kNoteOff = -2;

// Effect numbers shared by the formats written here (the classic 0..F set, extended commands in E).
inline constexpr int kNoEffect = -1;
inline constexpr int kEffectArpeggio = 0x0;
inline constexpr int kEffectVibrato = 0x4;
inline constexpr int kEffectPanning = 0x8;
inline constexpr int kEffectVolumeSlide = 0xA;
inline constexpr int kEffectSetVolume = 0xC;
inline constexpr int kEffectPatternBreak = 0xD;
inline constexpr int kEffectSpeed = 0xF;

struct TTrackerCell {
  int Pitch = kNoNote;  // MIDI pitch, kNoNote or kNoteOff
  int Instrument = 0;   // 1-based; 0 keeps the channel's instrument
  int Volume = -1;      // 0..64, or -1 for the sample's own volume
  int Effect = kNoEffect;
  int Param = 0;

  bool Empty() const { return Pitch == kNoNote && Instrument == 0 && Volume < 0 && Effect == kNoEffect; }
  bool operator==(const TTrackerCell&) const = default;
};

struct TEnvelopePoint {
  int Tick;
  int Value;  // 0..64
};

struct TTrackerInstrument {
  TTrackerInstrument() = default;
  TTrackerInstrument(TSample sample, int volume, int panning = 128)
      : Sample(std::move(sample)), Volume(volume), Panning(panning) {}

  TSample Sample;
  int Volume = 64;
  int Panning = 128;  // 0 left .. 255 right
  // Volume envelope; empty means none. Without one, a note-off silences the note at once.
  std::vector<TEnvelopePoint> Envelope;
  int Sustain = -1;  // envelope point held until note-off, or -1
  int Fadeout = 0;   // volume fade after note-off, per tick, in 1/65536ths
  int VibratoType = 0;
  int VibratoSweep = 0;
  int VibratoDepth = 0;
  int VibratoRate = 0;
};

struct TTrackerPattern {
  int Rows = 64;
  int Channels = 4;
  std::vector<TTrackerCell> Cells;

  TTrackerPattern(int rows, int channels)
      : Rows(rows), Channels(channels), Cells(static_cast<size_t>(rows * channels)) {}
  TTrackerCell& At(int row, int channel) { return Cells[static_cast<size_t>(row * Channels + channel)]; }
  const TTrackerCell& At(int row, int channel) const { return Cells[static_cast<size_t>(row * Channels + channel)]; }
  bool operator==(const TTrackerPattern&) const = default;
};

struct TTrackerSong {
  std::string Title;
  int Channels = 4;
  int Speed = 6;    // ticks per row
  int Tempo = 125;  // the tracker "BPM": a tick lasts 2.5 / Tempo seconds
  // Panning set once per channel at the start (0 left .. 255 right, -1 to keep the format's own),
  // for formats whose channels are otherwise fixed hard left or right.
  std::vector<int> ChannelPanning;
  std::vector<TTrackerInstrument> Instruments;
  std::vector<TTrackerPattern> Patterns;
  std::vector<int> Orders;
};
