// SPDX-License-Identifier: MIT
// TChannel: one module or stream: its decoder, the ring the decoder fills, speed, volume, pan and history.
#include "TChannel.h"

#include "TMixer.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sndlib {

// Frames the decoder produces at a time, and the ring's depth: about 0.7 s at 44100 Hz, which covers a
// 4096-frame device buffer at the highest speed with room for the decoder thread to be late.
static constexpr size_t kDecodeChunk = 2048;
static constexpr size_t kRingFrames = 32768;
// Resampling ratios the converter accepts.
static constexpr double kMinRatio = 1.0 / 256.0;
static constexpr double kMaxRatio = 256.0;

TChannel::TChannel(uint32_t handle, TChannelKind kind, std::unique_ptr<TSource> source, int outputRate,
                   size_t historyFrames)
    : FHandle(handle),
      FKind(kind),
      FSource(std::move(source)),
      FRing(kRingFrames),
      FDecodeScratch(new float[kDecodeChunk * 2]),
      FOutputRate(outputRate) {
  int error = 0;
  // Linear interpolation: the fastest sinc converter cost ten times the MP3 decoder per minute heard, and
  // what is resampled here is already band-limited well below the output's Nyquist rate in the usual cases
  // (a 48 kHz MP3 at true speed, the speed knob near the middle).
  FResampler = src_new(SRC_LINEAR, 2, &error);
  if (!FResampler) throw std::bad_alloc();
  size_t h = 1;
  while (h < historyFrames) h <<= 1;
  FHistoryFrames = h;
  FHistory.reset(new std::atomic<float>[h * 2]);
  for (size_t i = 0; i < h * 2; ++i) FHistory[i].store(0.0f, std::memory_order_relaxed);
  FPeaks.reset(new std::atomic<float>[h / kPeakChunk * 2]);
  for (size_t i = 0; i < h / kPeakChunk * 2; ++i) FPeaks[i].store(0.0f, std::memory_order_relaxed);
}

TChannel::~TChannel() { src_delete(FResampler); }

bool TChannel::Fill() {
  bool any = false;
  while (!FDecodeEnded.load(std::memory_order_relaxed) && FRing.Writable() >= kDecodeChunk) {
    size_t n = FSource->Read(FDecodeScratch.get(), kDecodeChunk);
    if (n == 0) {
      FDecodeEnded.store(true, std::memory_order_release);
      break;
    }
    for (size_t at = 0; at < n;) {
      size_t m = 0;
      float* to = FRing.WriteRegion(n - at, m);
      std::memcpy(to, FDecodeScratch.get() + at * 2, m * 2 * sizeof(float));
      FRing.Commit(m);
      at += m;
    }
    any = true;
  }
  return any;
}

bool TChannel::Rewind(uint32_t position) {
  if (!FSource->Restart(position)) return false;
  FRing.Reset();
  FDecodeEnded.store(false, std::memory_order_release);
  FConsumed.store(0, std::memory_order_release);
  FResampling = false;
  src_reset(FResampler);
  Fill();
  return true;
}

void TChannel::Render(float* out, size_t frames) {
  size_t done = 0;
  if (TChannelState(FState.load()) == TChannelState::Playing) {
    double speed = double(FFrequency.load(std::memory_order_relaxed)) / 44100.0;
    double ratio = std::clamp(double(FOutputRate) / (double(FSource->Rate()) * speed), kMinRatio, kMaxRatio);
    if (ratio != 1.0 && !FResampling) {
      FResampling = true;
      src_reset(FResampler);
    }
    uint64_t used = 0;
    if (!FResampling) {
      while (done < frames) {
        size_t n = 0;
        const float* from = FRing.ReadRegion(frames - done, n);
        if (n == 0) break;
        std::memcpy(out + done * 2, from, n * 2 * sizeof(float));
        FRing.Release(n);
        done += n;
        used += n;
      }
    } else {
      while (done < frames) {
        size_t n = 0;
        const float* from = FRing.ReadRegion(kRingFrames, n);
        SRC_DATA data{};
        data.data_in = from;
        data.input_frames = long(n);
        data.data_out = out + done * 2;
        data.output_frames = long(frames - done);
        data.src_ratio = ratio;
        data.end_of_input = (n == 0 && DecodeEnded()) ? 1 : 0;
        if (src_process(FResampler, &data) != 0) break;
        FRing.Release(size_t(data.input_frames_used));
        used += uint64_t(data.input_frames_used);
        done += size_t(data.output_frames_gen);
        if (data.input_frames_used == 0 && data.output_frames_gen == 0) break;
      }
    }
    FConsumed.fetch_add(used, std::memory_order_release);
    if (done < frames && FRing.Readable() == 0 && DecodeEnded()) {
      // NOTE: with the ring empty because the decoder thread is late, the channel only stutters; it ends
      // only when the decoder has reached the end as well.
      int playing = int(TChannelState::Playing);
      FState.compare_exchange_strong(playing, int(TChannelState::Ended));
    }
  }
  std::fill(out + done * 2, out + frames * 2, 0.0f);
}

void TChannel::WriteHistory(int64_t first, const float* stereo, size_t frames) {
  size_t mask = FHistoryFrames - 1;
  size_t chunkMask = FHistoryFrames / kPeakChunk - 1;
  for (size_t i = 0; i < frames;) {
    // One chunk (or the part of it in this block) at a time: samples first, then its peak once.
    size_t f = size_t(first) + i;
    size_t inChunk = f % kPeakChunk;
    size_t n = std::min(frames - i, kPeakChunk - inChunk);
    float pl = 0.0f, pr = 0.0f;
    size_t chunk = (f / kPeakChunk) & chunkMask;
    if (inChunk != 0) {
      pl = FPeaks[chunk * 2].load(std::memory_order_relaxed);
      pr = FPeaks[chunk * 2 + 1].load(std::memory_order_relaxed);
    }
    for (size_t j = 0; j < n; ++j) {
      size_t slot = (f + j) & mask;
      float l = stereo[(i + j) * 2], r = stereo[(i + j) * 2 + 1];
      FHistory[slot * 2].store(l, std::memory_order_relaxed);
      FHistory[slot * 2 + 1].store(r, std::memory_order_relaxed);
      pl = std::max(pl, std::fabs(l));
      pr = std::max(pr, std::fabs(r));
    }
    FPeaks[chunk * 2].store(pl, std::memory_order_relaxed);
    FPeaks[chunk * 2 + 1].store(pr, std::memory_order_relaxed);
    i += n;
  }
  if (FHistoryBegin.load(std::memory_order_relaxed) < 0) FHistoryBegin.store(first, std::memory_order_release);
  FHistoryEnd.store(first + int64_t(frames), std::memory_order_release);
}

void TChannel::ReadHistory(int64_t end, size_t frames, float* stereo) const {
  int64_t begin = FHistoryBegin.load(std::memory_order_acquire);
  int64_t written = FHistoryEnd.load(std::memory_order_acquire);
  size_t mask = FHistoryFrames - 1;
  int64_t first = end - int64_t(frames);
  std::fill(stereo, stereo + frames * 2, 0.0f);
  if (begin < 0) return;
  int64_t from = std::max(first, begin);
  int64_t to = std::min(end, written);
  for (int64_t f = from; f < to; ++f) {
    size_t slot = size_t(f) & mask;
    size_t at = size_t(f - first) * 2;
    stereo[at] = FHistory[slot * 2].load(std::memory_order_relaxed);
    stereo[at + 1] = FHistory[slot * 2 + 1].load(std::memory_order_relaxed);
  }
  // Frames the mixer may have overwritten while they were copied read as silence: the slot of frame f is
  // reused for f + capacity, and the mixer writes at most one block beyond what it has published.
  int64_t now = FHistoryEnd.load(std::memory_order_acquire);
  int64_t oldestSafe = now + int64_t(TMixer::kMaxBlock) - int64_t(FHistoryFrames);
  for (int64_t f = first; f < std::min(oldestSafe, end); ++f) {
    stereo[size_t(f - first) * 2] = 0.0f;
    stereo[size_t(f - first) * 2 + 1] = 0.0f;
  }
}

void TChannel::PeakOfHistory(int64_t end, size_t frames, float* peak) const {
  int64_t begin = FHistoryBegin.load(std::memory_order_acquire);
  int64_t written = FHistoryEnd.load(std::memory_order_acquire);
  size_t mask = FHistoryFrames - 1;
  size_t chunkMask = FHistoryFrames / kPeakChunk - 1;
  peak[0] = peak[1] = 0.0f;
  if (begin < 0) return;
  int64_t from = std::max(end - int64_t(frames), begin);
  int64_t to = std::min(end, written);
  // Only whole chunks that started at or after `begin` carry a complete peak; the rest is read frame by frame.
  for (int64_t f = from; f < to;) {
    bool whole = f % int64_t(kPeakChunk) == 0 && f + int64_t(kPeakChunk) <= to;
    if (whole) {
      size_t chunk = (size_t(f) / kPeakChunk) & chunkMask;
      peak[0] = std::max(peak[0], FPeaks[chunk * 2].load(std::memory_order_relaxed));
      peak[1] = std::max(peak[1], FPeaks[chunk * 2 + 1].load(std::memory_order_relaxed));
      f += int64_t(kPeakChunk);
    } else {
      size_t slot = size_t(f) & mask;
      peak[0] = std::max(peak[0], std::fabs(FHistory[slot * 2].load(std::memory_order_relaxed)));
      peak[1] = std::max(peak[1], std::fabs(FHistory[slot * 2 + 1].load(std::memory_order_relaxed)));
      ++f;
    }
  }
  // As for ReadHistory: a span the mixer may have overwritten meanwhile says nothing.
  int64_t now = FHistoryEnd.load(std::memory_order_acquire);
  if (from < now + int64_t(TMixer::kMaxBlock) - int64_t(FHistoryFrames)) peak[0] = peak[1] = 0.0f;
}

}  // namespace sndlib
