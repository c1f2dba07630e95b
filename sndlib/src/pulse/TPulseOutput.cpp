// SPDX-License-Identifier: MIT
// TPulseOutput: the default audio output through the desktop's sound server (the PulseAudio protocol, also
// served by PipeWire), with a deep queue that the library rewrites whenever what is heard changes.
#include "TPulseOutput.h"

#include "../TError.h"
#include "../TMixer.h"
#include "../null/TNullOutput.h"
#include "sndlib.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <errno.h>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

namespace sndlib {

namespace {

constexpr int64_t kBlock = int64_t(TMixer::kBlock);
// Frames mixed and written at a time; the event loop runs between two writes, so the first goes out to
// the server before the next is mixed.
constexpr size_t kChunk = 8192;
// Bytes of a stereo frame of 16-bit samples.
constexpr size_t kFrameBytes = 4;
// How long connecting to the server may take before the next output is tried.
constexpr pa_usec_t kConnectTimeout = 2 * PA_USEC_PER_SEC;

int64_t NowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The lock of the event loop, held for a scope.
class TLoopLock {
public:
  explicit TLoopLock(pa_threaded_mainloop* loop) : FLoop(loop) { pa_threaded_mainloop_lock(FLoop); }
  ~TLoopLock() { pa_threaded_mainloop_unlock(FLoop); }
  TLoopLock(const TLoopLock&) = delete;
  TLoopLock& operator=(const TLoopLock&) = delete;

private:
  pa_threaded_mainloop* FLoop;
};

const char* ProgramName() {
  return program_invocation_short_name && *program_invocation_short_name ? program_invocation_short_name : "sndlib";
}

}  // namespace

TPulseOutput::TPulseOutput(TMixer& mixer, int rate)
    : TOutput(mixer, rate),
      // A second, and never more blocks than the channels keep checkpoints for (at the highest rates).
      FQueueFrames(size_t(std::min(rate, 96000)) / TMixer::kBlock * TMixer::kBlock),
      FMarginFrames(size_t(rate) * 20 / 1000) {}

std::unique_ptr<TPulseOutput> TPulseOutput::Open(TMixer& mixer, int rate) {
  std::unique_ptr<TPulseOutput> self(new TPulseOutput(mixer, rate));
  self->Connect();
  return self;
}

TPulseOutput::~TPulseOutput() {
  Close();
  FFallbackOwner.reset();
}

void TPulseOutput::Close() {
  if (!FLoop) return;
  {
    TLoopLock lock(FLoop);
    if (FTimer) pa_threaded_mainloop_get_api(FLoop)->time_free(FTimer);
    FTimer = nullptr;
    if (FStream) {
      pa_stream_set_state_callback(FStream, nullptr, nullptr);
      pa_stream_set_write_callback(FStream, nullptr, nullptr);
      pa_stream_set_latency_update_callback(FStream, nullptr, nullptr);
      pa_stream_disconnect(FStream);
      pa_stream_unref(FStream);
      FStream = nullptr;
    }
    if (FContext) {
      pa_context_set_state_callback(FContext, nullptr, nullptr);
      pa_context_disconnect(FContext);
      pa_context_unref(FContext);
      FContext = nullptr;
    }
  }
  pa_threaded_mainloop_stop(FLoop);
  pa_threaded_mainloop_free(FLoop);
  FLoop = nullptr;
}

void TPulseOutput::Connect() {
  FLoop = pa_threaded_mainloop_new();
  if (!FLoop) Fail(SND_ERROR_MEM);
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(FLoop);
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, ProgramName());
  pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
  FContext = pa_context_new_with_proplist(api, ProgramName(), properties);
  pa_proplist_free(properties);
  if (!FContext) {
    Close();
    Fail(SND_ERROR_MEM);
  }
  pa_context_set_state_callback(FContext, ContextState, this);
  // Never start a server: with none running, the next output is tried.
  if (pa_context_connect(FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
      pa_threaded_mainloop_start(FLoop) < 0) {
    Close();
    Fail(SND_ERROR_DRIVER);
  }
  int32_t failure = SND_OK;
  {
    TLoopLock lock(FLoop);
    timeval deadline{};
    pa_timeval_add(pa_gettimeofday(&deadline), kConnectTimeout);
    pa_time_event* timeout = api->time_new(
        api, &deadline,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* user) {
          auto* self = static_cast<TPulseOutput*>(user);
          self->FTimedOut = true;
          pa_threaded_mainloop_signal(self->FLoop, 0);
        },
        this);
    while (!FTimedOut && pa_context_get_state(FContext) != PA_CONTEXT_READY &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(FContext)))
      pa_threaded_mainloop_wait(FLoop);
    if (pa_context_get_state(FContext) != PA_CONTEXT_READY) failure = SND_ERROR_DRIVER;

    if (failure == SND_OK) failure = OpenStream();
    api->time_free(timeout);
    if (failure == SND_OK) {
      FReady = true;
      FTimer = api->time_new(
          api, nullptr,
          [](pa_mainloop_api*, pa_time_event*, const timeval*, void* user) {
            static_cast<TPulseOutput*>(user)->Pump();
          },
          this);
      FMixer.SetEarliestRewind(0);
    }
  }
  if (failure != SND_OK) {
    Close();
    Fail(failure);
  }
}

int32_t TPulseOutput::OpenStream() {
  // 16-bit samples, the server's own default format: half the memory shared with it of floats, and
  // nothing for it to convert on the usual sinks.
  pa_sample_spec sampleFormat{PA_SAMPLE_S16NE, uint32_t(FRate), 2};
  pa_channel_map map{};
  pa_channel_map_init_stereo(&map);
  FStream = pa_stream_new(FContext, "Playback", &sampleFormat, &map);
  if (!FStream) return pa_context_errno(FContext) == PA_ERR_INVALID ? SND_ERROR_FORMAT : SND_ERROR_DRIVER;
  pa_stream_set_state_callback(FStream, StreamState, this);
  pa_stream_set_write_callback(FStream, StreamRequest, this);
  pa_stream_set_latency_update_callback(FStream, StreamTiming, this);
  // The whole queue as the latency the server plans for, so it wakes rarely; playback starts with the
  // first block.
  pa_buffer_attr attributes{};
  attributes.maxlength = uint32_t(-1);
  attributes.tlength = uint32_t(FQueueFrames * kFrameBytes);
  attributes.prebuf = uint32_t(TMixer::kBlock * kFrameBytes);
  attributes.minreq = uint32_t(FQueueFrames / 4 * kFrameBytes);
  attributes.fragsize = uint32_t(-1);
  auto flags =
      pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
  if (pa_stream_connect_playback(FStream, nullptr, &attributes, flags, nullptr, nullptr) < 0) return SND_ERROR_DRIVER;
  while (!FTimedOut && pa_stream_get_state(FStream) == PA_STREAM_CREATING) pa_threaded_mainloop_wait(FLoop);
  if (pa_stream_get_state(FStream) == PA_STREAM_READY) return SND_OK;
  const int error = pa_context_errno(FContext);
  return error == PA_ERR_NOTSUPPORTED || error == PA_ERR_INVALID ? SND_ERROR_FORMAT : SND_ERROR_DRIVER;
}

void TPulseOutput::ContextState(pa_context* context, void* user) {
  auto* self = static_cast<TPulseOutput*>(user);
  pa_context_state_t state = pa_context_get_state(context);
  if (self->FReady && !PA_CONTEXT_IS_GOOD(state)) self->Lost();
  pa_threaded_mainloop_signal(self->FLoop, 0);
}

void TPulseOutput::StreamState(pa_stream* stream, void* user) {
  auto* self = static_cast<TPulseOutput*>(user);
  pa_stream_state_t state = pa_stream_get_state(stream);
  if (self->FReady && !PA_STREAM_IS_GOOD(state)) self->Lost();
  pa_threaded_mainloop_signal(self->FLoop, 0);
}

void TPulseOutput::StreamRequest(pa_stream*, size_t, void* user) { static_cast<TPulseOutput*>(user)->Pump(); }

void TPulseOutput::StreamTiming(pa_stream*, void* user) { static_cast<TPulseOutput*>(user)->NoteTime(); }

void TPulseOutput::Lost() {
  if (!FReady) return;
  FReady = false;
  if (FTimer) pa_threaded_mainloop_get_api(FLoop)->time_restart(FTimer, nullptr);
  // Sound goes on in real time without being heard: channels advance and end as they would.
  FMixer.StopRewinding();
  FFallbackOwner = std::make_unique<TNullOutput>(FMixer, FRate);
  if (Running()) FFallbackOwner->Start();
  FFallback.store(FFallbackOwner.get(), std::memory_order_release);
}

void TPulseOutput::Start() {
  TLoopLock lock(FLoop);
  if (TNullOutput* fallback = FFallback.load(std::memory_order_acquire)) {
    fallback->Start();
    FRunning.store(true);
    return;
  }
  FMixer.SetGate(true);
  FRunning.store(true);
  FRewrite = true;
  Schedule(0);
}

void TPulseOutput::Stop() {
  TLoopLock lock(FLoop);
  FRunning.store(false);
  if (TNullOutput* fallback = FFallback.load(std::memory_order_acquire)) {
    fallback->Stop();
    return;
  }
  FMixer.SetGate(false);
  FRewrite = true;
  Schedule(0);
}

void TPulseOutput::Changed() {
  if (FFallback.load(std::memory_order_acquire)) return;
  TLoopLock lock(FLoop);
  if (FRewrite) return;
  FRewrite = true;
  // A moment's grace gathers the calls of one user action (free, load, play, volume) into one rewrite.
  Schedule(2000);
}

void TPulseOutput::Schedule(int64_t microseconds) {
  if (!FTimer || !FReady) return;
  timeval when{};
  pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(std::max<int64_t>(microseconds, 0)));
  pa_threaded_mainloop_get_api(FLoop)->time_restart(FTimer, &when);
}

void TPulseOutput::NoteTime() {
  if (!FStream || !FReady) return;
  pa_usec_t usec = 0;
  if (pa_stream_get_time(FStream, &usec) < 0) return;
  const pa_timing_info* timing = pa_stream_get_timing_info(FStream);
  bool playing = timing && timing->playing;
  // Once the stream has run dry on purpose, the silence after it is heard in real time: keep counting
  // from the last report of a moving stream.
  if (!playing && FIdle) return;
  FTimeFrames.store(int64_t(double(usec) * FRate / 1e6) + FOffset, std::memory_order_relaxed);
  FTimeNanos.store(NowNanos(), std::memory_order_relaxed);
  FTimeMoving.store(playing, std::memory_order_release);
}

int64_t TPulseOutput::HeardFrame() const {
  if (TNullOutput* fallback = FFallback.load(std::memory_order_acquire)) return fallback->HeardFrame();
  bool idle = FIdleShared.load(std::memory_order_acquire);
  bool moving = FTimeMoving.load(std::memory_order_acquire) || idle;
  int64_t frames = FTimeFrames.load(std::memory_order_relaxed);
  if (moving) frames += (NowNanos() - FTimeNanos.load(std::memory_order_relaxed)) * FRate / 1000000000;
  if (!idle) frames = std::min(frames, FWrittenShared.load(std::memory_order_acquire));
  return std::max<int64_t>(frames, 0);
}

size_t TPulseOutput::LatencyFrames() const { return FQueueFrames + size_t(FRate) / 10; }

void TPulseOutput::Pump() {
  if (!FReady) return;
  NoteTime();
  if (FRewrite) {
    FRewrite = false;
    Rewrite();
  }
  int64_t heard = HeardFrame();
  bool sound = FMixer.MaySound() || FWritten < FMustReach;
  if (sound && FIdle && heard + int64_t(FMarginFrames) >= FWritten) {
    // Sound again after the stream ran dry: the server plays what comes next at once, so the mixer goes on
    // from what is heard now, not from where it stopped. A little silence goes first: the server starts
    // the stream by going back over what its sink had already taken, and a listener on the sink's monitor
    // would miss that part.
    int64_t stream = FWritten - FOffset;
    int64_t pad = 2 * kBlock;
    if (WriteSilence(stream, pad)) {
      int64_t at = std::max((heard + pad + kBlock - 1) / kBlock * kBlock, FWritten);
      FMixer.JumpTo(at);
      FOffset = at - (stream + pad);
      FWritten = at;
      FWrittenShared.store(at, std::memory_order_release);
    }
    SetIdle(false);
    FFilling = true;
  } else if (sound && FIdle) {
    SetIdle(false);
    FFilling = true;
  }
  FMixer.SetEarliestRewind(std::min(heard / kBlock * kBlock, FWritten));
  int64_t queue = int64_t(FQueueFrames);
  int64_t target = heard + queue;
  // The queue is topped up once a quarter of it has been heard, a few writes in a row, so the server and
  // this thread wake a few times a second.
  if (!FFilling && sound && FWritten - heard <= queue - queue / 4) FFilling = true;
  if (!FFilling || FWritten + queue / 8 >= target || !sound) {
    FFilling = false;
    if (sound) {
      Schedule((FWritten - heard - (queue - queue / 4)) * 1000000 / FRate);
    } else {
      // Nothing to play: the stream runs dry and waits for the next change.
      SetIdle(true);
    }
    return;
  }
  size_t frames = std::min({size_t(target - FWritten), FMixer.RenderableFrames(), kChunk});
  frames = frames / TMixer::kBlock * TMixer::kBlock;
  if (frames == 0) {
    // The decoder is behind, or waits for room the mixer has not given up yet: try again shortly.
    FMixer.Housekeep();
    Schedule(10000);
    return;
  }
  if (!WriteBlocks(frames)) return;
  // More to write: after the event loop has sent this part.
  Schedule(0);
}

void TPulseOutput::SetIdle(bool idle) {
  if (idle == FIdle) return;
  if (idle) {
    // Count on from the last note of the moving stream; one that never moved counts from its end now.
    NoteTime();
    if (!FTimeMoving.load(std::memory_order_acquire)) {
      FTimeFrames.store(FWritten, std::memory_order_relaxed);
      FTimeNanos.store(NowNanos(), std::memory_order_relaxed);
    }
    FTimeMoving.store(true, std::memory_order_release);
  }
  FIdle = idle;
  FIdleShared.store(idle, std::memory_order_release);
}

void TPulseOutput::Rewrite() {
  int64_t heard = HeardFrame();
  // Ahead of what the sink has already taken, where that can be known and is not far: what the server
  // still holds is replaced without making the sink go back.
  int64_t margin = int64_t(FMarginFrames);
  if (const pa_timing_info* timing = pa_stream_get_timing_info(FStream))
    margin = std::clamp<int64_t>(int64_t(timing->sink_usec) * FRate / 1000000 + FRate / 100, margin, FRate * 6 / 100);
  int64_t from = (heard + margin + kBlock - 1) / kBlock * kBlock;
  if (from >= FWritten) return;
  if (!FMixer.RewindTo(from)) return;
  // What the server holds beyond is of the old mix: it is written over even if all is silent now.
  FMustReach = std::max(FMustReach, FWritten);
  FFilling = true;
  FWritten = from;
  FWrittenShared.store(from, std::memory_order_release);
}

bool TPulseOutput::WriteSilence(int64_t stream, int64_t frames) {
  std::vector<int16_t> zeros(size_t(frames) * 2, 0);
  return pa_stream_write(FStream, zeros.data(), zeros.size() * sizeof(int16_t), nullptr, stream * kFrameBytes,
                         PA_SEEK_ABSOLUTE) == 0;
}

bool TPulseOutput::WriteBlocks(size_t frames) {
  if (!FMix) FMix.reset(new float[kChunk * 2]);
  while (frames > 0) {
    void* data = nullptr;
    size_t bytes = frames * kFrameBytes;
    if (pa_stream_begin_write(FStream, &data, &bytes) < 0 || !data) return false;
    size_t n = std::min({frames, bytes / kFrameBytes, kChunk}) / TMixer::kBlock * TMixer::kBlock;
    if (n == 0) {
      pa_stream_cancel_write(FStream);
      return false;
    }
    float* mix = FMix.get();
    FMixer.Mix(mix, n);
    auto* samples = static_cast<int16_t*>(data);
    for (size_t i = 0; i < n * 2; ++i)
      samples[i] = int16_t(std::lrintf(std::clamp(mix[i], -1.0f, 32767.0f / 32768.0f) * 32768.0f));
    if (pa_stream_write(FStream, data, n * kFrameBytes, nullptr, (FWritten - FOffset) * kFrameBytes, PA_SEEK_ABSOLUTE) <
        0)
      return false;
    FWritten += int64_t(n);
    FWrittenShared.store(FWritten, std::memory_order_release);
    frames -= n;
  }
  return true;
}

}  // namespace sndlib
