// SPDX-License-Identifier: MIT
// Laying notes onto tracker channels: voices, drum routing, note ends and chords as arpeggios.
#include "TTrackerArranger.h"

#include <gtest/gtest.h>

namespace {

TSample Blip(double pitch) {
  TSample sample;
  sample.Name = "blip";
  sample.RootPitch = pitch;
  sample.Data.assign(64, 0.5f);
  return sample;
}

class ArrangerTest : public ::testing::Test {
protected:
  ArrangerTest() : FScore("probe", 120, 2, TKey(60, kIonian)) {
    FSong.Channels = 4;
    for (double root : {60.0, 36.0, 38.0, 42.0, 50.0}) FSong.Instruments.emplace_back(Blip(root), 64);
  }

  TChannelPlan Plan(std::vector<int> channels, TVoicing voicing, TRelease release = TRelease::None) {
    TChannelPlan plan;
    plan.Part = "part";
    plan.Channels = std::move(channels);
    plan.Voicing = voicing;
    plan.Release = release;
    return plan;
  }

  void Arrange(const TChannelPlan& plan) { TTrackerArranger(FScore, 4).Arrange(FSong, {plan}, 64, TPatternEnd::Short); }
  const TTrackerCell& Cell(int row, int channel) const { return FSong.Patterns[0].At(row, channel); }

  TScore FScore;
  TPart& FPart = FScore.AddPart("part", TRole::Lead);
  TTrackerSong FSong;
};

}  // namespace

TEST_F(ArrangerTest, chord_notes_spread_over_channels_lowest_first) {
  for (int pitch : {67, 60, 64}) FPart.Notes.push_back(TNote{0, 1, pitch, 1});
  Arrange(Plan({1, 2, 3}, TVoicing::Poly));
  EXPECT_EQ(Cell(0, 1).Pitch, 60);
  EXPECT_EQ(Cell(0, 2).Pitch, 64);
  EXPECT_EQ(Cell(0, 3).Pitch, 67);
  EXPECT_TRUE(Cell(0, 0).Empty());
}

TEST_F(ArrangerTest, a_note_off_falls_only_into_a_gap_before_the_next_note) {
  FPart.Notes = {{0, 1, 60, 1}, {1, 1, 62, 1}, {3, 1, 64, 1}};
  Arrange(Plan({0}, TVoicing::Mono, TRelease::Off));
  EXPECT_EQ(Cell(4, 0).Pitch, 62);  // legato: the next note starts where the first ends
  EXPECT_EQ(Cell(8, 0).Pitch, kNoteOff);
  EXPECT_EQ(Cell(12, 0).Pitch, 64);
  EXPECT_EQ(Cell(16, 0).Pitch, kNoteOff);
  EXPECT_EQ(Cell(0, 0).Volume, 64);
}

TEST_F(ArrangerTest, a_held_chord_on_one_channel_becomes_an_arpeggio_on_every_row) {
  for (int pitch : {60, 64, 67}) FPart.Notes.push_back(TNote{0, 2, pitch, 1});
  Arrange(Plan({0}, TVoicing::Arpeggio, TRelease::Slide));
  EXPECT_EQ(Cell(0, 0).Pitch, 60);
  for (int row = 0; row < 8; ++row) {
    EXPECT_EQ(Cell(row, 0).Effect, kEffectArpeggio);
    EXPECT_EQ(Cell(row, 0).Param, 0x47);
  }
  EXPECT_EQ(Cell(8, 0).Effect, kEffectVolumeSlide);
}

TEST_F(ArrangerTest, drums_on_one_channel_keep_the_more_important_hit_or_combine_kick_and_snare) {
  FPart.Notes = {{0, 1, kClosedHat, 1}, {0, 1, kKick, 0.5}, {1, 1, kClosedHat, 1}, {2, 1, kKick, 1}, {2, 1, kSnare, 1}};
  TChannelPlan kit = Plan({0}, TVoicing::Drums);
  kit.Drums = {{kKick, 2, 0, 3}, {kSnare, 3, 0, 2}, {kClosedHat, 4, 0, 1}};
  kit.KickSnareInstrument = 5;
  Arrange(kit);
  EXPECT_EQ(Cell(0, 0).Instrument, 2);  // a soft kick still outranks a loud hat
  EXPECT_EQ(Cell(0, 0).Pitch, 36);      // drums play at their sample's root
  EXPECT_EQ(Cell(4, 0).Instrument, 4);
  EXPECT_EQ(Cell(8, 0).Instrument, 5);  // kick and snare together
  EXPECT_EQ(Cell(8, 0).Pitch, 50);
}

TEST_F(ArrangerTest, repeated_sections_share_a_pattern_and_the_last_one_is_cut_short) {
  TScore long_("long", 120, 9, TKey(60, kIonian));
  TPart& part = long_.AddPart("part", TRole::Lead);
  for (int bar = 0; bar < 9; ++bar) part.Notes.push_back(TNote{bar * 4.0, 1, 60, 1});
  TTrackerArranger(long_, 4).Arrange(FSong, {Plan({0}, TVoicing::Mono)}, 64, TPatternEnd::Short);
  EXPECT_EQ(FSong.Orders, (std::vector<int>{0, 0, 1}));
  ASSERT_EQ(FSong.Patterns.size(), 2u);
  EXPECT_EQ(FSong.Patterns[1].Rows, 16);

  TTrackerArranger(long_, 4).Arrange(FSong, {Plan({0}, TVoicing::Mono)}, 64, TPatternEnd::Break);
  EXPECT_EQ(FSong.Patterns[1].Rows, 64);
  bool broken = false;
  for (int c = 0; c < 4; ++c) broken = broken || FSong.Patterns[1].At(15, c).Effect == kEffectPatternBreak;
  EXPECT_TRUE(broken);
}

TEST_F(ArrangerTest, channel_panning_takes_the_first_free_cell) {
  FPart.Notes = {{0, 0.25, 60, 1}};
  FSong.ChannelPanning = {0x40, -1, -1, -1};
  Arrange(Plan({0}, TVoicing::Mono));
  EXPECT_EQ(Cell(0, 0).Pitch, 60);
  EXPECT_EQ(Cell(0, 0).Effect, kNoEffect);
  EXPECT_EQ(Cell(1, 0).Effect, kEffectPanning);
  EXPECT_EQ(Cell(1, 0).Param, 0x40);
  for (int row = 0; row < 32; ++row) EXPECT_NE(Cell(row, 1).Effect, kEffectPanning);
}
