// SPDX-License-Identifier: MIT
// The demo synthesiser. Each note is rendered on its own (band-limited oscillators, a swept low-pass,
// an envelope) into its part's bus; the parts meet in a mix with an echo, a room and a soft limiter.
#include "TSynthRenderer.h"

#include "TFilter.h"
#include "TReverb.h"
#include "TSampleSynth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Smooths the jump of a sawtooth or square so its harmonics stop short of aliasing.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

double Saw(double phase, double dt) { return 2.0 * phase - 1.0 - PolyBlep(phase, dt); }

double Square(double phase, double dt) {
  double shifted = phase + 0.5;
  if (shifted >= 1.0) shifted -= 1.0;
  return (phase < 0.5 ? 1.0 : -1.0) + PolyBlep(phase, dt) - PolyBlep(shifted, dt);
}

void Advance(double& phase, double dt) {
  phase += dt;
  if (phase >= 1.0) phase -= std::floor(phase);
}

// One sample of a voice's oscillator at `phase`, `t` seconds into the note.
double Oscillate(const TPatch& patch, double phase, double dt, double t, double velocity, double modulatorPhase) {
  switch (patch.Wave) {
    case TWave::Saw:
    case TWave::SuperSaw: return Saw(phase, dt);
    case TWave::Square: return Square(phase, dt);
    case TWave::Triangle: return 1.0 - 4.0 * std::abs(phase - 0.5);
    case TWave::Sine: return std::sin(kTwoPi * phase);
    case TWave::ElectricPiano: {
      // Two-operator FM at a 1:1 ratio: the index falls after the strike, leaving a round tone,
      // and a quick high partial gives the tine's knock.
      double index = (1.6 * velocity + 0.3) * std::exp(-t / 0.4) + 0.15;
      double modulator = std::sin(kTwoPi * modulatorPhase);
      return std::sin(kTwoPi * phase + index * modulator) +
             0.18 * velocity * std::exp(-t / 0.03) * std::sin(kTwoPi * 14.0 * phase);
    }
  }
  return 0;
}

// The pitch bend of the vibrato, in semitones, `t` seconds into the note.
double VibratoBend(const TPatch& patch, double t) {
  if (patch.VibratoDepth <= 0 || t <= patch.VibratoDelay) return 0;
  double fadeIn = std::min(1.0, (t - patch.VibratoDelay) / 0.4);
  return patch.VibratoDepth * fadeIn * std::sin(kTwoPi * patch.VibratoRate * (t - patch.VibratoDelay));
}

}  // namespace

TSynthRenderer::TSynthRenderer(double rate, uint64_t seed) : FRate(rate), FRandom(seed) {
  TSampleSynth drums(seed ^ 0xD5);
  FDrums[kKick] = drums.Kick(rate, 60);
  FDrums[kSnare] = drums.Snare(rate, 60);
  FDrums[kClap] = drums.Snare(rate, 60);
  FDrums[kClosedHat] = drums.Hat(rate, 60, 0.09);
  FDrums[kOpenHat] = drums.Hat(rate, 60, 0.35);
  FDrums[kCrash] = drums.Crash(rate, 60, 1.8);
}

TSynthRenderer::TVoices TSynthRenderer::MakeVoices(const TPatch& patch) {
  bool super = patch.Wave == TWave::SuperSaw;
  int count = super ? 7 : (patch.Wave == TWave::ElectricPiano ? 2 : 1);
  TVoices voices;
  voices.Phases.resize(static_cast<size_t>(count));
  voices.Ratios.assign(static_cast<size_t>(count), 1.0);
  voices.Lefts.resize(static_cast<size_t>(count));
  voices.Rights.resize(static_cast<size_t>(count));
  for (int v = 0; v < count; ++v) {
    auto i = static_cast<size_t>(v);
    voices.Phases[i] = super ? FRandom.Uniform() : 0.0;
    double position = count > 1 ? 2.0 * v / (count - 1) - 1.0 : 0.0;  // -1..1 across the voices
    double detune = patch.Wave == TWave::ElectricPiano ? 0.04 : patch.Detune;
    voices.Ratios[i] = std::pow(2.0, position * detune / 12.0);
    double pan = std::clamp(patch.Pan + position * patch.Spread, -1.0, 1.0);
    double angle = (pan + 1.0) * std::numbers::pi / 4.0;
    voices.Lefts[i] = std::cos(angle) * std::numbers::sqrt2 / count;
    voices.Rights[i] = std::sin(angle) * std::numbers::sqrt2 / count;
  }
  return voices;
}

void TSynthRenderer::RenderVoice(TBus& bus, const TPatch& patch, const TNote& note, double secondsPerBeat) {
  auto start = static_cast<size_t>(std::lround(note.Beat * secondsPerBeat * FRate));
  if (start >= bus.Left.size()) return;
  double held = note.Length * secondsPerBeat;
  double total = held + patch.Release * 7.0;
  size_t frames = std::min(static_cast<size_t>(total * FRate), bus.Left.size() - start);

  TVoices voices = MakeVoices(patch);
  std::vector<double>& phases = voices.Phases;
  double modulatorPhase = 0;
  double subPhase = 0;
  TFilter filterLeft;
  TFilter filterRight;
  double base = PitchToFrequency(note.Pitch);
  double track = std::pow(2.0, patch.KeyTrack * (note.Pitch - 60) / 12.0);
  double velocity = note.Velocity;
  double level = 0;
  double releaseFrom = -1;

  for (size_t n = 0; n < frames; ++n) {
    double t = n / FRate;
    // Envelope: attack, decay towards the sustain level, release from wherever the note-off finds it.
    if (t < held) {
      if (t < patch.Attack)
        level = t / patch.Attack;
      else
        level = patch.Sustain + (1.0 - patch.Sustain) * std::exp(-(t - patch.Attack) / patch.Decay);
    } else {
      if (releaseFrom < 0) releaseFrom = level;
      level = releaseFrom * std::exp(-(t - held) / patch.Release);
    }
    if (n % 32 == 0) {
      double cutoff = patch.Cutoff * track + patch.CutoffEnv * velocity * std::exp(-t / patch.FilterDecay);
      filterLeft.Set(cutoff, patch.Resonance, FRate);
      filterRight.Set(cutoff, patch.Resonance, FRate);
    }
    double bend = VibratoBend(patch, t);
    double frequency = base * std::pow(2.0, bend / 12.0);

    double left = 0;
    double right = 0;
    for (size_t v = 0; v < phases.size(); ++v) {
      double dt = frequency * voices.Ratios[v] / FRate;
      double sample = Oscillate(patch, phases[v], dt, t, velocity, modulatorPhase);
      Advance(phases[v], dt);
      left += sample * voices.Lefts[v];
      right += sample * voices.Rights[v];
    }
    Advance(modulatorPhase, frequency / FRate);
    if (patch.SubOctave > 0) {
      double sub = patch.SubOctave * std::sin(kTwoPi * subPhase);
      left += sub * std::numbers::sqrt2 * 0.5;
      right += sub * std::numbers::sqrt2 * 0.5;
      Advance(subPhase, frequency * 0.5 / FRate);
    }
    double gain = patch.Gain * velocity * level;
    bus.Left[start + n] += static_cast<float>(filterLeft.Process(left).Low * gain);
    bus.Right[start + n] += static_cast<float>(filterRight.Process(right).Low * gain);
    if (t > held && level < 1e-4) break;
  }
}

void TSynthRenderer::RenderDrums(TBus& bus, const TPart& part, double secondsPerBeat) {
  for (const TNote& note : part.Notes) {
    auto found = FDrums.find(note.Pitch);
    if (found == FDrums.end()) continue;
    const std::vector<float>& data = found->second.Data;
    double pan = note.Pitch == kClosedHat || note.Pitch == kOpenHat ? 0.3 : (note.Pitch == kCrash ? -0.3 : 0.0);
    double angle = (pan + 1.0) * std::numbers::pi / 4.0;
    double gain =
        FDrumGain * note.Velocity * (note.Pitch == kClosedHat ? 0.45 : 1.0) * (note.Pitch == kCrash ? 0.35 : 1.0);
    auto left = static_cast<float>(std::cos(angle) * std::numbers::sqrt2 * gain);
    auto right = static_cast<float>(std::sin(angle) * std::numbers::sqrt2 * gain);
    auto start = static_cast<size_t>(std::lround(note.Beat * secondsPerBeat * FRate));
    for (size_t n = 0; n < data.size() && start + n < bus.Left.size(); ++n) {
      bus.Left[start + n] += data[n] * left;
      bus.Right[start + n] += data[n] * right;
    }
  }
}

std::vector<float> TSynthRenderer::KickEnvelope(const TScore& score, size_t frames) const {
  const double secondsPerBeat = score.SecondsPerBeat();
  std::vector<float> duck(frames, 0.0f);
  for (const TPart& p : score.Parts())
    if (p.Role == TRole::Drums)
      for (const TNote& note : p.Notes)
        if (note.Pitch == kKick) {
          auto start = static_cast<size_t>(std::lround(note.Beat * secondsPerBeat * FRate));
          for (size_t n = 0; n < static_cast<size_t>(0.4 * FRate) && start + n < frames; ++n) {
            double t = n / FRate;
            double shape = std::min(1.0, t / 0.004) * std::exp(-t / 0.11) * note.Velocity;
            duck[start + n] = std::max(duck[start + n], static_cast<float>(shape));
          }
        }
  return duck;
}

std::vector<int16_t> TSynthRenderer::Render(const TScore& score, double tail) {
  double secondsPerBeat = score.SecondsPerBeat();
  auto frames = static_cast<size_t>((score.Seconds() + tail) * FRate);
  TBus dry, echo, room, part;
  dry.Resize(frames);
  echo.Resize(frames);
  room.Resize(frames);

  const std::vector<float> duck = KickEnvelope(score, frames);

  for (const TPart& p : score.Parts()) {
    part.Resize(frames);
    if (p.Role == TRole::Drums) {
      RenderDrums(part, p, secondsPerBeat);
      for (size_t n = 0; n < frames; ++n) {
        dry.Left[n] += part.Left[n];
        dry.Right[n] += part.Right[n];
        room.Left[n] += part.Left[n] * 0.12f;
        room.Right[n] += part.Right[n] * 0.12f;
      }
      continue;
    }
    auto found = FPatches.find(p.Name);
    TPatch patch = found != FPatches.end() ? found->second : TPatch{};
    for (const TNote& note : p.Notes) RenderVoice(part, patch, note, secondsPerBeat);
    for (size_t n = 0; n < frames; ++n) {
      auto g = static_cast<float>(1.0 - patch.Duck * duck[n]);
      float l = part.Left[n] * g;
      float r = part.Right[n] * g;
      dry.Left[n] += l;
      dry.Right[n] += r;
      echo.Left[n] += l * static_cast<float>(patch.DelaySend);
      echo.Right[n] += r * static_cast<float>(patch.DelaySend);
      room.Left[n] += l * static_cast<float>(patch.ReverbSend);
      room.Right[n] += r * static_cast<float>(patch.ReverbSend);
    }
  }

  return Limit(EchoAndRoom(dry, echo, room, secondsPerBeat));
}

std::vector<float> TSynthRenderer::EchoAndRoom(const TBus& dry, const TBus& echo, const TBus& room,
                                               double secondsPerBeat) {
  const size_t frames = dry.Left.size();
  // A ping-pong echo: each repeat crosses to the other side and loses some of its top.
  auto length = static_cast<size_t>(FDelayBeats * secondsPerBeat * FRate);
  std::vector<float> lineLeft(length, 0.0f), lineRight(length, 0.0f);
  float dampLeft = 0, dampRight = 0;
  auto feedback = static_cast<float>(FDelayFeedback);
  TReverb reverb(FRate, FReverbSize, FReverbDamping);
  std::vector<float> mix(frames * 2);
  for (size_t n = 0, i = 0; n < frames; ++n) {
    float outLeft = lineLeft[i];
    float outRight = lineRight[i];
    dampLeft += 0.35f * (outRight - dampLeft);
    dampRight += 0.35f * (outLeft - dampRight);
    lineLeft[i] = 0.5f * (echo.Left[n] + echo.Right[n]) + dampLeft * feedback;
    lineRight[i] = dampRight * feedback;
    if (++i >= length) i = 0;
    float wetLeft = room.Left[n] + 0.3f * outLeft;
    float wetRight = room.Right[n] + 0.3f * outRight;
    reverb.Process(wetLeft, wetRight);
    mix[2 * n] = dry.Left[n] + 0.7f * outLeft + wetLeft;
    mix[2 * n + 1] = dry.Right[n] + 0.7f * outRight + wetRight;
  }

  return mix;
}

std::vector<int16_t> TSynthRenderer::Limit(const std::vector<float>& mix) {
  const size_t frames = mix.size() / 2;
  // Soft limiting: scale the loudest peak to 1, bend the peaks round, then leave a little headroom
  // for the encoder.
  float peak = 1e-9f;
  for (float v : mix) peak = std::max(peak, std::abs(v));
  const double knee = std::tanh(1.6);
  std::vector<int16_t> pcm(mix.size());
  auto fade = static_cast<size_t>(0.3 * FRate);
  for (size_t i = 0; i < mix.size(); ++i) {
    double v = std::tanh(1.6 * mix[i] / peak) / knee * 0.89;
    size_t frame = i / 2;
    if (frame + fade > frames) v *= static_cast<double>(frames - frame) / static_cast<double>(fade);
    double dither = (FRandom.Uniform() - FRandom.Uniform()) / 32768.0;
    pcm[i] = static_cast<int16_t>(std::clamp(std::lround((v + dither) * 32767.0), -32768l, 32767l));
  }
  return pcm;
}
