// SPDX-License-Identifier: MIT
// Writes a four-channel "M.K." module: 31 sample slots, 64-row patterns, signed 8-bit samples.
#pragma once

#include "TTrackerSong.h"

#include <optional>
#include <string>
#include <vector>

class TModWriter {
public:
  // The file's bytes, or an error text when the song does not fit the format.
  static std::optional<std::vector<uint8_t>> Write(const TTrackerSong& song, std::string& error);

  // The note index (0 = lowest of the three octaves) and finetune (-8..7, eighths of a semitone)
  // that sound `pitch` on `sample`.
  static void NoteFor(const TSample& sample, int pitch, int& note, int& finetune);
};
