// SPDX-License-Identifier: MIT
// Writes an extended module: many channels, instruments with envelopes, 16-bit delta-coded samples.
#pragma once

#include "TTrackerSong.h"

#include <optional>
#include <string>
#include <vector>

enum class TSampleDepth { Bits8, Bits16 };

class TXmWriter {
public:
  // The file's bytes, or an error text when the song does not fit the format.
  // `depths` gives each instrument's sample depth; missing entries mean 16 bits.
  static std::optional<std::vector<uint8_t>> Write(const TTrackerSong& song, const std::vector<TSampleDepth>& depths,
                                                   std::string& error);

  // Relative note and finetune (1/128 semitone) that make note C-4 play MIDI pitch 60 on `sample`.
  static void Tuning(const TSample& sample, int& relativeNote, int& finetune);
};
