// SPDX-License-Identifier: MIT
// TSoundSystem: the initialised library — output, mixer, the channels by handle, and the decoder thread.
#pragma once

#include "TChannel.h"
#include "TMixer.h"
#include "TOutput.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace sndlib {

class TPullOutput;

// One instance exists between snd_init and snd_free. Every method runs under the library lock
// (LibraryLock()), which only entry points take; the mixing thread never takes it, and the decoder thread
// takes only the registry lock, so snd_free can join it while holding the library lock.
class TSoundSystem {
public:
  explicit TSoundSystem(int rate);
  ~TSoundSystem();

  // device -1: the sound server, else SDL2 audio; -2: the real-time no-sound output. Throws TError.
  void OpenOutput(int device);
  // The default device: the sound server's output when one answers (and SDL_AUDIODRIVER does not name
  // another driver), else SDL2 audio. Throws TError: SND_ERROR_DRIVER when neither opens,
  // SND_ERROR_FORMAT when the server refused the rate and SDL found no device.
  static std::unique_ptr<TOutput> OpenDefault(TMixer& mixer, int rate);
  // A hand-driven output. Without a decoder thread the decoders run on the pulling thread, just before
  // each mix, so what a test sees does not depend on scheduling.
  TPullOutput& OpenPull(size_t latency, bool decoderThread);

  int Rate() const { return FRate; }
  TOutput& Output() { return *FOutput; }
  TMixer& Mixer() { return FMixer; }

  // Registers a ready channel and starts decoding it; the handle is new to this process.
  uint32_t Add(std::unique_ptr<TChannel> channel);
  // Throws TError(SND_ERROR_HANDLE) for a dead handle or one of the other kind.
  std::shared_ptr<TChannel> Find(uint32_t handle, std::optional<TChannelKind> kind = std::nullopt);
  void Free(uint32_t handle, TChannelKind kind);

  // Playback control on a found channel.
  void Restart(TChannel& channel, uint32_t position);
  void Halt(TChannel& channel, TChannelState state);
  void Resume(TChannel& channel);
  // After anything that changes what is heard.
  void Changed();

  size_t HistoryFrames() const;
  void Kick();
  void FillAll();

  // Handle numbers are process-wide and never reused, also across snd_free and snd_init.
  static uint32_t NextHandle();

private:
  void DecoderLoop();

  int FRate;
  TMixer FMixer;
  std::unique_ptr<TOutput> FOutput;
  std::mutex FRegistryLock;
  std::condition_variable FWake;
  std::unordered_map<uint32_t, std::shared_ptr<TChannel>> FChannels;
  // Freed channels the mixer is still ramping out; let go once it has (or at once with `force`). True when
  // any was let go.
  std::vector<std::shared_ptr<TChannel>> FRetiring;
  bool ReleaseRetired(bool force);
  bool FQuit = false;
  bool FKicked = false;
  bool FPrepareSpectrum = false;
  std::thread FDecoder;
};

std::mutex& LibraryLock();
// The current instance, or null; only under LibraryLock().
TSoundSystem* CurrentSystem();
// Throws TError(SND_ERROR_NOT_INIT) when there is none.
TSoundSystem& RequireSystem();
// Only under LibraryLock(): make `system` the current instance, or end the current one.
void InstallSystem(std::unique_ptr<TSoundSystem> system);
void DestroySystem();

// Test and benchmark hooks, on top of the C entry points.
TPullOutput& InitPull(int rate, size_t latency, bool decoderThread);
uint32_t AddSource(std::unique_ptr<TSource> source, TChannelKind kind);
std::shared_ptr<TChannel> FindChannel(uint32_t handle);
// The kind of output the current instance plays on (TOutput::Name), or "" when there is none.
std::string OutputName();

}  // namespace sndlib
