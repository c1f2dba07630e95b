// SPDX-License-Identifier: MIT
// Writes a scream-style module ("SCRM"): up to 32 channels, 64-row patterns, unsigned 8-bit samples.
#pragma once

#include "TTrackerSong.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TS3mWriter {
public:
  // The file's bytes, or an error text when the song does not fit the format.
  static std::optional<std::vector<uint8_t>> Write(const TTrackerSong& song, std::string& error);

  // The rate at which `sample` must play on middle C (MIDI 60) to sound in tune.
  static uint32_t MiddleCRate(const TSample& sample);
};
