// SPDX-License-Identifier: MIT
// The volume, panning and speed knobs: dragging sets the value, its fill bar, marker, hint and the sound.
#include "TMainForm.h"

#include "Trunc.h"

#include "audio/TSndEntryTable.h"
#include "components/TApplication.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The knob's left edge may lie from 242 to 376; the raw value is its distance from 241, out of 136.
constexpr int kTrackOrigin = 241;
constexpr int kTrackEnd = 377;
constexpr double kFullScale = 136.0;
// Normal speed and the centre of the panning track, where the knobs snap.
constexpr int kSpeedSnapLeft = 300;
constexpr int kPanningMiddle = kTrackOrigin + 136 / 2;
constexpr int32_t kNormalFrequency = 44100;

bool OnTrack(int x) { return kTrackOrigin < x && x < kTrackEnd; }

}  // namespace

void TMainForm::MoveVolumeKnob(int x) {
  if (OnTrack(x)) Slider_Volume->SetLeft(x);
  const int w = Slider_Volume->Left() - kTrackOrigin;
  FadeBitmap_Volume->SetWidth(w);
  // 101, not 100: the far right reads 100.26, so the whole range up to 100 can be reached.
  Volume = w / kFullScale * 101.0;
  if (!Muted) SndTable().snd_set_volume(static_cast<uint32_t>(Trunc(Volume)));
}

void TMainForm::SetVolumePercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  // The knob's first place whose volume, cut to a whole number, is the one asked for. A step of
  // the knob moves the volume by 101 / 136 (less than 1), so every whole percent has such a place.
  int w = 1;
  while (w < kTrackEnd - kTrackOrigin - 1 && Trunc(w / kFullScale * 101.0) < percent) ++w;
  MoveVolumeKnob(kTrackOrigin + w);
  SndTable().snd_channel_set_attributes(Channel(), Frequency, -1, Trunc(Panning));
}

void TMainForm::Slider_VolumeMouseMove(TObject* sender, TShiftState shift, int /*x*/, int /*y*/) {
  if (!shift.Contains(ssLeft)) {
    if (sender == Slider_Volume)
      Hint_Label->SetCaption("Volume");
    else if (sender == Slider_Panning)
      Hint_Label->SetCaption("Panning");
    else if (sender == Slider_Speed)
      Hint_Label->SetCaption("Speed");
    return;
  }

  // The knob holds the pointer while the button is down, so the event's own coordinates may lie far
  // outside it; the pointer's place on the screen, relative to the window, is what counts.
  const int x = Application.CursorPos().X - Left();
  const TSndEntryTable& snd = SndTable();

  if (sender == Slider_Volume) {
    MoveVolumeKnob(x);
    Bitmap_Volume->Show();
    Hint_Label->SetCaption(std::to_string(Trunc(Volume)) + "%");
  } else if (sender == Slider_Speed) {
    if (OnTrack(x)) Slider_Speed->SetLeft(295 <= x && x <= 305 ? kSpeedSnapLeft : x);
    const int w = Slider_Speed->Left() - kTrackOrigin;
    FadeBitmap_Speed->SetWidth(w);
    Frequency = Trunc(w / kFullScale * 99900.0 + 100.0);
    Bitmap_Speed->Show();
    if (Slider_Speed->Left() == kSpeedSnapLeft) Frequency = kNormalFrequency;
    Hint_Label->SetCaption(std::to_string(Frequency) + "Hz");
    // The clock counts seconds of the track, which pass faster or slower with the playback rate.
    Timer->SetInterval(static_cast<uint32_t>(Trunc(1000.0 / (Frequency * (1.0 / 44100.0)))));
  } else if (sender == Slider_Panning) {
    if (OnTrack(x)) Slider_Panning->SetLeft(304 <= x && x <= 314 ? kPanningMiddle : x);
    const int w = Slider_Panning->Left() - kTrackOrigin;
    // The bar grows from the middle towards the knob. White is the bar's see-through colour; the
    // pattern is anchored at the canvas origin, so each column shows the same column of the source.
    TCanvas& canvas = FadeBitmap_Panning->Canvas();
    const TBitmap& source = FadeBitmap_Panning_Temp->Picture().Bitmap();
    canvas.Brush().SetBitmap(nullptr);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect({0, 0, source.Width(), source.Height()});
    const int middle = 136 / 2;
    canvas.Brush().SetBitmap(&source);
    canvas.FillRect({std::min(middle, w), 0, std::max(middle, w), FadeBitmap_Panning->Height()});
    canvas.Brush().SetBitmap(nullptr);
    // w / 136 x 204 - 102, written as 1.5 w - 102: the same value, but exact in binary floating
    // point, where the first form lands a hair below whole numbers (74 would read "8 right").
    Panning = 1.5 * w - 102.0;
    Bitmap_Panning->Show();
    const int32_t pan = Trunc(Panning);
    if (Panning < 0)
      Hint_Label->SetCaption(std::to_string(std::abs(pan)) + " left");
    else if (Panning == 0)
      Hint_Label->SetCaption("center");
    else
      Hint_Label->SetCaption(std::to_string(pan) + " right");
  } else {
    return;
  }

  // Volume -1 leaves the channel's own volume as it is; only speed and panning are applied.
  snd.snd_channel_set_attributes(Channel(), Frequency, -1, Trunc(Panning));
}
