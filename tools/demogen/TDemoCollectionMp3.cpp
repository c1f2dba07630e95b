// SPDX-License-Identifier: MIT
// The demo pieces rendered by the synthesiser and encoded as MP3.
#include "TDemoCollection.h"

#include "TComposer.h"
#include "TMp3Encoder.h"
#include "TSynthRenderer.h"

namespace {

// The score of Glass Harbour: harmony, parts and their notes.
void ComposeGlassHarbour(TScore& score) {
  TComposer composer(score, 0x61A55);
  composer.SetFinalBeats(4);
  const std::vector<TChord> verse = {{5, 4}, {2, 3}, {6, 3}, {0, 4}};
  const std::vector<TChord> bridge = {{3, 4}, {5, 4}, {2, 3}, {6, 3}};
  composer.SetHarmony(0, 10, verse);
  composer.SetHarmony(10, 18, bridge);
  composer.SetHarmony(18, 19, {{0, 4}});

  TPart& drums = score.AddPart("drums", TRole::Drums);
  TPart& bass = score.AddPart("bass", TRole::Bass);
  TPart& pad = score.AddPart("pad", TRole::Chords);
  TPart& arp = score.AddPart("arp", TRole::Arp);
  TPart& lead = score.AddPart("lead", TRole::Lead);

  composer.WriteDrums(drums, 0, 2, TGroove::FourOnFloor, kLayerHats, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 2, 10, TGroove::FourOnFloor, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 10, 18, TGroove::FourOnFloor, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 18, 19, TGroove::Final, kLayerAll, TDrumFill::None, TDrumCrash::None);

  composer.WriteBass(bass, 0, 2, TBassStyle::Held, 31, 0.8);
  composer.WriteBass(bass, 2, 10, TBassStyle::Syncopated, 31, 0.95);
  composer.WriteBass(bass, 10, 18, TBassStyle::Pulse, 31, 0.9);
  composer.WriteBass(bass, 18, 19, TBassStyle::Final, 31, 0.9);

  composer.WriteChords(pad, 0, 18, TChordStyle::Held, 55, 0.8);
  composer.WriteChords(pad, 18, 19, TChordStyle::Final, 55, 0.8);
  composer.WriteChords(arp, 0, 18, TChordStyle::Arpeggio, 67, 0.75);

  composer.WriteMelody(lead, 2, 10, 0x6A2, 71, 86, 0.6, 0.9);
  composer.WriteMelody(lead, 10, 18, 0x6B7, 74, 88, 0.55, 0.9);
  composer.WriteFinalNote(lead, 18, 3.0, 0.8);
}

// The sounds of Glass Harbour: a patch for each part, the drums, the echo and the room.
void VoiceGlassHarbour(TSynthRenderer& synth) {
  TPatch subBass;
  subBass.Wave = TWave::Saw;
  subBass.Cutoff = 260;
  subBass.CutoffEnv = 900;
  subBass.FilterDecay = 0.08;
  subBass.KeyTrack = 0.6;
  subBass.Decay = 0.25;
  subBass.Sustain = 0.7;
  subBass.Release = 0.04;
  subBass.SubOctave = 0.0;
  subBass.Gain = 0.42;
  synth.SetPatch("bass", subBass);
  TPatch strings;
  strings.Wave = TWave::SuperSaw;
  strings.Attack = 0.25;
  strings.Decay = 1.0;
  strings.Sustain = 0.85;
  strings.Release = 0.5;
  strings.Cutoff = 1800;
  strings.KeyTrack = 0.3;
  strings.Spread = 0.8;
  strings.Detune = 0.22;
  strings.Gain = 0.3;
  strings.ReverbSend = 0.5;
  strings.Duck = 0.7;
  synth.SetPatch("pad", strings);
  TPatch pluck;
  pluck.Wave = TWave::Square;
  pluck.Attack = 0.002;
  pluck.Decay = 0.12;
  pluck.Sustain = 0.0;
  pluck.Release = 0.05;
  pluck.Cutoff = 700;
  pluck.CutoffEnv = 3500;
  pluck.FilterDecay = 0.07;
  pluck.Resonance = 0.35;
  pluck.Gain = 0.22;
  pluck.Pan = 0.25;
  pluck.DelaySend = 0.45;
  pluck.ReverbSend = 0.25;
  pluck.Duck = 0.4;
  synth.SetPatch("arp", pluck);
  TPatch singer;
  singer.Wave = TWave::Saw;
  singer.Attack = 0.02;
  singer.Decay = 0.4;
  singer.Sustain = 0.75;
  singer.Release = 0.15;
  singer.Cutoff = 2600;
  singer.CutoffEnv = 1500;
  singer.FilterDecay = 0.3;
  singer.KeyTrack = 0.4;
  singer.Resonance = 0.2;
  singer.VibratoDepth = 0.18;
  singer.VibratoRate = 5.2;
  singer.VibratoDelay = 0.3;
  singer.Gain = 0.32;
  singer.Pan = -0.1;
  singer.DelaySend = 0.3;
  singer.ReverbSend = 0.35;
  synth.SetPatch("lead", singer);
  synth.SetDrumGain(0.6);
  synth.SetDelay(0.75, 0.4);
  synth.SetReverb(0.75, 0.45);
}

// The score of Paper Lanterns: harmony, parts and their notes.
void ComposePaperLanterns(TScore& score) {
  TComposer composer(score, 0x9A9E4);
  composer.SetFinalBeats(4);
  composer.SetSwing(0.09);
  const std::vector<TChord> verse = {{3, 4}, {2, 4}, {1, 4}, {0, 4}};
  const std::vector<TChord> bridge = {{5, 4}, {1, 4}, {4, 4}, {0, 4}};
  composer.SetHarmony(0, 10, verse);
  composer.SetHarmony(10, 14, bridge);
  composer.SetHarmony(14, 15, {{0, 4}});

  TPart& drums = score.AddPart("drums", TRole::Drums);
  TPart& bass = score.AddPart("bass", TRole::Bass);
  TPart& keys = score.AddPart("keys", TRole::Chords);
  TPart& lead = score.AddPart("lead", TRole::Lead);

  composer.WriteDrums(drums, 0, 2, TGroove::LaidBack, kLayerHats | kLayerKick, TDrumFill::None, TDrumCrash::None);
  composer.WriteDrums(drums, 2, 10, TGroove::LaidBack, kLayerAll, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 10, 14, TGroove::LaidBack, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 14, 15, TGroove::Final, kLayerAll, TDrumFill::None, TDrumCrash::None);

  composer.WriteBass(bass, 0, 2, TBassStyle::Held, 36, 0.85);
  composer.WriteBass(bass, 2, 14, TBassStyle::Walking, 36, 0.9);
  composer.WriteBass(bass, 14, 15, TBassStyle::Final, 36, 0.9);

  composer.WriteChords(keys, 0, 2, TChordStyle::Held, 62, 0.7);
  composer.WriteChords(keys, 2, 14, TChordStyle::Pushed, 62, 0.75);
  composer.WriteChords(keys, 14, 15, TChordStyle::Final, 62, 0.75);

  composer.WriteMelody(lead, 2, 10, 0x1A7, 67, 84, 0.4, 0.85);
  composer.WriteMelody(lead, 10, 14, 0x2C3, 69, 86, 0.45, 0.85);
  composer.WriteFinalNote(lead, 14, 3.0, 0.75);
}

// The sounds of Paper Lanterns: a patch for each part, the drums, the echo and the room.
void VoicePaperLanterns(TSynthRenderer& synth) {
  TPatch upright;
  upright.Wave = TWave::Triangle;
  upright.Attack = 0.004;
  upright.Decay = 0.35;
  upright.Sustain = 0.35;
  upright.Release = 0.08;
  upright.Cutoff = 900;
  upright.CutoffEnv = 600;
  upright.FilterDecay = 0.06;
  upright.KeyTrack = 0.5;
  upright.SubOctave = 0.0;
  upright.Gain = 0.4;
  synth.SetPatch("bass", upright);
  TPatch piano;
  piano.Wave = TWave::ElectricPiano;
  piano.Attack = 0.003;
  piano.Decay = 0.9;
  piano.Sustain = 0.3;
  piano.Release = 0.25;
  piano.Cutoff = 4000;
  piano.KeyTrack = 0.2;
  piano.Gain = 0.24;
  piano.Spread = 0.5;
  piano.ReverbSend = 0.4;
  piano.DelaySend = 0.08;
  synth.SetPatch("keys", piano);
  TPatch flute;
  flute.Wave = TWave::Square;
  flute.Attack = 0.04;
  flute.Decay = 0.5;
  flute.Sustain = 0.7;
  flute.Release = 0.18;
  flute.Cutoff = 1300;
  flute.CutoffEnv = 700;
  flute.FilterDecay = 0.15;
  flute.KeyTrack = 0.7;
  flute.VibratoDepth = 0.15;
  flute.VibratoRate = 4.8;
  flute.VibratoDelay = 0.35;
  flute.Gain = 0.24;
  flute.Pan = 0.15;
  flute.DelaySend = 0.25;
  flute.ReverbSend = 0.45;
  synth.SetPatch("lead", flute);
  synth.SetDrumGain(0.6);
  synth.SetDelay(1.0, 0.3);
  synth.SetReverb(0.8, 0.6);
}

}  // namespace

// An airy electronic piece in E minor at 112 BPM: super-saw pads ducking under the kick, a plucked
// arpeggio in echoes, a sub bass and a lead with vibrato.
bool TDemoCollection::GlassHarbour() {
  TScore score("Glass Harbour", 112, 19, TKey(52, kAeolian));
  ComposeGlassHarbour(score);
  TSynthRenderer synth(44100, 0x61A56);
  VoiceGlassHarbour(synth);
  return RenderMp3(score, synth, "glass_harbour.mp3");
}

// A slow, swung piece in C major at 84 BPM: electric piano, walking bass, brushed-sounding drums and a
// soft lead.
bool TDemoCollection::PaperLanterns() {
  TScore score("Paper Lanterns", 84, 15, TKey(60, kIonian));
  ComposePaperLanterns(score);
  TSynthRenderer synth(44100, 0x9A9E5);
  VoicePaperLanterns(synth);
  return RenderMp3(score, synth, "paper_lanterns.mp3");
}

bool TDemoCollection::RenderMp3(const TScore& score, TSynthRenderer& synth, const std::string& file) {
  std::vector<int16_t> pcm = synth.Render(score, 2.5);
  TMp3Encoder encoder(FLame);
  if (!encoder.Encode(pcm, 44100, FDataDir + "/" + file, score.Title(), FError)) return false;
  FListing += score.Listing() + "\n";
  FTracks.push_back({file, score.Title()});
  return true;
}
