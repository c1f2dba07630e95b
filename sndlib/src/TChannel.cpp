// SPDX-License-Identifier: MIT
// TChannel: one module or stream: its decoder, the ring the decoder fills, speed, volume, pan and history.
#include "TChannel.h"

#include "TMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace sndlib {

// Frames the decoder produces at a time, and the ring's depth: about 1.5 s at 44100 Hz. What the output
// has mixed ahead stays in the ring until it is heard (an output may mix it again), so the ring holds the
// output's whole queue at the highest speed the queue allows, and the decoder's lead on top.
static constexpr size_t kDecodeChunk = 2048;
static constexpr size_t kRingFrames = 65536;
// Checkpoints kept: one per block, about 3 s at 44100 Hz (the deepest queue an output keeps is 1 s).
static constexpr size_t kCheckpoints = 512;
// Conversion ratios the converter is asked for.
static constexpr double kMinRatio = 1.0 / 256.0;
static constexpr double kMaxRatio = 256.0;
static constexpr uint64_t kNoLimit = ~uint64_t(0);

TChannel::TChannel(uint32_t handle, TChannelKind kind, std::unique_ptr<TSource> source, int outputRate,
                   size_t historyFrames)
    : FHandle(handle),
      FKind(kind),
      FSource(std::move(source)),
      FRing(kRingFrames),
      FDecodeScratch(new float[kDecodeChunk * 2]),
      FOutputRate(outputRate),
      FWork(new float[TMixer::kBlock * 2 * 3]),
      FCheckpoints(new TCheckpoint[kCheckpoints]) {
  size_t h = 1;
  while (h < historyFrames) h <<= 1;
  FHistoryFrames = h;
  FHistory.reset(new std::atomic<float>[h * 2]);
  for (size_t i = 0; i < h * 2; ++i) FHistory[i].store(0.0f, std::memory_order_relaxed);
  FPeaks.reset(new std::atomic<float>[h / kPeakChunk * 2]);
  for (size_t i = 0; i < h / kPeakChunk * 2; ++i) FPeaks[i].store(0.0f, std::memory_order_relaxed);
}

TChannel::~TChannel() = default;

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
  // The frames of the new start follow those already in the ring; the mixer skips to them.
  FDecodeEnded.store(false, std::memory_order_release);
  FGenerationStart.store(FRing.Written(), std::memory_order_release);
  FGeneration.fetch_add(1, std::memory_order_acq_rel);
  FConsumed.store(0, std::memory_order_release);
  Fill();
  return true;
}

double TChannel::WantedRatio() const {
  int64_t freq = FFrequency.load(std::memory_order_relaxed);
  int64_t rate = FSource->Rate();
  // A file at the output rate played at true speed is not converted at all.
  if (rate * freq == int64_t(44100) * FOutputRate) return 1.0;
  double ratio = double(rate) * (double(freq) / 44100.0) / double(FOutputRate);
  return std::clamp(ratio, kMinRatio, kMaxRatio);
}

double TChannel::InputPosition(const TVoice& voice) const {
  return voice.Ratio == 1.0 ? double(voice.Read) : voice.Position;
}

void TChannel::Reprime(TVoice& voice, double ratio) {
  double position = InputPosition(voice);
  voice.Ratio = ratio;
  if (ratio == 1.0) {
    uint64_t read = uint64_t(std::max(0.0, std::round(position)));
    voice.Read = std::max({read, voice.Start, FRing.Retained()});
  } else {
    voice.Position = position;
  }
}

size_t TChannel::Produce(TVoice& voice, std::unique_ptr<TConverter>& converter, bool& primed, float* out,
                         size_t frames) {
  uint64_t limit = voice.Limit;
  bool end = true;
  if (limit == kNoLimit) {
    // The end flag first: once it is set, every frame of the source is committed.
    end = DecodeEnded();
    limit = FRing.Written();
  }
  size_t done = 0;
  if (voice.Ratio == 1.0) {
    while (done < frames && voice.Read < limit) {
      size_t n = 0;
      const float* from =
          FRing.ReadRegion(voice.Read, size_t(std::min<uint64_t>(frames - done, limit - voice.Read)), n);
      std::memcpy(out + done * 2, from, n * 2 * sizeof(float));
      done += n;
      voice.Read += n;
    }
    if (done < frames && end) voice.Ended = true;
    return done;
  }
  if (!converter || converter->Ratio() != voice.Ratio) {
    converter = std::make_unique<TConverter>(voice.Ratio);
    primed = false;
  }
  if (!primed) {
    converter->Prime(voice.Position, std::max(FRing.Retained(), voice.Start));
    primed = true;
  }
  done = converter->Produce(FRing, limit, end, out, frames);
  voice.Position = converter->Position();
  if (done < frames && converter->Drained()) voice.Ended = true;
  return done;
}

namespace {

// out = from * (1 - w) + out * w, w rising over the block.
void Crossfade(const float* from, float* out, size_t frames) {
  for (size_t i = 0; i < frames; ++i) {
    float w = (float(i) + 0.5f) / float(frames);
    out[i * 2] = from[i * 2] * (1.0f - w) + out[i * 2] * w;
    out[i * 2 + 1] = from[i * 2 + 1] * (1.0f - w) + out[i * 2 + 1] * w;
  }
}

// Gains moving from (l0, r0) to (l1, r1) over the block.
void Ramp(float* out, size_t frames, float l0, float r0, float l1, float r1) {
  if (l0 == l1 && r0 == r1) {
    for (size_t i = 0; i < frames; ++i) {
      out[i * 2] *= l1;
      out[i * 2 + 1] *= r1;
    }
    return;
  }
  for (size_t i = 0; i < frames; ++i) {
    float w = (float(i) + 1.0f) / float(frames);
    out[i * 2] *= l0 + (l1 - l0) * w;
    out[i * 2 + 1] *= r0 + (r1 - r0) * w;
  }
}

}  // namespace

void TChannel::RenderBlock(int64_t first, bool frozen, float* out) {
  constexpr size_t B = TMixer::kBlock;
  TCheckpoint& checkpoint = FCheckpoints[size_t(first / int64_t(B)) & (kCheckpoints - 1)];
  checkpoint.First = first;
  checkpoint.Voice = FVoice;
  float* other = FWork.get();
  float* before = other + B * 2;
  std::fill(out, out + B * 2, 0.0f);

  if (frozen) {
    // The output is halted: nothing moves and nothing is heard.
    WriteHistory(first, out, B);
    if (FCrossfade) {
      Crossfade(before, out, B);
      FCrossfade = false;
    }
    return;
  }

  const bool oldSounds = RestartOnNewGeneration(first, other);
  TChannelState state = State();
  bool wantOn = state == TChannelState::Playing && !FVoice.Ended;
  bool wasOn = FVoice.On;
  if (wasOn || wantOn) ProduceAtSpeed(WantedRatio(), wasOn, before + B * 2, out);
  if (FVoice.Ended) wantOn = false;
  float volume = Volume();
  float pan = Pan();
  float l1 = wantOn ? volume * std::min(1.0f, 1.0f - pan) : 0.0f;
  float r1 = wantOn ? volume * std::min(1.0f, 1.0f + pan) : 0.0f;
  Ramp(out, B, wasOn ? FVoice.GainL : 0.0f, wasOn ? FVoice.GainR : 0.0f, l1, r1);
  FVoice.GainL = l1;
  FVoice.GainR = r1;
  FVoice.On = wantOn;
  if (oldSounds) {
    for (size_t i = 0; i < B * 2; ++i) out[i] += other[i];
  }
  if (FCrossfade) {
    Crossfade(before, out, B);
    FCrossfade = false;
  }
  if (wantOn || wasOn || oldSounds) {
    FEverAudible.store(true, std::memory_order_release);
    FVoice.SilentSince = wantOn ? -1 : first + int64_t(B);
  }
  if (FVoice.Ended && state == TChannelState::Playing) {
    // NOTE: with the ring empty because the decoder thread is late, the channel only stutters; it ends
    // only when the decoder has reached the end as well.
    int playing = int(TChannelState::Playing);
    FState.compare_exchange_strong(playing, int(TChannelState::Ended));
  }
  uint64_t position = uint64_t(std::max(0.0, std::floor(InputPosition(FVoice))));
  FConsumed.store(position > FVoice.Start ? position - FVoice.Start : 0, std::memory_order_release);
  WriteHistory(first, out, B);
}

bool TChannel::RestartOnNewGeneration(int64_t first, float* old) {
  constexpr size_t B = TMixer::kBlock;
  const uint64_t generation = FGeneration.load(std::memory_order_acquire);
  if (generation == FVoice.Generation) return false;
  // A new start of the source: the old one is ramped out in this block while the new one comes in.
  const uint64_t start = FGenerationStart.load(std::memory_order_acquire);
  TVoice previous = FVoice;
  if (previous.Limit == kNoLimit) previous.Limit = start;
  const bool sounds = previous.On;
  if (sounds) {
    std::fill(old, old + B * 2, 0.0f);
    bool primed = FConverterPrimed;
    Produce(previous, FConverter, primed, old, B);
    Ramp(old, B, previous.GainL, previous.GainR, 0.0f, 0.0f);
  }
  FVoice = TVoice{};
  FVoice.Generation = generation;
  FVoice.Start = FVoice.Read = start;
  FVoice.Position = double(start);
  FVoice.SilentSince = first;
  FConverterPrimed = false;
  return sounds;
}

void TChannel::ProduceAtSpeed(double ratio, bool wasOn, float* scratch, float* out) {
  constexpr size_t B = TMixer::kBlock;
  if (FVoice.Ratio != ratio && wasOn) {
    // A new speed while heard: the old converter plays this block out, a new one starting where the
    // block starts crossfades in.
    TVoice previous = FVoice;
    std::fill(scratch, scratch + B * 2, 0.0f);
    Produce(previous, FConverter, FConverterPrimed, scratch, B);
    Reprime(FVoice, ratio);
    bool sparePrimed = false;
    Produce(FVoice, FSpare, sparePrimed, out, B);
    Crossfade(scratch, out, B);
    std::swap(FConverter, FSpare);
    FConverterPrimed = sparePrimed;
    return;
  }
  if (FVoice.Ratio != ratio) {
    Reprime(FVoice, ratio);
    FConverterPrimed = false;
  }
  Produce(FVoice, FConverter, FConverterPrimed, out, B);
}

void TChannel::RestoreCheckpoint(int64_t first) {
  constexpr size_t B = TMixer::kBlock;
  // What was heard of this block before, to crossfade the new rendering from.
  ReadHistory(first + int64_t(B), B, FWork.get() + B * 2);
  FCrossfade = true;
  const TCheckpoint& checkpoint = FCheckpoints[size_t(first / int64_t(B)) & (kCheckpoints - 1)];
  if (checkpoint.First == first) {
    FVoice = checkpoint.Voice;
  } else {
    // Not rendered then: the channel did not exist yet.
    FVoice = TVoice{};
    FVoice.SilentSince = first;
  }
  FConverterPrimed = false;
  // The end it reached further on is not reached yet.
  if (!FVoice.Ended) {
    int ended = int(TChannelState::Ended);
    FState.compare_exchange_strong(ended, int(TChannelState::Playing));
  }
  uint64_t position = uint64_t(std::max(0.0, std::floor(InputPosition(FVoice))));
  FConsumed.store(position > FVoice.Start ? position - FVoice.Start : 0, std::memory_order_release);
}

void TChannel::ReleaseBefore(int64_t frame, int64_t rendered) {
  constexpr size_t B = TMixer::kBlock;
  uint64_t generation = FGeneration.load(std::memory_order_acquire);
  bool silent = !FVoice.On && FVoice.SilentSince >= 0 && FVoice.SilentSince <= frame;
  if (generation != FVoice.Generation && silent) {
    // A new start is waiting and the old one is silent wherever the output may go back to: none of its
    // frames will be read again, so the decoder may fill the ring with the new ones.
    FRing.Retain(FGenerationStart.load(std::memory_order_acquire));
    return;
  }
  // The oldest block the output may still go back to: the first one rendered from `frame` on.
  const TVoice* voice = &FVoice;
  for (int64_t block = frame / int64_t(B) * int64_t(B); block < rendered; block += int64_t(B)) {
    const TCheckpoint& checkpoint = FCheckpoints[size_t(block / int64_t(B)) & (kCheckpoints - 1)];
    if (checkpoint.First == block) {
      voice = &checkpoint.Voice;
      break;
    }
  }
  // A checkpoint of an earlier start that was silent never reads its frames again.
  if (voice->Generation != FVoice.Generation && !voice->On) voice = &FVoice;
  double ratio = std::max({voice->Ratio, FVoice.Ratio, WantedRatio()});
  double keep = std::min(InputPosition(*voice), InputPosition(FVoice)) - double(TConverter::PreRoll(ratio));
  if (voice == &FVoice || voice->Generation == FVoice.Generation) keep = std::max(keep, double(FVoice.Start));
  if (keep > 0) FRing.Retain(uint64_t(keep));
}

bool TChannel::Untouched() const {
  return FGeneration.load(std::memory_order_acquire) == 0 && !EverAudible() && Consumed() == 0;
}

bool TChannel::MaySound() const {
  if (FVoice.On) return true;
  return State() == TChannelState::Playing && !(FVoice.Ended && FGeneration.load() == FVoice.Generation);
}

size_t TChannel::RenderableFrames() const {
  constexpr size_t kUnlimited = std::numeric_limits<size_t>::max();
  if (!MaySound()) return kUnlimited;
  uint64_t generation = FGeneration.load(std::memory_order_acquire);
  bool current = generation == FVoice.Generation;
  if (current && DecodeEnded()) return kUnlimited;
  double position = current ? InputPosition(FVoice) : double(FGenerationStart.load(std::memory_order_acquire));
  double ratio = WantedRatio();
  double lookahead = ratio == 1.0 ? 0.0 : double(TConverter::LookAhead(ratio));
  double available = double(FRing.Written()) - position - lookahead;
  if (available <= 0) return 0;
  return size_t(available / ratio);
}

bool TChannel::Retirable(int64_t earliest) const {
  return Freed() && !FVoice.On && FVoice.SilentSince >= 0 && FVoice.SilentSince <= earliest;
}

void TChannel::WriteHistory(int64_t first, const float* stereo, size_t frames) {
  size_t mask = FHistoryFrames - 1;
  size_t chunkMask = FHistoryFrames / kPeakChunk - 1;
  int64_t end = FHistoryEnd.load(std::memory_order_relaxed);
  if (end >= 0 && first > end) {
    // The output skipped ahead over silence: what the slots held from before must not read as that span.
    int64_t from = std::max(end, first - int64_t(FHistoryFrames));
    for (int64_t f = from; f < first; ++f) {
      size_t slot = size_t(f) & mask;
      FHistory[slot * 2].store(0.0f, std::memory_order_relaxed);
      FHistory[slot * 2 + 1].store(0.0f, std::memory_order_relaxed);
      if (f % int64_t(kPeakChunk) == 0) {
        FPeaks[(size_t(f) / kPeakChunk & chunkMask) * 2].store(0.0f, std::memory_order_relaxed);
        FPeaks[(size_t(f) / kPeakChunk & chunkMask) * 2 + 1].store(0.0f, std::memory_order_relaxed);
      }
    }
  }
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
  if (begin < 0) {
    std::fill(stereo, stereo + frames * 2, 0.0f);
    return;
  }
  int64_t from = std::clamp(begin, first, end);
  int64_t to = std::clamp(written, from, end);
  // Only what the history does not hold reads as silence: the display asks 40 times a second.
  std::fill(stereo, stereo + size_t(from - first) * 2, 0.0f);
  std::fill(stereo + size_t(to - first) * 2, stereo + frames * 2, 0.0f);
  for (int64_t f = from; f < to; ++f) {
    size_t slot = size_t(f) & mask;
    size_t at = size_t(f - first) * 2;
    stereo[at] = FHistory[slot * 2].load(std::memory_order_relaxed);
    stereo[at + 1] = FHistory[slot * 2 + 1].load(std::memory_order_relaxed);
  }
  // Frames the mixer may have overwritten while they were copied read as silence: the slot of frame f is
  // reused for f + capacity, and the mixer writes at most one block beyond what it has published.
  int64_t now = FHistoryEnd.load(std::memory_order_acquire);
  int64_t oldestSafe = now + int64_t(TMixer::kBlock) - int64_t(FHistoryFrames);
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
  if (from < now + int64_t(TMixer::kBlock) - int64_t(FHistoryFrames)) peak[0] = peak[1] = 0.0f;
}

}  // namespace sndlib
