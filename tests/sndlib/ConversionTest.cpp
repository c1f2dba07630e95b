// SPDX-License-Identifier: MIT
// Rate conversion, heard: steady sines from files at other rates and at other speeds, mixed through a pulled
// output at 44100 Hz, and the spectrum of what came out searched for anything that is not the tone; and a
// channel mixed up to the end of what is decoded, searched for gaps.
#include "SndlibTestSupport.h"

#include "TMixer.h"

#include <fftw3.h>

#include <cmath>
#include <vector>

using namespace sndtest;

namespace {

double BesselI0(double x) {
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 64; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
  }
  return sum;
}

struct TSpectrumCheck {
  double ToneHz = 0;   // where the strongest component lies
  double WorstDb = 0;  // the strongest other component, in dB relative to it
  double WorstHz = 0;
};

// The spectrum of the left side of `stereo` through a Kaiser window (beta 20: side lobes far below
// -150 dB), its peak, and the strongest bin outside the peak's main lobe.
TSpectrumCheck Analyse(const std::vector<float>& stereo, int rate) {
  size_t n = stereo.size() / 2;
  double* in = fftw_alloc_real(n);
  fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(int(n), in, out, FFTW_ESTIMATE);
  const double beta = 20.0, norm = BesselI0(beta);
  for (size_t i = 0; i < n; ++i) {
    double r = 2.0 * double(i) / double(n - 1) - 1.0;
    in[i] = double(stereo[i * 2]) * BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
  }
  fftw_execute(plan);
  std::vector<double> magnitude(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k) magnitude[k] = std::hypot(out[k][0], out[k][1]);
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
  size_t peak = 1;
  for (size_t k = 1; k <= n / 2; ++k)
    if (magnitude[k] > magnitude[peak]) peak = k;
  // The window's main lobe is about 13 bins wide each side; the coding noise of an MP3 hugs its tone a
  // little further.
  size_t guard = 24;
  double worst = 0;
  size_t worstAt = 0;
  for (size_t k = 2; k <= n / 2; ++k) {
    if (k + guard >= peak && k <= peak + guard) continue;
    if (magnitude[k] > worst) {
      worst = magnitude[k];
      worstAt = k;
    }
  }
  TSpectrumCheck check;
  check.ToneHz = double(peak) * rate / double(n);
  check.WorstDb = 20.0 * std::log10(worst / magnitude[peak]);
  check.WorstHz = double(worstAt) * rate / double(n);
  return check;
}

class Conversion : public TPulledLibrary {
protected:
  // Plays the file at `freq`, lets it settle for half a second, then takes 1.5 s of what is heard.
  TSpectrumCheck Heard(const char* name, int32_t freq) {
    SND_HANDLE h = snd_stream_create_file(0, Fixture(name).c_str(), 0, 0, SND_STREAM_PRESCAN);
    EXPECT_NE(h, 0u);
    snd_channel_set_attributes(h, freq, 100, 0);
    snd_stream_play(h, 0, 0);
    Pull(22050);
    std::vector<float> heard = Pull(66150);
    snd_stream_free(h);
    Pull(2 * sndlib::TMixer::kBlock);
    return Analyse(heard, 44100);
  }
};

}  // namespace

TEST_F(Conversion, files_at_other_rates_come_out_clean_at_true_speed) {
  struct TCase {
    const char* Name;
    double Tone;
  } cases[] = {{"tone48_15k.mp3", 15000}, {"tone48_3k.mp3", 3000}, {"tone32_12k.mp3", 12000}, {"tone22_8k.mp3", 8000}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSpectrumCheck check = Heard(c.Name, 44100);
    EXPECT_NEAR(check.ToneHz, c.Tone, 2.0);
    EXPECT_LT(check.WorstDb, -90.0) << "at " << check.WorstHz << " Hz";
  }
}

TEST_F(Conversion, a_file_at_the_output_rate_and_true_speed_is_not_converted) {
  TSpectrumCheck check = Heard("tone44_15k.mp3", 44100);
  EXPECT_NEAR(check.ToneHz, 15000, 2.0);
  EXPECT_LT(check.WorstDb, -90.0) << "at " << check.WorstHz << " Hz";
}

TEST_F(Conversion, other_speeds_move_the_tone_and_nothing_else) {
  struct TCase {
    const char* Name;
    int32_t Freq;
    double Tone;
  } cases[] = {{"tone44_15k.mp3", 834, 15000.0 * 834 / 44100},
               {"tone44_15k.mp3", 30000, 15000.0 * 30000 / 44100},
               {"tone44_12k.mp3", 66150, 18000},
               {"tone44_8k.mp3", 99265, 8000.0 * 99265 / 44100}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Freq);
    TSpectrumCheck check = Heard(c.Name, c.Freq);
    EXPECT_NEAR(check.ToneHz, c.Tone, 2.0);
    EXPECT_LT(check.WorstDb, -80.0) << "at " << check.WorstHz << " Hz";
  }
}

// A decoder that only just keeps up (it refills the ring as soon as the mixer lets frames go) leaves the
// mixer at the edge of what is decoded, most of all at high speeds, where a second of output takes more
// than a second of the file. What the channel says may be mixed must then come out whole: a converter
// still holding back input it was given leaves a gap of silence, heard as a dropout.
TEST(ConversionAtTheEdge, what_may_be_mixed_comes_out_whole_at_every_speed_and_rate) {
  constexpr size_t B = sndlib::TMixer::kBlock;
  for (int rate : {22050, 44100, 48000}) {
    for (int32_t freq : {100, 834, 30000, 66150, 72800, 99265, 200000}) {
      SCOPED_TRACE(std::to_string(rate) + " Hz at " + std::to_string(freq));
      sndlib::TChannel channel(1, sndlib::TChannelKind::Stream,
                               std::make_unique<TSineSource>(rate, 1000.0, 0.5, size_t(rate) * 600), 44100, 1 << 16);
      channel.SetFrequency(freq);
      channel.SetState(sndlib::TChannelState::Playing);
      std::vector<float> block(B * 2);
      size_t silentRun = 0, longestSilence = 0;
      for (int64_t first = 0; first < 44100 * 2;) {
        channel.Fill();
        size_t blocks = channel.RenderableFrames() / B;
        ASSERT_GT(blocks, 0u) << "at frame " << first;
        for (; blocks > 0; --blocks, first += int64_t(B)) {
          channel.RenderBlock(first, false, block.data());
          for (size_t i = 0; i < B && first > 0; ++i) {
            silentRun = block[i * 2] == 0.0f ? silentRun + 1 : 0;
            longestSilence = std::max(longestSilence, silentRun);
          }
        }
        channel.ReleaseBefore(first, first);
      }
      EXPECT_LT(longestSilence, 4u);
    }
  }
}
