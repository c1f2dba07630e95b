// SPDX-License-Identifier: MIT
// The demo generator: its module writers as the module library reads them, the composer's harmony,
// and the committed demo collection's limits.
#include "TComposer.h"
#include "TModWriter.h"
#include "TTrackerArranger.h"
#include "TS3mWriter.h"
#include "TXmWriter.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <mpg123.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <set>
#include <sstream>

namespace {

enum class TFormat { Mod, Xm, S3m };

// One looped sine cycle set: the plainest tone, so zero crossings give its pitch exactly.
TSample SineLoop(double rate, double pitch) {
  TSample sample;
  sample.Name = "sine";
  sample.Rate = rate;
  double period = rate / PitchToFrequency(pitch);
  auto length = static_cast<size_t>(std::lround(32 * period));
  length += length % 2;
  sample.RootPitch = FrequencyToPitch(32 * rate / static_cast<double>(length));
  for (size_t n = 0; n < length; ++n)
    sample.Data.push_back(static_cast<float>(0.9 * std::sin(2 * std::numbers::pi * 32.0 * n / length)));
  sample.LoopLength = length;
  return sample;
}

// One 64-row pattern with one note at row 0 on channel 0, four channels, speed 6, tempo 125.
TTrackerSong OneNote(const TSample& sample, int pitch) {
  TTrackerSong song;
  song.Title = "probe";
  song.Instruments.emplace_back(sample, 64);
  TTrackerPattern pattern(64, 4);
  pattern.At(0, 0).Pitch = pitch;
  pattern.At(0, 0).Instrument = 1;
  pattern.At(0, 0).Volume = 64;
  song.Patterns.push_back(pattern);
  song.Orders = {0};
  return song;
}

std::vector<uint8_t> Write(TFormat format, const TTrackerSong& song) {
  std::string error;
  std::optional<std::vector<uint8_t>> bytes;
  switch (format) {
    case TFormat::Mod: bytes = TModWriter::Write(song, error); break;
    case TFormat::Xm: bytes = TXmWriter::Write(song, {}, error); break;
    case TFormat::S3m: bytes = TS3mWriter::Write(song, error); break;
  }
  EXPECT_TRUE(bytes.has_value()) << error;
  return bytes.value_or(std::vector<uint8_t>{});
}

// The pitch heard in the first half second, from rising zero crossings.
double HeardPitch(openmpt::module& module) {
  constexpr int rate = 48000;
  std::vector<float> mono(rate / 2);
  module.read(rate, mono.size(), mono.data());
  int crossings = 0;
  size_t first = 0, last = 0;
  for (size_t n = 1000; n < mono.size(); ++n)
    if (mono[n - 1] < 0 && mono[n] >= 0) {
      if (crossings == 0) first = n;
      last = n;
      ++crossings;
    }
  if (crossings < 2) return 0;
  return FrequencyToPitch((crossings - 1) * rate / static_cast<double>(last - first));
}

}  // namespace

TEST(DemoGenWriters, every_format_loads_with_its_title_length_and_channels) {
  for (TFormat format : {TFormat::Mod, TFormat::Xm, TFormat::S3m}) {
    std::vector<uint8_t> bytes = Write(format, OneNote(SineLoop(16726, 60), 60));
    openmpt::module module(bytes);
    EXPECT_EQ(module.get_metadata("title"), "probe");
    EXPECT_EQ(module.get_num_channels(), 4);
    // The four-channel format always has 31 sample slots.
    EXPECT_EQ(module.get_num_samples(), format == TFormat::Mod ? 31 : 1);
    // 64 rows of 6 ticks at 2.5 / 125 s each.
    EXPECT_NEAR(module.get_duration_seconds(), 64 * 6 * 2.5 / 125, 0.01);
  }
}

TEST(DemoGenWriters, notes_sound_at_their_pitch_whatever_the_sample_rate) {
  // Samples made at unrelated rates and roots must still agree with each other in every format.
  for (TFormat format : {TFormat::Mod, TFormat::Xm, TFormat::S3m})
    for (auto [rate, root] : {std::pair{16726.0, 72.0}, std::pair{8363.0, 60.0}, std::pair{12000.0, 66.0}}) {
      int pitch = 69;
      std::vector<uint8_t> bytes = Write(format, OneNote(SineLoop(rate, root), pitch));
      openmpt::module module(bytes);
      // The four-channel format's periods sit up to a sixth of a semitone off equal temperament,
      // and the scream-style format's whole-number rates and periods a few cents.
      EXPECT_NEAR(HeardPitch(module), pitch, format == TFormat::Mod ? 0.2 : (format == TFormat::S3m ? 0.1 : 0.03))
          << "format " << static_cast<int>(format) << " rate " << rate;
    }
}

TEST(DemoGenWriters, four_channel_writer_refuses_a_note_its_octaves_cannot_hold) {
  // Three octaves around the sample's root: two octaves above the top is out.
  std::string error;
  EXPECT_FALSE(TModWriter::Write(OneNote(SineLoop(16726, 72), 72 + 36), error).has_value());
  EXPECT_NE(error.find("out of the range"), std::string::npos);
  EXPECT_TRUE(TModWriter::Write(OneNote(SineLoop(16726, 72), 72 + 11), error).has_value());
}

TEST(DemoGenWriters, a_short_last_pattern_ends_the_song_at_its_break) {
  TKey key(57, kAeolian);
  TScore score("end", 125, 3, key);
  TPart& part = score.AddPart("line", TRole::Lead);
  part.Notes.push_back(TNote{0, 2, 69, 1});
  TTrackerSong song;
  song.Title = "end";
  song.Instruments.emplace_back(SineLoop(16726, 72), 64);
  TChannelPlan plan;
  plan.Part = "line";
  plan.Channels = {0};
  TTrackerArranger(score, 4).Arrange(song, {plan}, 64, TPatternEnd::Break);
  // Three bars are 48 rows: the break after row 47 must stop the song there, not loop it.
  openmpt::module module(Write(TFormat::Mod, song));
  EXPECT_NEAR(module.get_duration_seconds(), 48 * 6 * 2.5 / 125, 0.01);
}

TEST(DemoGenComposer, melodies_stay_in_key_and_land_on_chord_tones) {
  TKey key(57, kAeolian);
  TScore score("check", 120, 16, key);
  TComposer composer(score, 7);
  composer.SetHarmony(0, 16, {{0, 3}, {5, 3}, {2, 3}, {6, 3}});
  TPart& lead = score.AddPart("lead", TRole::Lead);
  composer.WriteMelody(lead, 0, 16, 99, 67, 84, 0.7, 1.0);
  ASSERT_FALSE(lead.Notes.empty());
  for (const TNote& note : lead.Notes) {
    int degree = key.DegreeNear(note.Pitch);
    EXPECT_EQ(key.Pitch(degree), note.Pitch) << "outside the scale";
    EXPECT_GE(note.Pitch, 66);
    EXPECT_LE(note.Pitch, 85);
    if (std::abs(note.Beat - std::round(note.Beat)) < 1e-6) {
      EXPECT_TRUE(score.Harmony(static_cast<int>(note.Beat / 4)).Contains(degree))
          << "beat " << note.Beat << " pitch " << note.Pitch;
    }
  }
}

TEST(DemoCollection, play_list_names_existing_tracks_of_both_kinds_within_the_limits) {
  std::filesystem::path data = MIRA_DEMO_DATA;
  std::ifstream in(data / "play.lst", std::ios::binary);
  ASSERT_TRUE(in) << "no play.lst in " << data;
  std::stringstream text;
  text << in.rdbuf();
  std::string list = text.str();
  EXPECT_EQ(list.find('\r'), std::string::npos) << "line ends must be LF only";

  std::vector<std::string> lines;
  std::istringstream split(list);
  for (std::string line; std::getline(split, line);) lines.push_back(line);
  ASSERT_EQ(lines.size() % 2, 0u);
  ASSERT_GE(lines.size() / 2, 4u);

  int mp3 = 0;
  std::set<std::string> moduleKinds;
  uintmax_t total = std::filesystem::file_size(data / "play.lst");
  for (size_t i = 0; i < lines.size(); i += 2) {
    std::filesystem::path file = data / lines[i];
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    EXPECT_FALSE(lines[i + 1].empty());
    total += std::filesystem::file_size(file);
    double seconds = 0;
    if (file.extension() == ".mp3") {
      ++mp3;
      mpg123_handle* handle = mpg123_new(nullptr, nullptr);
      ASSERT_NE(handle, nullptr);
      ASSERT_EQ(mpg123_open(handle, file.c_str()), MPG123_OK);
      mpg123_scan(handle);
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(handle, &rate, &channels, &encoding);
      seconds = static_cast<double>(mpg123_length(handle)) / static_cast<double>(rate);
      mpg123_close(handle);
      mpg123_delete(handle);
    } else {
      moduleKinds.insert(file.extension().string());
      std::ifstream bytes(file, std::ios::binary);
      openmpt::module module(bytes);
      seconds = module.get_duration_seconds();
    }
    EXPECT_GE(seconds, 30.0) << file;
    EXPECT_LE(seconds, 90.0) << file;
  }
  EXPECT_GE(mp3, 1);
  EXPECT_GE(moduleKinds.size(), 2u);
  EXPECT_LT(total, 2u * 1024 * 1024);
}
