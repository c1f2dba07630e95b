// SPDX-License-Identifier: MIT
// Levels and spectrum data the fake sound library hands out as a test scripts them.
#include "ScriptedAnalysis.h"

#include "FakeSndLib.h"

#include "audio/AudioLibrary.h"

#include <cstring>

namespace {

uint32_t GetLevel(SND_HANDLE handle) {
  TScriptedAnalysis& s = TScriptedAnalysis::Instance();
  s.LastLevelHandle = handle;
  ++s.LevelCalls;
  return s.Level;
}

uint32_t GetData(SND_HANDLE handle, void* buffer, uint32_t length) {
  TScriptedAnalysis& s = TScriptedAnalysis::Instance();
  s.LastDataHandle = handle;
  ++s.DataCalls;
  if (s.DataFails || length != SND_DATA_FFT2048 || !buffer) return 0xFFFFFFFFu;
  std::memcpy(buffer, s.Bins.data(), sizeof s.Bins);
  return sizeof s.Bins;
}

}  // namespace

TScriptedAnalysis& TScriptedAnalysis::Instance() {
  static TScriptedAnalysis script;
  return script;
}

void TScriptedAnalysis::Install() {
  TScriptedAnalysis& s = Instance();
  s.Level = 0;
  s.LevelCalls = 0;
  s.LastLevelHandle = 0;
  s.Bins.fill(0.0f);
  s.DataFails = false;
  s.DataCalls = 0;
  s.LastDataHandle = 0;
  TSndEntryTable table = TFakeSndLib::Table();
  table.snd_channel_get_level = &GetLevel;
  table.snd_channel_get_data = &GetData;
  SetEntryTableForTesting(table);
}
