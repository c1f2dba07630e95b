// SPDX-License-Identifier: MIT
// A scripted stand-in for the sound library that records every call the player makes through the entry table.
#include "FakeSndLib.h"

#include "audio/AudioLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>

namespace {

TFakeSndLib& F() { return TFakeSndLib::Instance(); }

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  F().Calls.emplace_back(text);
}

std::string LastComponent(const char* path) {
  std::string p = path ? path : "";
  std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

using TKind = TFakeSndLib::TKind;
using TPlay = TFakeSndLib::TPlay;

SND_HANDLE Open(const char* path, TKind kind, uint32_t flags) {
  std::string name = LastComponent(path);
  auto& fake = F();
  if (std::find(fake.Unloadable.begin(), fake.Unloadable.end(), name) != fake.Unloadable.end()) return 0;
  SND_HANDLE handle = fake.NextHandle++;
  auto found = fake.Seconds.find(name);
  fake.HandleSeconds[handle] = found == fake.Seconds.end() ? fake.DefaultSeconds : found->second;
  fake.HandlePath[handle] = path ? path : "";
  fake.Channels[handle] = {kind, name, flags};
  return handle;
}

// The live channel of `handle`, of either kind or of the one given; null for a handle the real
// library refuses.
TFakeSndLib::TChannel* Live(SND_HANDLE h, const TKind* kind = nullptr) {
  auto it = F().Channels.find(h);
  if (it == F().Channels.end() || it->second.Freed || (kind && it->second.Kind != *kind)) return nullptr;
  return &it->second;
}

SND_BOOL Free(SND_HANDLE h, TKind kind) {
  TFakeSndLib::TChannel* channel = Live(h, &kind);
  if (!channel) return 0;
  channel->Freed = true;
  channel->Play = TPlay::Stopped;
  return 1;
}

SND_BOOL StartPlaying(SND_HANDLE h, TKind kind) {
  TFakeSndLib::TChannel* channel = Live(h, &kind);
  if (!channel) return 0;
  channel->Play = TPlay::Playing;
  return 1;
}

int32_t ErrorGetCode() {
  Log("snd_error_get_code()");
  return F().ErrorCode;
}

SND_BOOL Init(int32_t device, uint32_t freq, uint32_t flags, void*) {
  Log("snd_init(%d,%u,%u)", device, freq, flags);
  auto& results = F().InitResults;
  SND_BOOL result = results.front();
  if (results.size() > 1) results.erase(results.begin());
  if (result) F().OutputRunning = true;
  return result;
}

SND_BOOL MusicFree(SND_HANDLE h) {
  Log("snd_music_free(%u)", h);
  return Free(h, TKind::Module);
}
SND_BOOL Start() {
  Log("snd_start()");
  F().OutputRunning = true;
  return 1;
}
SND_BOOL Stop() {
  Log("snd_stop()");
  F().OutputRunning = false;
  return 1;
}
SND_BOOL SetVolume(uint32_t v) {
  Log("snd_set_volume(%u)", v);
  F().MasterVolume = std::min(v, 100u);
  return 1;
}

SND_HANDLE MusicLoad(SND_BOOL mem, const void* file, uint64_t offset, uint32_t length, uint32_t flags) {
  const char* path = static_cast<const char*>(file);
  Log("snd_music_load(%d,%s,%" PRIu64 ",%u,0x%x)", mem, path, offset, length, flags);
  return Open(path, TKind::Module, flags);
}

SND_BOOL MusicPlayEx(SND_HANDLE h, uint32_t pos, int32_t flags, SND_BOOL reset) {
  Log("snd_music_play_ex(%u,%u,%d,%d)", h, pos, flags, reset);
  if (!StartPlaying(h, TKind::Module)) return 0;
  TFakeSndLib::TChannel& channel = F().Channels[h];
  channel.StartPosition = pos;
  channel.CleanStart = reset != 0;
  if (flags != -1) channel.Flags = uint32_t(flags);
  return 1;
}

SND_HANDLE StreamCreateFile(SND_BOOL mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags) {
  const char* path = static_cast<const char*>(file);
  Log("snd_stream_create_file(%d,%s,%" PRIu64 ",%" PRIu64 ",0x%x)", mem, path, offset, length, flags);
  return Open(path, TKind::Stream, flags);
}

SND_BOOL StreamPlay(SND_HANDLE h, SND_BOOL flush, uint32_t flags) {
  Log("snd_stream_play(%u,%d,%u)", h, flush, flags);
  return StartPlaying(h, TKind::Stream);
}

SND_BOOL SetAttributes(SND_HANDLE h, int32_t freq, int32_t volume, int32_t pan) {
  Log("snd_channel_set_attributes(%u,%d,%d,%d)", h, freq, volume, pan);
  TFakeSndLib::TChannel* channel = Live(h);
  if (!channel) return 0;
  if (freq != -1) channel->Frequency = freq == 0 ? 44100 : std::clamp(freq, SND_FREQ_MIN, SND_FREQ_MAX);
  if (volume != -1) channel->Volume = std::clamp(volume, 0, 100);
  channel->Pan = std::clamp(pan, -100, 100);
  return 1;
}

uint32_t GetLevel(SND_HANDLE) { return 0; }
SND_BOOL ChannelStop(SND_HANDLE h) {
  Log("snd_channel_stop(%u)", h);
  TFakeSndLib::TChannel* channel = Live(h);
  if (!channel) return 0;
  channel->Play = TPlay::Stopped;
  return 1;
}
SND_BOOL ChannelPause(SND_HANDLE h) {
  Log("snd_channel_pause(%u)", h);
  TFakeSndLib::TChannel* channel = Live(h);
  if (!channel) return 0;
  if (channel->Play == TPlay::Playing) channel->Play = TPlay::Paused;
  return 1;
}
SND_BOOL ChannelResume(SND_HANDLE h) {
  Log("snd_channel_resume(%u)", h);
  TFakeSndLib::TChannel* channel = Live(h);
  if (!channel) return 0;
  if (channel->Play == TPlay::Paused) channel->Play = TPlay::Playing;
  return 1;
}

// Lengths travel as bytes: 1000 bytes a second, so the conversion below can check what it is given.
uint32_t MusicGetLength(SND_HANDLE h, SND_BOOL playlen) {
  Log("snd_music_get_length(%u,%d)", h, playlen);
  return uint32_t(int64_t(F().HandleSeconds[h] * 1000.0));
}

double BytesToSeconds(SND_HANDLE h, uint64_t bytes) {
  Log("snd_channel_bytes_to_seconds(%u,%" PRIu64 ")", h, bytes);
  if (h == 0) return F().SecondsForBadHandle;
  return F().HandleSeconds[h];
}

uint32_t GetData(SND_HANDLE, void*, uint32_t) { return 0; }
SND_BOOL StreamFree(SND_HANDLE h) {
  Log("snd_stream_free(%u)", h);
  return Free(h, TKind::Stream);
}

uint64_t StreamGetLength(SND_HANDLE h) {
  Log("snd_stream_get_length(%u)", h);
  return uint64_t(int64_t(F().HandleSeconds[h] * 1000.0));
}

}  // namespace

TFakeSndLib& TFakeSndLib::Instance() {
  static TFakeSndLib fake;
  return fake;
}

TSndEntryTable TFakeSndLib::Table() {
  TSndEntryTable t;
  t.snd_error_get_code = &ErrorGetCode;
  t.snd_init = &Init;
  t.snd_music_free = &MusicFree;
  t.snd_start = &Start;
  t.snd_stop = &Stop;
  t.snd_set_volume = &SetVolume;
  t.snd_music_load = &MusicLoad;
  t.snd_music_play_ex = &MusicPlayEx;
  t.snd_stream_create_file = &StreamCreateFile;
  t.snd_stream_play = &StreamPlay;
  t.snd_channel_set_attributes = &SetAttributes;
  t.snd_channel_get_level = &GetLevel;
  t.snd_channel_stop = &ChannelStop;
  t.snd_channel_pause = &ChannelPause;
  t.snd_channel_resume = &ChannelResume;
  t.snd_music_get_length = &MusicGetLength;
  t.snd_channel_bytes_to_seconds = &BytesToSeconds;
  t.snd_channel_get_data = &GetData;
  t.snd_stream_free = &StreamFree;
  t.snd_stream_get_length = &StreamGetLength;
  return t;
}

void TFakeSndLib::Install() {
  Instance() = TFakeSndLib{};
  ResetAudioLibraryForTesting();
  SetEntryTableForTesting(Table());
}

const TFakeSndLib::TChannel& TFakeSndLib::Channel(uint32_t handle) const {
  static const TChannel kNone;
  const auto it = Channels.find(handle);
  if (it == Channels.end()) {
    ADD_FAILURE() << "the fake library never issued handle " << handle;
    return kNone;
  }
  return it->second;
}

std::vector<std::string> TFakeSndLib::Heard() const {
  std::vector<std::string> heard;
  if (!OutputRunning || MasterVolume == 0) return heard;
  for (const auto& [handle, channel] : Channels)
    if (!channel.Freed && channel.Play == TPlay::Playing && channel.Volume > 0) heard.push_back(channel.File);
  return heard;
}

int TFakeSndLib::LiveChannels() const {
  int live = 0;
  for (const auto& [handle, channel] : Channels) live += channel.Freed ? 0 : 1;
  return live;
}

std::vector<std::string> TFakeSndLib::TakeCalls() {
  std::vector<std::string> calls;
  calls.swap(Calls);
  return calls;
}
