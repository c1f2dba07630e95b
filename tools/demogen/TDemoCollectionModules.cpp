// SPDX-License-Identifier: MIT
// The demo pieces written as tracker modules, one in each format.
#include "TDemoCollection.h"

#include "TComposer.h"
#include "TModWriter.h"
#include "TS3mWriter.h"
#include "TSampleSynth.h"
#include "TTrackerArranger.h"
#include "TXmWriter.h"

#include <cmath>

namespace {

// The middle-octave rate of a four-channel module, and the rate of the note `semitones` above it.
double ModRate(int semitones) { return 8363.0 * std::pow(2.0, semitones / 12.0); }

TChannelPlan Line(std::string part, std::vector<int> channels, TVoicing voicing, int instrument, double volume,
                  TRelease release = TRelease::None, int slide = 0, int vibrato = 0) {
  TChannelPlan plan;
  plan.Part = std::move(part);
  plan.Channels = std::move(channels);
  plan.Voicing = voicing;
  plan.Instrument = instrument;
  plan.Volume = volume;
  plan.Release = release;
  plan.SlideParam = slide;
  plan.VibratoParam = vibrato;
  return plan;
}

TChannelPlan Kit(std::string part, std::vector<int> channels, std::vector<TDrumRoute> routes) {
  TChannelPlan plan;
  plan.Part = std::move(part);
  plan.Channels = std::move(channels);
  plan.Voicing = TVoicing::Drums;
  plan.Drums = std::move(routes);
  return plan;
}

}  // namespace

// A bright four-channel piece in A minor at 125 BPM: plucked bass, chip arpeggios, a singing lead.
bool TDemoCollection::AmberCircuit() {
  TScore score("Amber Circuit", 125, 31, TKey(57, kAeolian));
  TComposer composer(score, 0xA3B3C1);
  const std::vector<TChord> verse = {{0, 3}, {5, 3}, {2, 3}, {6, 3}};
  const std::vector<TChord> bridge = {{5, 3}, {6, 3}, {4, 3}, {0, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}};
  composer.SetHarmony(0, 12, verse);
  composer.SetHarmony(12, 20, bridge);
  composer.SetHarmony(20, 28, verse);
  composer.SetHarmony(28, 30, {{0, 3}, {5, 3}});
  composer.SetHarmony(30, 31, {{0, 3}});

  TPart& drums = score.AddPart("drums", TRole::Drums);
  TPart& bass = score.AddPart("bass", TRole::Bass);
  TPart& lead = score.AddPart("lead", TRole::Lead);
  TPart& chords = score.AddPart("chords", TRole::Chords);

  composer.WriteDrums(drums, 0, 4, TGroove::FourOnFloor, kLayerKick | kLayerHats, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 4, 12, TGroove::FourOnFloor, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 12, 20, TGroove::Backbeat, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 20, 28, TGroove::FourOnFloor, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 28, 30, TGroove::FourOnFloor, kLayerKick | kLayerHats, TDrumFill::None, TDrumCrash::None);
  composer.WriteDrums(drums, 30, 31, TGroove::Final, kLayerAll, TDrumFill::None, TDrumCrash::None);

  composer.WriteBass(bass, 0, 12, TBassStyle::Pulse, 33, 0.95);
  composer.WriteBass(bass, 12, 20, TBassStyle::Syncopated, 33, 0.95);
  composer.WriteBass(bass, 20, 30, TBassStyle::Pulse, 33, 0.95);
  composer.WriteBass(bass, 30, 31, TBassStyle::Final, 33, 1.0);

  composer.WriteChords(chords, 0, 30, TChordStyle::Held, 64, 0.8);
  composer.WriteChords(chords, 30, 31, TChordStyle::Final, 64, 0.8);

  // The lead's three octaves on this format end at B5.
  composer.WriteMelody(lead, 4, 12, 0x51, 67, 83, 0.7, 0.9);
  composer.WriteMelody(lead, 12, 20, 0x77, 64, 81, 0.5, 0.9);
  composer.WriteMelody(lead, 20, 28, 0x51, 67, 83, 0.7, 0.9);
  composer.WriteFinalNote(lead, 30, 2.0, 0.9);

  TSampleSynth synth(0xA3B3C2);
  TTrackerSong song;
  song.Title = score.Title();
  song.Channels = 4;
  song.Speed = 6;
  song.Tempo = 125;
  // Bass and drums in the middle, lead and arpeggio a little to either side, rather than the
  // format's hard left and right.
  song.ChannelPanning = {0x80, 0x80, 0xA8, 0x58};
  song.Instruments = {
      {synth.PluckBass(ModRate(12), 48, 1.2), 64},
      {synth.Lead(ModRate(12), 72, TLoopLength::Even), 46},
      {synth.Chip(ModRate(12), 72, TLoopLength::Even), 30},
      {synth.Kick(ModRate(12), 60), 64},
      {synth.Snare(ModRate(19), 60), 56},
      {synth.Hat(ModRate(23), 60, 0.07), 36},
      {synth.KickSnare(ModRate(19), 60), 64},
  };
  TTrackerArranger arranger(score, 4);
  TChannelPlan drumKit = Kit("drums", {1}, {{kKick, 4, 0, 3}, {kSnare, 5, 0, 2}, {kClosedHat, 6, 0, 1}});
  drumKit.KickSnareInstrument = 7;
  arranger.Arrange(song,
                   {Line("bass", {0}, TVoicing::Mono, 1, 0.78, TRelease::Slide, 0x08), drumKit,
                    Line("lead", {2}, TVoicing::Mono, 2, 1.0, TRelease::Slide, 0x06, 0x53),
                    Line("chords", {3}, TVoicing::Arpeggio, 3, 0.5, TRelease::Slide, 0x02)},
                   64, TPatternEnd::Break);

  auto bytes = TModWriter::Write(song, FError);
  if (!bytes || !Save("amber_circuit.mod", *bytes)) return false;
  FListing += score.Listing() + "\n";
  FTracks.push_back({"amber_circuit.mod", score.Title()});
  return true;
}

namespace {

// The score of Night Ferry: harmony, parts and their notes.
void ComposeNightFerry(TScore& score) {
  TComposer composer(score, 0x4E1F);
  const std::vector<TChord> verse = {{0, 4}, {5, 4}, {6, 3}, {4, 4}};
  const std::vector<TChord> bridge = {{3, 4}, {4, 4}, {5, 4}, {6, 3}, {3, 4}, {5, 4}, {4, 4}, {4, 4}};
  composer.SetHarmony(0, 12, verse);
  composer.SetHarmony(12, 20, bridge);
  composer.SetHarmony(20, 30, verse);
  composer.SetHarmony(30, 31, {{0, 3}});

  TPart& drums = score.AddPart("drums", TRole::Drums);
  TPart& bass = score.AddPart("bass", TRole::Bass);
  TPart& lead = score.AddPart("lead", TRole::Lead);
  TPart& pad = score.AddPart("pad", TRole::Chords);
  TPart& bell = score.AddPart("bell", TRole::Arp);

  composer.WriteDrums(drums, 0, 4, TGroove::HalfTime, kLayerHats, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 4, 12, TGroove::Backbeat, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 12, 20, TGroove::HalfTime, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 20, 28, TGroove::Backbeat, kLayerAll, TDrumFill::Snare, TDrumCrash::AtStart);
  composer.WriteDrums(drums, 28, 30, TGroove::HalfTime, kLayerKick | kLayerHats, TDrumFill::None, TDrumCrash::None);
  composer.WriteDrums(drums, 30, 31, TGroove::Final, kLayerAll, TDrumFill::None, TDrumCrash::None);

  composer.WriteBass(bass, 4, 12, TBassStyle::Held, 34, 0.95);
  composer.WriteBass(bass, 12, 20, TBassStyle::Syncopated, 34, 0.95);
  composer.WriteBass(bass, 20, 30, TBassStyle::Held, 34, 0.95);
  composer.WriteBass(bass, 30, 31, TBassStyle::Final, 34, 1.0);

  composer.WriteChords(pad, 0, 30, TChordStyle::Held, 62, 0.8);
  composer.WriteChords(pad, 30, 31, TChordStyle::Final, 62, 0.8);
  composer.WriteChords(bell, 12, 20, TChordStyle::Arpeggio, 72, 0.7);
  composer.WriteChords(bell, 0, 4, TChordStyle::Arpeggio, 72, 0.5);

  composer.WriteMelody(lead, 4, 12, 0x2024, 62, 79, 0.45, 0.9);
  composer.WriteMelody(lead, 12, 20, 0x3311, 64, 81, 0.35, 0.85);
  composer.WriteMelody(lead, 20, 28, 0x2024, 62, 79, 0.45, 0.9);
  composer.WriteFinalNote(lead, 30, 2.0, 0.85);
}

}  // namespace

// A calm ten-channel piece in D minor at 96 BPM: pads, a plucked bass, a bell arpeggio and a lead.
bool TDemoCollection::NightFerry() {
  TScore score("Night Ferry", 96, 31, TKey(50, kAeolian));
  ComposeNightFerry(score);

  TSampleSynth synth(0x4E20);
  TTrackerSong song;
  song.Title = score.Title();
  song.Channels = 10;
  song.Speed = 6;
  song.Tempo = 96;
  TTrackerInstrument kick{synth.Kick(32000, 60), 64, 128};
  TTrackerInstrument snare{synth.Snare(32000, 60), 56, 120};
  TTrackerInstrument hat{synth.Hat(32000, 60, 0.08), 40, 160};
  TTrackerInstrument crash{synth.Crash(22050, 60, 1.4), 40, 150};
  TTrackerInstrument pluck{synth.PluckBass(22050, 48, 1.6), 64, 128};
  // The pluck dies away by itself; the envelope is there so a note-off fades it instead of cutting it.
  pluck.Envelope = {{0, 64}, {10, 64}};
  pluck.Sustain = 1;
  pluck.Fadeout = 3000;
  TTrackerInstrument singer{synth.Lead(22050, 72, TLoopLength::Any), 52, 136};
  singer.Envelope = {{0, 36}, {4, 64}, {16, 58}, {60, 52}};
  singer.Sustain = 3;
  singer.Fadeout = 1800;
  singer.VibratoSweep = 48;
  singer.VibratoDepth = 5;
  singer.VibratoRate = 10;
  TTrackerInstrument strings{synth.Pad(22050, 60, TLoopLength::Any), 40, 128};
  strings.Envelope = {{0, 0}, {24, 56}, {48, 48}};
  strings.Sustain = 2;
  strings.Fadeout = 1400;
  TTrackerInstrument chime{synth.Bell(22050, 72, 1.4), 40, 92};
  song.Instruments = {kick, snare, hat, crash, pluck, singer, strings, chime};

  TTrackerArranger arranger(score, 4);
  // The crash shares the bell's channel; the bell part is silent wherever a crash falls.
  arranger.Arrange(
      song,
      {Kit("drums", {0, 1, 2, 9}, {{kKick, 1, 0, 3}, {kSnare, 2, 1, 2}, {kClosedHat, 3, 2, 1}, {kCrash, 4, 3, 1}}),
       Line("bass", {3}, TVoicing::Mono, 5, 1.0, TRelease::Off),
       Line("lead", {4}, TVoicing::Mono, 6, 1.0, TRelease::Off),
       Line("pad", {5, 6, 7, 8}, TVoicing::Poly, 7, 0.7, TRelease::Off), Line("bell", {9}, TVoicing::Mono, 8, 0.55)},
      64, TPatternEnd::Short);

  std::vector<TSampleDepth> depths(song.Instruments.size(), TSampleDepth::Bits16);
  depths[3] = TSampleDepth::Bits8;
  auto bytes = TXmWriter::Write(song, depths, FError);
  if (!bytes || !Save("night_ferry.xm", *bytes)) return false;
  FListing += score.Listing() + "\n";
  FTracks.push_back({"night_ferry.xm", score.Title()});
  return true;
}

// A funky nine-channel piece in E dorian at 132 BPM: chord stabs, a syncopated bass, a chime
// arpeggio in the bridge and a lead with vibrato.
bool TDemoCollection::CopperKites() {
  TScore score("Copper Kites", 132, 25, TKey(52, kDorian));
  TComposer composer(score, 0xC0FFE);
  const std::vector<TChord> verse = {{0, 4}, {3, 4}, {2, 4}, {3, 4}};
  const std::vector<TChord> bridge = {{6, 3}, {2, 3}, {3, 3}, {0, 4}};
  composer.SetHarmony(0, 12, verse);
  composer.SetHarmony(12, 20, bridge);
  composer.SetHarmony(20, 24, verse);
  composer.SetHarmony(24, 25, {{0, 4}});

  TPart& drums = score.AddPart("drums", TRole::Drums);
  TPart& bass = score.AddPart("bass", TRole::Bass);
  TPart& lead = score.AddPart("lead", TRole::Lead);
  TPart& stabs = score.AddPart("stabs", TRole::Chords);
  TPart& bell = score.AddPart("bell", TRole::Arp);

  composer.WriteDrums(drums, 0, 4, TGroove::Backbeat, kLayerKick | kLayerHats, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 4, 12, TGroove::Backbeat, kLayerAll, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 12, 20, TGroove::HalfTime, kLayerAll, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 20, 24, TGroove::Backbeat, kLayerAll, TDrumFill::Snare, TDrumCrash::None);
  composer.WriteDrums(drums, 24, 25, TGroove::Final, kLayerAll, TDrumFill::None, TDrumCrash::None);

  composer.WriteBass(bass, 0, 12, TBassStyle::Syncopated, 33, 0.95);
  composer.WriteBass(bass, 12, 20, TBassStyle::Pulse, 33, 0.9);
  composer.WriteBass(bass, 20, 24, TBassStyle::Syncopated, 33, 0.95);
  composer.WriteBass(bass, 24, 25, TBassStyle::Final, 33, 1.0);

  composer.WriteChords(stabs, 0, 12, TChordStyle::Pushed, 62, 0.8);
  composer.WriteChords(stabs, 12, 20, TChordStyle::Held, 60, 0.6);
  composer.WriteChords(stabs, 20, 24, TChordStyle::Pushed, 62, 0.8);
  composer.WriteChords(stabs, 24, 25, TChordStyle::Final, 62, 0.8);
  composer.WriteChords(bell, 12, 20, TChordStyle::Arpeggio, 74, 0.6);

  composer.WriteMelody(lead, 4, 12, 0xC180, 64, 81, 0.65, 0.9);
  composer.WriteMelody(lead, 12, 20, 0xC2A0, 66, 83, 0.5, 0.9);
  composer.WriteMelody(lead, 20, 24, 0xC180, 64, 81, 0.65, 0.9);
  composer.WriteFinalNote(lead, 24, 2.0, 0.85);

  TSampleSynth synth(0xC0FFF);
  TTrackerSong song;
  song.Title = score.Title();
  song.Channels = 9;
  song.Speed = 6;
  song.Tempo = 132;
  song.ChannelPanning = {0x80, 0x78, 0xA0, 0x80, 0x90, 0x50, 0x70, 0x90, 0xB0};
  song.Instruments = {
      {synth.Kick(32000, 60), 64},
      {synth.Snare(32000, 60), 56},
      {synth.Hat(32000, 60, 0.07), 40},
      {synth.PluckBass(22050, 48, 1.2), 64},
      {synth.Lead(22050, 72, TLoopLength::Any), 50},
      {synth.Chip(22050, 72, TLoopLength::Any), 36},
      {synth.Bell(22050, 72, 1.0), 40},
  };
  TTrackerArranger arranger(score, 4);
  arranger.Arrange(song,
                   {Kit("drums", {0, 1, 2}, {{kKick, 1, 0, 3}, {kSnare, 2, 1, 2}, {kClosedHat, 3, 2, 1}}),
                    Line("bass", {3}, TVoicing::Mono, 4, 0.8, TRelease::Slide, 0x08),
                    Line("lead", {4}, TVoicing::Mono, 5, 0.95, TRelease::Slide, 0x06, 0x53),
                    Line("stabs", {5, 6, 7}, TVoicing::Poly, 6, 0.5, TRelease::Slide, 0x08),
                    Line("bell", {8}, TVoicing::Mono, 7, 0.7)},
                   64, TPatternEnd::Break);

  auto bytes = TS3mWriter::Write(song, FError);
  if (!bytes || !Save("copper_kites.s3m", *bytes)) return false;
  FListing += score.Listing() + "\n";
  FTracks.push_back({"copper_kites.s3m", score.Title()});
  return true;
}
