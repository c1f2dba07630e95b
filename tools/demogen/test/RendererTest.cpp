// SPDX-License-Identifier: MIT
// The synthesiser's output: its length, headroom, silence where nothing plays, and repeatability;
// and the scale arithmetic under it.
#include "TComposer.h"
#include "TSynthRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

TScore SmallPiece() {
  TScore score("small", 120, 2, TKey(57, kAeolian));
  TComposer composer(score, 3);
  composer.SetHarmony(0, 2, {{0, 3}, {5, 3}});
  composer.WriteDrums(score.AddPart("drums", TRole::Drums), 0, 2, TGroove::Backbeat, kLayerAll, TDrumFill::None,
                      TDrumCrash::AtStart);
  composer.WriteBass(score.AddPart("bass", TRole::Bass), 0, 2, TBassStyle::Pulse, 33, 1.0);
  composer.WriteChords(score.AddPart("pad", TRole::Chords), 0, 2, TChordStyle::Held, 60, 1.0);
  return score;
}

std::vector<int16_t> Render(const TScore& score) {
  TSynthRenderer synth(22050, 11);
  TPatch pad;
  pad.Wave = TWave::SuperSaw;
  pad.ReverbSend = 0.5;
  pad.Duck = 0.5;
  synth.SetPatch("pad", pad);
  TPatch bass;
  bass.Wave = TWave::ElectricPiano;
  bass.DelaySend = 0.5;
  synth.SetPatch("bass", bass);
  return synth.Render(score, 1.0);
}

}  // namespace

TEST(DemoGenRenderer, output_covers_the_piece_and_its_tail_within_headroom_and_ends_in_silence) {
  TScore score = SmallPiece();
  std::vector<int16_t> pcm = Render(score);
  ASSERT_EQ(pcm.size(), static_cast<size_t>((score.Seconds() + 1.0) * 22050) * 2);
  int peak = 0;
  for (int16_t v : pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
  // Loud, but with the headroom the MP3 encoder needs.
  EXPECT_GT(peak, 25000);
  EXPECT_LT(peak, 29500);
  // The last frame is faded out completely; only dither may remain.
  EXPECT_LE(std::abs(pcm[pcm.size() - 1]), 1);
  EXPECT_LE(std::abs(pcm[pcm.size() - 2]), 1);
}

TEST(DemoGenRenderer, an_empty_score_renders_dither_only) {
  TScore score("quiet", 120, 1, TKey(60, kIonian));
  std::vector<int16_t> pcm = TSynthRenderer(22050, 1).Render(score, 0.5);
  for (int16_t v : pcm) ASSERT_LE(std::abs(static_cast<int>(v)), 1);
}

TEST(DemoGenRenderer, the_same_seed_renders_the_same_samples) {
  TScore score = SmallPiece();
  EXPECT_EQ(Render(score), Render(SmallPiece()));
}

TEST(DemoGenKey, degrees_and_pitches_agree_in_every_octave) {
  TKey key(57, kAeolian);
  for (int degree = -20; degree <= 20; ++degree) EXPECT_EQ(key.DegreeNear(key.Pitch(degree)), degree) << degree;
  EXPECT_EQ(key.Pitch(-1), 55);  // G below the tonic A
  EXPECT_EQ(key.Pitch(7), 69);
  TChord seventh{4, 4};
  EXPECT_TRUE(seventh.Contains(4 + 6 - 14));
  EXPECT_FALSE(seventh.Contains(5));
}
