// SPDX-License-Identifier: MIT
// TPulseOutput: the default audio output through the desktop's sound server (the PulseAudio protocol, also
// served by PipeWire), with a deep queue that the library rewrites whenever what is heard changes.
// Implements: open at a rate, start, stop, a heard position from the server's own timing reports, changes
// heard at once, silence from the real-time no-sound output once the server is gone. Not: device choice,
// moving to another server, capture.
#pragma once

#include "../TOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;

namespace sndlib {

class TNullOutput;

// The server holds about a second of mixed sound, so it and the output thread wake a few times a second;
// playback starts as soon as the first block arrives. Every change of what is heard makes the output go
// back to a block just ahead of what the server is playing now and mix the queue again from there (the
// server accepts writes over what it has queued but not played), so pause, stop and volume are heard
// within a few blocks.
//
// All mixing happens on the client library's event thread, under its lock; entry points only note that
// something changed and wake it.
class TPulseOutput : public TOutput {
public:
  // Throws TError: SND_ERROR_DRIVER when no server answers, SND_ERROR_FORMAT when it refuses the rate or
  // format.
  static std::unique_ptr<TPulseOutput> Open(TMixer& mixer, int rate);
  ~TPulseOutput() override;

  const char* Name() const override { return "sound server"; }
  void Start() override;
  void Stop() override;
  void Changed() override;
  int64_t HeardFrame() const override;
  size_t LatencyFrames() const override;

private:
  TPulseOutput(TMixer& mixer, int rate);
  void Connect();
  // Creates the playback stream and waits until the server has it; the loop's lock is held. SND_OK or
  // the failure code for snd_init.
  int32_t OpenStream();
  void Close();
  // Event thread: go back for a change if one is pending, then top the queue up.
  void Pump();
  void Rewrite();
  bool WriteBlocks(size_t frames);
  bool WriteSilence(int64_t stream, int64_t frames);
  void Schedule(int64_t microseconds);
  void NoteTime();
  // Event thread: the server is gone; sound goes on silently in real time.
  void Lost();

  static void ContextState(pa_context* context, void* self);
  static void StreamState(pa_stream* stream, void* self);
  static void StreamRequest(pa_stream* stream, size_t bytes, void* self);
  static void StreamTiming(pa_stream* stream, void* self);

  pa_threaded_mainloop* FLoop = nullptr;
  pa_context* FContext = nullptr;
  pa_stream* FStream = nullptr;
  pa_time_event* FTimer = nullptr;
  bool FReady = false;
  bool FTimedOut = false;
  bool FRewrite = false;
  bool FFilling = false;
  // The stream ran dry because nothing sounds; the heard position then moves on with the clock.
  bool FIdle = false;
  std::atomic<bool> FIdleShared{false};
  void SetIdle(bool idle);
  // Output frame minus stream frame: grows when the output skips the silence of an idle stream.
  int64_t FOffset = 0;
  int64_t FWritten = 0;    // output frames written to the stream so far (its write position)
  int64_t FMustReach = 0;  // after going back: where the server's queue of the old mix ended
  size_t FQueueFrames;     // how far ahead of what is heard the output mixes
  size_t FMarginFrames;    // how far ahead of what is heard a change may start
  std::atomic<int64_t> FWrittenShared{0};
  // What the server last said it was playing: a frame, when that was, and whether it moves on.
  std::atomic<int64_t> FTimeFrames{0};
  std::atomic<int64_t> FTimeNanos{0};
  std::atomic<bool> FTimeMoving{false};
  std::unique_ptr<float[]> FMix;  // one chunk mixed, before it becomes 16-bit samples
  std::atomic<TNullOutput*> FFallback{nullptr};
  std::unique_ptr<TNullOutput> FFallbackOwner;
};

}  // namespace sndlib
