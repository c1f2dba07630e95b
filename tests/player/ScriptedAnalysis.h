// SPDX-License-Identifier: MIT
// Levels and spectrum data the fake sound library hands out as a test scripts them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// The fake library answers level and spectrum requests with nothing; these scripted answers replace
// its two analysis entries. The spectrum script is read by the display thread, so tests change it
// only while that thread is stopped (or before it starts).
struct TScriptedAnalysis {
  static TScriptedAnalysis& Instance();
  // Puts the fake library into the entry table with the scripted level and data entries.
  static void Install();

  // The level word snd_channel_get_level answers: left in the low 16 bits, right in the high ones.
  std::atomic<uint32_t> Level{0};
  std::atomic<uint32_t> LevelCalls{0};
  std::atomic<uint32_t> LastLevelHandle{0};

  // The 1024 magnitudes snd_channel_get_data writes, unless DataFails, when it answers with the
  // failure value and leaves the buffer alone.
  std::array<float, 1024> Bins{};
  std::atomic<bool> DataFails{false};
  std::atomic<uint32_t> DataCalls{0};
  std::atomic<uint32_t> LastDataHandle{0};
};
