// SPDX-License-Identifier: MIT
// TSdlOutput: the default audio output through SDL2, stereo float with a 4096-frame device buffer.
#include "TSdlOutput.h"

#include "../TError.h"
#include "../TMixer.h"
#include "sndlib.h"

#include <SDL.h>

#include <dlfcn.h>

namespace sndlib {

// A large buffer keeps the sound path cheap; the latency it brings is taken out of levels and data.
static constexpr int kBufferFrames = 4096;

// On a machine without a sound card the ALSA library prints a page of complaints to standard error while
// SDL probes it; the failure is reported through our own error code, so its messages are silenced. The
// library is looked up, not linked, because SDL itself only loads it at run time.
static void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

static void SilenceAlsa() {
  static bool done = false;
  if (done) return;
  done = true;
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (!alsa) alsa = dlopen("libasound.so.2", RTLD_NOW);
  if (!alsa) return;
  using THandler = void (*)(const char*, int, const char*, int, const char*, ...);
  using TSetHandler = int (*)(THandler);
  auto set = reinterpret_cast<TSetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set) set(IgnoreAlsaError);
  // NOTE: the library stays loaded on purpose; the handler must outlive every later use of it.
}

std::unique_ptr<TSdlOutput> TSdlOutput::Open(TMixer& mixer, int rate) {
  SilenceAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) Fail(SND_ERROR_DRIVER);
  std::unique_ptr<TSdlOutput> self(new TSdlOutput(mixer, rate));
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kBufferFrames;
  want.callback = [](void* user, Uint8* stream, int bytes) { Callback(user, stream, bytes); };
  want.userdata = self.get();
  SDL_AudioSpec have{};
  // SDL converts to whatever the device really runs at, so the mix stays at the asked rate.
  self->FDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (self->FDevice == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    Fail(SND_ERROR_DRIVER);
  }
  self->FBufferFrames = have.samples > 0 ? size_t(have.samples) : size_t(kBufferFrames);
  return self;
}

TSdlOutput::~TSdlOutput() {
  if (FDevice) {
    SDL_CloseAudioDevice(FDevice);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

void TSdlOutput::Callback(void* user, uint8_t* stream, int bytes) {
  auto* self = static_cast<TSdlOutput*>(user);
  self->FMixer.Mix(reinterpret_cast<float*>(stream), size_t(bytes) / (2 * sizeof(float)));
  self->MarkMixed();
}

// The device runs on while the output is stopped: the mixer's closed gate ramps the sound out and then
// keeps every channel where it is, so stopping and starting cut nothing.
void TSdlOutput::Start() {
  FMixer.SetGate(true);
  FRunning.store(true);
  SDL_PauseAudioDevice(FDevice, 0);
}

void TSdlOutput::Stop() {
  FRunning.store(false);
  FMixer.SetGate(false);
}

// A block mixed now plays after the one already in the device's buffer.
int64_t TSdlOutput::HeardFrame() const { return HeardFromClock(FBufferFrames, FBufferFrames); }

}  // namespace sndlib
