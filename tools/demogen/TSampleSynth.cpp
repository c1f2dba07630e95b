// SPDX-License-Identifier: MIT
// Tracker instrument synthesis. Tones are summed from harmonics below Nyquist, so nothing aliases,
// and looped tones hold a whole number of cycles so the loop joins without a click.
#include "TSampleSynth.h"

#include "TFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A sawtooth softened by a gentle low pass: warm rather than buzzy.
std::vector<double> SawSpectrum(int harmonics, double brightness) {
  std::vector<double> s(static_cast<size_t>(harmonics) + 1, 0.0);
  for (int k = 1; k <= harmonics; ++k) s[static_cast<size_t>(k)] = (1.0 / k) / (1.0 + std::pow(k / brightness, 2.0));
  return s;
}

std::vector<double> PulseSpectrum(int harmonics, double duty, double brightness) {
  std::vector<double> s(static_cast<size_t>(harmonics) + 1, 0.0);
  for (int k = 1; k <= harmonics; ++k)
    s[static_cast<size_t>(k)] =
        std::abs(std::sin(std::numbers::pi * k * duty)) / k / (1.0 + std::pow(k / brightness, 2.0));
  return s;
}

}  // namespace

TSampleSynth::TSampleSynth(uint64_t seed) : FRandom(seed) {}

void TSampleSynth::Normalise(TSample& sample, double peak) {
  float top = 0;
  for (float v : sample.Data) top = std::max(top, std::abs(v));
  if (top <= 0) return;
  float scale = static_cast<float>(peak / top);
  for (float& v : sample.Data) v *= scale;
}

TSample TSampleSynth::LoopedTone(const char* name, double rate, double pitch, TLoopLength loop,
                                 const std::vector<TSpectrum>& voices, const std::vector<int>& cycleOffsets,
                                 int cycles) {
  // The loop holds `cycles` periods of the main voice; detuned voices hold a few periods more or
  // fewer, which is what makes them beat slowly against each other.
  double period = rate / PitchToFrequency(pitch);
  auto length = static_cast<size_t>(std::lround(cycles * period));
  if (loop == TLoopLength::Even) length += length % 2;
  TSample sample;
  sample.Name = name;
  sample.Rate = rate;
  sample.RootPitch = FrequencyToPitch(cycles * rate / static_cast<double>(length));
  sample.Data.assign(length, 0.0f);
  sample.LoopStart = 0;
  sample.LoopLength = length;
  std::vector<double> mix(length, 0.0);
  for (size_t v = 0; v < voices.size(); ++v) {
    double voiceCycles = cycles + cycleOffsets[v];
    const TSpectrum& spectrum = voices[v];
    for (size_t k = 1; k < spectrum.size(); ++k) {
      double cyclesPerFrame = k * voiceCycles / static_cast<double>(length);
      if (cyclesPerFrame >= 0.45 || spectrum[k] == 0.0) break;
      double phase = FRandom.Uniform() * kTwoPi;
      for (size_t n = 0; n < length; ++n)
        mix[n] += spectrum[k] * std::sin(kTwoPi * cyclesPerFrame * static_cast<double>(n) + phase);
    }
  }
  for (size_t n = 0; n < length; ++n) sample.Data[n] = static_cast<float>(mix[n]);
  Normalise(sample, 0.97);
  return sample;
}

TSample TSampleSynth::Lead(double rate, double pitch, TLoopLength loop) {
  // A pulse blended with a saw: hollow and vocal; a second voice a cycle apart adds a slow shimmer.
  TSpectrum pulse = PulseSpectrum(200, 0.32, 14);
  TSpectrum saw = SawSpectrum(200, 10);
  TSpectrum blend(pulse.size());
  for (size_t k = 1; k < blend.size(); ++k) blend[k] = 0.7 * pulse[k] + 0.5 * saw[k];
  TSpectrum quiet = blend;
  for (double& a : quiet) a *= 0.2;
  return LoopedTone("lead", rate, pitch, loop, {blend, quiet}, {0, 1}, 64);
}

TSample TSampleSynth::Chip(double rate, double pitch, TLoopLength loop) {
  TSpectrum square = PulseSpectrum(200, 0.5, 18);
  TSpectrum octave = PulseSpectrum(200, 0.25, 12);
  for (double& a : octave) a *= 0.3;
  // The octave voice holds twice the cycles of the main one.
  return LoopedTone("chip", rate, pitch, loop, {square, octave}, {0, 16}, 16);
}

TSample TSampleSynth::Pad(double rate, double pitch, TLoopLength loop) {
  TSpectrum saw = SawSpectrum(300, 7);
  TSpectrum soft = SawSpectrum(300, 4);
  for (double& a : soft) a *= 0.6;
  constexpr int cycles = 96;
  return LoopedTone("pad", rate, pitch, loop, {saw, saw, saw, soft}, {0, -1, 1, cycles}, cycles);
}

TSample TSampleSynth::PluckBass(double rate, double pitch, double seconds) {
  TSample sample;
  sample.Name = "bass";
  sample.Rate = rate;
  sample.RootPitch = pitch;
  auto length = static_cast<size_t>(seconds * rate);
  std::vector<double> mix(length, 0.0);
  double f = PitchToFrequency(pitch);
  for (int k = 1; k * f < rate * 0.45; ++k) {
    // Upper harmonics fade first: the bright pluck settles into a round tone.
    double amplitude = (k % 2 == 1 ? 1.0 : 0.55) / k;
    double decay = 1.2 + 0.9 * std::pow(k, 1.3);
    double phase = k == 1 ? 0.0 : FRandom.Uniform() * kTwoPi;
    for (size_t n = 0; n < length; ++n) {
      double t = n / rate;
      double a = amplitude * std::exp(-decay * t);
      if (a < 1e-5) break;
      mix[n] += a * std::sin(kTwoPi * k * f * t + phase);
    }
  }
  sample.Data.resize(length);
  for (size_t n = 0; n < length; ++n) {
    double t = n / rate;
    double attack = std::min(1.0, t / 0.002);
    double tail = std::min(1.0, (seconds - t) / 0.05);
    sample.Data[n] = static_cast<float>(std::tanh(1.4 * mix[n]) * attack * tail);
  }
  Normalise(sample, 0.97);
  return sample;
}

TSample TSampleSynth::Bell(double rate, double pitch, double seconds) {
  TSample sample;
  sample.Name = "bell";
  sample.Rate = rate;
  sample.RootPitch = pitch;
  auto length = static_cast<size_t>(seconds * rate);
  sample.Data.resize(length);
  double f = PitchToFrequency(pitch);
  for (size_t n = 0; n < length; ++n) {
    double t = n / rate;
    // Two-operator FM: the modulator's depth falls faster than the tone, so the strike is bright.
    double index = 2.2 * std::exp(-t * 6.0) + 0.3;
    double modulator = std::sin(kTwoPi * 3.0 * f * t);
    double tone = std::sin(kTwoPi * f * t + index * modulator) + 0.25 * std::sin(kTwoPi * 2 * f * t);
    double envelope = std::min(1.0, t / 0.002) * std::exp(-t * 2.8) * std::min(1.0, (seconds - t) / 0.05);
    sample.Data[n] = static_cast<float>(tone * envelope);
  }
  Normalise(sample, 0.97);
  return sample;
}

TSample TSampleSynth::Kick(double rate, double pitch) {
  TSample sample;
  sample.Name = "kick";
  sample.Rate = rate;
  sample.RootPitch = pitch;
  double seconds = 0.42;
  auto length = static_cast<size_t>(seconds * rate);
  sample.Data.resize(length);
  double phase = 0;
  TFilter click;
  click.Set(3000, 0.1, rate);
  for (size_t n = 0; n < length; ++n) {
    double t = n / rate;
    double f = 46 + 120 * std::exp(-t / 0.04);
    phase += kTwoPi * f / rate;
    double body = std::sin(phase) * std::exp(-t / 0.16) * std::min(1.0, t / 0.001);
    double snap = click.Process(FRandom.Bipolar()).Low * std::exp(-t / 0.004) * 0.8;
    double tail = std::min(1.0, (seconds - t) / 0.03);
    sample.Data[n] = static_cast<float>(std::tanh(1.8 * (body + snap)) * tail);
  }
  Normalise(sample, 0.98);
  return sample;
}

TSample TSampleSynth::Snare(double rate, double pitch) {
  TSample sample;
  sample.Name = "snare";
  sample.Rate = rate;
  sample.RootPitch = pitch;
  double seconds = 0.26;
  auto length = static_cast<size_t>(seconds * rate);
  sample.Data.resize(length);
  TFilter noise;
  noise.Set(std::min(5200.0, rate * 0.4), 0.25, rate);
  TFilter rattle;
  rattle.Set(std::min(9000.0, rate * 0.45), 0.1, rate);
  for (size_t n = 0; n < length; ++n) {
    double t = n / rate;
    double drum = 0.55 * std::sin(kTwoPi * 185 * t) * std::exp(-t / 0.045) +
                  0.3 * std::sin(kTwoPi * 330 * t) * std::exp(-t / 0.025);
    double white = FRandom.Bipolar();
    double band = noise.Process(white).Band;
    double hiss = rattle.Process(white).High;
    double snares = (0.9 * band + 0.35 * hiss) * std::exp(-t / 0.065);
    double tail = std::min(1.0, (seconds - t) / 0.02);
    sample.Data[n] = static_cast<float>(std::tanh(1.3 * (drum + snares)) * std::min(1.0, t / 0.0007) * tail);
  }
  Normalise(sample, 0.95);
  return sample;
}

TSample TSampleSynth::KickSnare(double rate, double pitch) {
  TSample kick = Kick(rate, pitch);
  TSample snare = Snare(rate, pitch);
  TSample both = kick;
  both.Name = "kick+snare";
  for (size_t n = 0; n < both.Data.size(); ++n)
    both.Data[n] = 0.75f * kick.Data[n] + (n < snare.Data.size() ? 0.7f * snare.Data[n] : 0.0f);
  Normalise(both, 0.98);
  return both;
}

TSample TSampleSynth::Hat(double rate, double pitch, double seconds) {
  TSample sample;
  sample.Name = seconds > 0.15 ? "open hat" : "hat";
  sample.Rate = rate;
  sample.RootPitch = pitch;
  auto length = static_cast<size_t>(seconds * rate);
  sample.Data.resize(length);
  TFilter high;
  high.Set(std::min(7500.0, rate * 0.3), 0.2, rate);
  TFilter sheen;
  sheen.Set(std::min(10500.0, rate * 0.42), 0.55, rate);
  // Six detuned square waves at unrelated pitches give the metal its ring under the hiss.
  static const double partials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  for (size_t n = 0; n < length; ++n) {
    double t = n / rate;
    double metal = 0;
    for (double p : partials) metal += std::sin(kTwoPi * p * 2.0 * t) >= 0 ? 1.0 : -1.0;
    double input = 0.6 * FRandom.Bipolar() + 0.08 * metal;
    double filtered = high.Process(input).High;
    double shine = sheen.Process(filtered).Band;
    double envelope = std::exp(-t / (seconds * 0.28)) * std::min(1.0, t / 0.0005);
    double tail = std::min(1.0, (seconds - t) / 0.01);
    sample.Data[n] = static_cast<float>((0.7 * filtered + 0.5 * shine) * envelope * tail);
  }
  Normalise(sample, 0.9);
  return sample;
}

TSample TSampleSynth::Crash(double rate, double pitch, double seconds) {
  TSample sample;
  sample.Name = "crash";
  sample.Rate = rate;
  sample.RootPitch = pitch;
  auto length = static_cast<size_t>(seconds * rate);
  sample.Data.resize(length);
  TFilter high;
  high.Set(std::min(4200.0, rate * 0.3), 0.15, rate);
  TFilter body;
  body.Set(std::min(6500.0, rate * 0.4), 0.4, rate);
  static const double partials[5] = {431.0, 587.3, 743.9, 927.1, 1211.5};
  for (size_t n = 0; n < length; ++n) {
    double t = n / rate;
    double metal = 0;
    for (double p : partials) metal += std::sin(kTwoPi * p * 1.5 * t) >= 0 ? 1.0 : -1.0;
    double input = FRandom.Bipolar() + 0.05 * metal;
    double splash = high.Process(input).High;
    double ring = body.Process(input).Band;
    double envelope = std::exp(-t / (seconds * 0.3)) * std::min(1.0, t / 0.002);
    double tail = std::min(1.0, (seconds - t) / 0.05);
    sample.Data[n] = static_cast<float>((0.8 * splash + 0.4 * ring) * envelope * tail);
  }
  Normalise(sample, 0.9);
  return sample;
}
