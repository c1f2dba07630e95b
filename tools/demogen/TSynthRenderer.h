// SPDX-License-Identifier: MIT
// Renders a score to 16-bit stereo PCM with subtractive and FM voices, drums, delay and reverb.
#pragma once

#include "TRandom.h"
#include "TSample.h"
#include "TScore.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class TWave { Saw, Square, Triangle, Sine, SuperSaw, ElectricPiano };

// How one part sounds. Times are in seconds, levels 0..1, the pan -1 (left) .. 1 (right).
struct TPatch {
  TWave Wave = TWave::Saw;
  double Attack = 0.005;
  double Decay = 0.3;
  double Sustain = 0.7;
  double Release = 0.2;
  double Cutoff = 3000;   // low-pass cutoff at middle C, in Hz
  double KeyTrack = 0.5;  // how far the cutoff follows the pitch (1: fully)
  double CutoffEnv = 0;   // Hz added at the start of a note, dying away over FilterDecay
  double FilterDecay = 0.2;
  double Resonance = 0.15;
  double Gain = 0.25;
  double Pan = 0;
  double Spread = 0;         // stereo width of a super saw's voices
  double Detune = 0.12;      // a super saw's spread, in semitones
  double VibratoDepth = 0;   // semitones
  double VibratoRate = 5.5;  // Hz
  double VibratoDelay = 0.25;
  double DelaySend = 0;
  double ReverbSend = 0;
  double Duck = 0;       // how far the kick pushes this part down (0..1)
  double SubOctave = 0;  // level of a sine an octave below
};

class TSynthRenderer {
public:
  TSynthRenderer(double rate, uint64_t seed);

  void SetPatch(const std::string& part, const TPatch& patch) { FPatches[part] = patch; }
  void SetDrumGain(double gain) { FDrumGain = gain; }
  // The echo time in beats and how much of it repeats.
  void SetDelay(double beats, double feedback) {
    FDelayBeats = beats;
    FDelayFeedback = feedback;
  }
  void SetReverb(double size, double damping) {
    FReverbSize = size;
    FReverbDamping = damping;
  }

  // Interleaved stereo frames for the whole score plus `tail` seconds of decay, normalised to
  // just below full scale and dithered to 16 bits.
  std::vector<int16_t> Render(const TScore& score, double tail);

  double Rate() const { return FRate; }

private:
  struct TBus {
    std::vector<float> Left, Right;
    void Resize(size_t frames) {
      Left.assign(frames, 0.0f);
      Right.assign(frames, 0.0f);
    }
  };
  // The unison voices of a note: start phases, frequency ratios and their share of each side.
  struct TVoices {
    std::vector<double> Phases, Ratios, Lefts, Rights;
  };
  TVoices MakeVoices(const TPatch& patch);
  void RenderVoice(TBus& bus, const TPatch& patch, const TNote& note, double secondsPerBeat);
  void RenderDrums(TBus& bus, const TPart& part, double secondsPerBeat);
  // The kick's envelope, which ducking parts follow to make room for it.
  std::vector<float> KickEnvelope(const TScore& score, size_t frames) const;
  // The dry mix with the ping-pong echo and the room added: interleaved stereo frames.
  std::vector<float> EchoAndRoom(const TBus& dry, const TBus& echo, const TBus& room, double secondsPerBeat);
  // Soft limiting, a fade at the end, and dither down to 16 bits.
  std::vector<int16_t> Limit(const std::vector<float>& mix);

  double FRate;
  TRandom FRandom;
  std::map<std::string, TPatch> FPatches;
  std::map<int, TSample> FDrums;
  double FDrumGain = 0.8;
  double FDelayBeats = 0.75;
  double FDelayFeedback = 0.35;
  double FReverbSize = 0.7;
  double FReverbDamping = 0.5;
};
