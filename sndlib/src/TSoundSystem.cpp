// SPDX-License-Identifier: MIT
// TSoundSystem: the initialised library — output, mixer, the channels by handle, and the decoder thread.
#include "TSoundSystem.h"

#include "TAnalyser.h"
#include "TError.h"
#include "TPullOutput.h"
#include "null/TNullOutput.h"
#include "pulse/TPulseOutput.h"
#include "sdl2/TSdlOutput.h"
#include "sndlib.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>

namespace sndlib {

static std::atomic<uint32_t> gNextHandle{1};
// A plain pointer, not an object with a destructor of its own: the process's end takes the instance
// down through TProcessEnd below, under the lock.
static TSoundSystem* gSystem = nullptr;

namespace {

// When the process ends with the library still initialised, its output and decoder threads are
// stopped here. This runs among the static destructors, possibly while another thread of the
// program still calls an entry point; under the lock that call sees either the whole instance or
// none (SND_ERROR_NOT_INIT), never one half torn down.
struct TProcessEnd {
  ~TProcessEnd() {
    std::lock_guard<std::mutex> lock(LibraryLock());
    DestroySystem();
  }
};
TProcessEnd gProcessEnd;

}  // namespace

std::mutex& LibraryLock() {
  // Never destroyed: TProcessEnd and entry points on other threads may use it to the very end.
  // Built in static storage rather than on the heap, so a library unloaded with dlclose leaves nothing
  // behind that leak checkers would report.
  alignas(std::mutex) static unsigned char storage[sizeof(std::mutex)];
  static std::mutex* lock = new (storage) std::mutex;
  return *lock;
}

TSoundSystem* CurrentSystem() { return gSystem; }

TSoundSystem& RequireSystem() {
  if (!gSystem) Fail(SND_ERROR_NOT_INIT);
  return *gSystem;
}

uint32_t TSoundSystem::NextHandle() {
  uint32_t handle = gNextHandle.load();
  do {
    if (handle == 0xFFFFFFFFu) Fail(SND_ERROR_NO_CHANNEL);
  } while (!gNextHandle.compare_exchange_weak(handle, handle + 1));
  return handle;
}

TSoundSystem::TSoundSystem(int rate) : FRate(rate) {}

TSoundSystem::~TSoundSystem() {
  if (FOutput) FOutput->Stop();
  {
    std::lock_guard<std::mutex> lock(FRegistryLock);
    FQuit = true;
  }
  FWake.notify_all();
  if (FDecoder.joinable()) FDecoder.join();
  // The output goes first: after that no mixing thread exists to touch a channel.
  FOutput.reset();
  FChannels.clear();
  FRetiring.clear();
}

namespace {

// The sound server is tried first for the default device, unless SDL's audio was asked for by name.
bool ServerWanted() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  if (!driver || !*driver) return true;
  std::string name(driver);
  return name.find("pulse") != std::string::npos || name.find("pipewire") != std::string::npos;
}

}  // namespace

std::unique_ptr<TOutput> TSoundSystem::OpenDefault(TMixer& mixer, int rate) {
  int32_t serverFailure = SND_OK;
  if (ServerWanted()) {
    try {
      return TPulseOutput::Open(mixer, rate);
    } catch (const TError& e) {
      serverFailure = e.Code;
    }
  }
  try {
    return TSdlOutput::Open(mixer, rate);
  } catch (const TError& e) {
    // A server that answered but refused the rate says more than SDL finding no device.
    if (serverFailure == SND_ERROR_FORMAT && e.Code == SND_ERROR_DRIVER) Fail(SND_ERROR_FORMAT);
    throw;
  }
}

void TSoundSystem::OpenOutput(int device) {
  if (device == SND_DEVICE_DEFAULT) {
    FOutput = OpenDefault(FMixer, FRate);
    FPrepareSpectrum = true;
  } else {
    FOutput = std::make_unique<TNullOutput>(FMixer, FRate);
  }
  FDecoder = std::thread([this] { DecoderLoop(); });
  FOutput->Start();
}

TPullOutput& TSoundSystem::OpenPull(size_t latency, bool decoderThread) {
  auto pull = std::make_unique<TPullOutput>(FMixer, FRate, latency);
  TPullOutput& result = *pull;
  if (decoderThread) {
    FDecoder = std::thread([this] { DecoderLoop(); });
  } else {
    pull->FBeforeMix = [this] { FillAll(); };
  }
  FOutput = std::move(pull);
  FOutput->Start();
  return result;
}

size_t TSoundSystem::HistoryFrames() const {
  // What is heard lags the mix by the output's latency; the analysis window and one block in flight
  // come on top.
  return FOutput->LatencyFrames() + 2048 + TMixer::kBlock * 2;
}

uint32_t TSoundSystem::Add(std::unique_ptr<TChannel> channel) {
  std::shared_ptr<TChannel> shared(std::move(channel));
  uint32_t handle = shared->Handle();
  {
    std::lock_guard<std::mutex> lock(FRegistryLock);
    FChannels.emplace(handle, shared);
  }
  ReleaseRetired(false);
  // Every slot taken: the freed channels still ramping out give theirs up at once.
  if (!FMixer.Add(shared.get()) && !(ReleaseRetired(true) && FMixer.Add(shared.get()))) {
    std::lock_guard<std::mutex> lock(FRegistryLock);
    FChannels.erase(handle);
    Fail(SND_ERROR_NO_CHANNEL);
  }
  Kick();
  return handle;
}

bool TSoundSystem::ReleaseRetired(bool force) {
  std::vector<std::shared_ptr<TChannel>> done;
  {
    std::lock_guard<std::mutex> lock(FRegistryLock);
    for (auto it = FRetiring.begin(); it != FRetiring.end();) {
      if (force && !(*it)->Retired()) FMixer.Remove(it->get());
      if (force || (*it)->Retired()) {
        done.push_back(std::move(*it));
        it = FRetiring.erase(it);
      } else {
        ++it;
      }
    }
  }
  // The last references may go here, outside the lock.
  return !done.empty();
}

std::shared_ptr<TChannel> TSoundSystem::Find(uint32_t handle, std::optional<TChannelKind> kind) {
  std::lock_guard<std::mutex> lock(FRegistryLock);
  auto it = FChannels.find(handle);
  if (it == FChannels.end() || (kind && it->second->Kind() != *kind)) Fail(SND_ERROR_HANDLE);
  return it->second;
}

void TSoundSystem::Free(uint32_t handle, TChannelKind kind) {
  std::shared_ptr<TChannel> channel = Find(handle, kind);
  channel->SetState(TChannelState::Stopped);
  channel->MarkFreed();
  {
    std::lock_guard<std::mutex> lock(FRegistryLock);
    FChannels.erase(handle);
    // Heard until now: the mixer ramps it out and lets it go; never heard, or the output halted: it goes
    // at once.
    if (channel->EverAudible() && FOutput->Running()) FRetiring.push_back(channel);
  }
  if (!channel->EverAudible() || !FOutput->Running()) FMixer.Remove(channel.get());
  Changed();
  // If the decoder thread still holds the channel, the last reference goes there, never on the mixer.
}

void TSoundSystem::Restart(TChannel& channel, uint32_t position) {
  {
    std::lock_guard<std::mutex> lock(channel.DecodeLock());
    if (!channel.Rewind(position)) Fail(SND_ERROR_PARAM);
  }
  channel.SetState(TChannelState::Playing);
  Kick();
  Changed();
}

void TSoundSystem::Halt(TChannel& channel, TChannelState state) {
  TChannelState now = channel.State();
  if (now == TChannelState::Ended || now == TChannelState::Stopped) {
    if (state == TChannelState::Stopped) channel.SetState(state);
    return;
  }
  channel.SetState(state);
  Changed();
}

void TSoundSystem::Resume(TChannel& channel) {
  if (channel.State() == TChannelState::Paused) channel.SetState(TChannelState::Playing);
  Kick();
  Changed();
}

void TSoundSystem::Changed() {
  if (FOutput) FOutput->Changed();
}

void TSoundSystem::Kick() {
  {
    std::lock_guard<std::mutex> lock(FRegistryLock);
    FKicked = true;
  }
  FWake.notify_all();
}

void TSoundSystem::FillAll() {
  std::vector<std::shared_ptr<TChannel>> channels;
  {
    std::lock_guard<std::mutex> lock(FRegistryLock);
    for (auto& [handle, channel] : FChannels) channels.push_back(channel);
  }
  for (auto& channel : channels) {
    std::lock_guard<std::mutex> lock(channel->DecodeLock());
    channel->Fill();
  }
}

void TSoundSystem::DecoderLoop() {
  // On an audible output the spectrum's plan is made here at the start, beside whatever the caller does
  // next, while the process holds little else: planning touches much code for a moment. (Without sound
  // it waits for the first spectrum asked for, as ever.)
  if (FPrepareSpectrum) TAnalyser::Prepare();
  std::vector<std::shared_ptr<TChannel>> channels;
  std::unique_lock<std::mutex> lock(FRegistryLock);
  while (!FQuit) {
    FKicked = false;
    for (auto& [handle, channel] : FChannels) channels.push_back(channel);
    lock.unlock();
    // Sleep until the fullest-draining ring is about half empty, at least a little and at most 100 ms.
    double sleep = -1.0;
    for (auto& channel : channels) {
      {
        std::lock_guard<std::mutex> decode(channel->DecodeLock());
        channel->Fill();
      }
      if (channel->State() == TChannelState::Playing && !channel->DecodeEnded()) {
        double rate = double(channel->Source().Rate()) * std::max(channel->Frequency(), 1) / 44100.0;
        double seconds = double(channel->RingCapacity()) / 2.0 / rate;
        sleep = sleep < 0 ? seconds : std::min(sleep, seconds);
      }
    }
    channels.clear();
    ReleaseRetired(false);
    lock.lock();
    if (FQuit || FKicked) continue;
    if (sleep < 0) {
      FWake.wait(lock, [this] { return FQuit || FKicked; });
    } else {
      auto wait = std::chrono::duration<double>(std::clamp(sleep, 0.005, 0.1));
      FWake.wait_for(lock, wait, [this] { return FQuit || FKicked; });
    }
  }
}

TPullOutput& InitPull(int rate, size_t latency, bool decoderThread) {
  std::lock_guard<std::mutex> lock(LibraryLock());
  if (gSystem) Fail(SND_ERROR_ALREADY);
  auto system = std::make_unique<TSoundSystem>(rate);
  TPullOutput& pull = system->OpenPull(latency, decoderThread);
  gSystem = system.release();
  return pull;
}

void InstallSystem(std::unique_ptr<TSoundSystem> system) {
  delete gSystem;
  gSystem = system.release();
}

void DestroySystem() {
  // Unpublished first: nothing can find the instance while it is being taken down.
  std::unique_ptr<TSoundSystem> system(gSystem);
  gSystem = nullptr;
  system.reset();
}

uint32_t AddSource(std::unique_ptr<TSource> source, TChannelKind kind) {
  std::lock_guard<std::mutex> lock(LibraryLock());
  TSoundSystem& system = RequireSystem();
  auto channel = std::make_unique<TChannel>(TSoundSystem::NextHandle(), kind, std::move(source), system.Rate(),
                                            system.HistoryFrames());
  return system.Add(std::move(channel));
}

std::shared_ptr<TChannel> FindChannel(uint32_t handle) {
  std::lock_guard<std::mutex> lock(LibraryLock());
  return RequireSystem().Find(handle);
}

std::string OutputName() {
  std::lock_guard<std::mutex> lock(LibraryLock());
  TSoundSystem* system = CurrentSystem();
  return system ? system->Output().Name() : "";
}

}  // namespace sndlib
