// SPDX-License-Identifier: MIT
// The two eyes as level meters: the current channel's levels pick a frame for each eye.
#include "TMainForm.h"

#include "audio/TSndEntryTable.h"

#include <memory>
#include <vector>

namespace {

// Holds a level that rises at once and, on a lower reading, falls by the decay factor. With the
// factor at 0 a falling level drops to 0 for one tick and takes the new reading on the next, which
// makes a fading eye blink shut on every second tick: the eyes are meant to look that way.
void Hold(float& held, float level, float decay) {
  if (level >= held)
    held = level;
  else
    held = held * decay;
}

}  // namespace

void TMainForm::Eye_TimerTimer(TObject* /*sender*/) {
  // A failed request answers with all bits set, which reads as 65535 on both sides: no frame.
  const uint32_t word = SndTable().snd_channel_get_level(Channel());
  const float left = static_cast<float>(word & 0xFFFFu);
  const float right = static_cast<float>(word >> 16);
  Hold(EyeLevels[0], left, EyeDecay);
  Hold(EyeLevels[1], right, EyeDecay);
  ShowEyeFrame(0, EyeLevels[0]);
  ShowEyeFrame(1, EyeLevels[1]);
}

// Frame 0 is the quietest; a level of 100 or more selects no frame and the eye keeps its picture.
// FEyeFrame holds the frame an eye shows now: showing that same frame again would put the very
// same pixels on the screen, so that work is left out, which is what most ticks would do.
void TMainForm::ShowEyeFrame(int eye, float held) {
  TImage& image = eye == 0 ? *LeftEye_Image : *RightEye_Image;
  const TImageList& frames = eye == 0 ? LeftEye : RightEye;
  const int index = static_cast<int>(double(held) * 0.01 * 6.0);
  if (index < 0 || index >= frames.Count() || index == FEyeFrame[eye]) return;
  FEyeFrame[eye] = index;
  std::vector<std::shared_ptr<TBitmap>>& looks = FEyeLooks[eye];
  const bool alone = EyeStandsAlone(image);
  if (alone && looks.empty()) MakeEyeLooks(image, frames, looks);
  if (alone && !looks.empty()) {
    // The frame as the window shows it, the skin beneath included: the loop paints it with one
    // plain copy, nothing beneath it first.
    image.SetTransparent(false);
    image.Picture().SetGraphic(looks[size_t(index)]);
    return;
  }
  // Something else shares the eye's place: the frame is drawn over whatever lies beneath.
  if (!looks.empty()) image.SetTransparent(FEyeTransparent[eye]);
  looks.clear();
  auto frame = std::make_shared<TBitmap>();
  frames.GetBitmap(index, *frame);
  image.Picture().SetGraphic(std::move(frame));
  image.Repaint();
}

bool TMainForm::EyeStandsAlone(const TImage& image) const {
  if (!Visible() || !image.Visible()) return false;
  const TRect place = image.BoundsRect();
  for (int i = 0; i < ControlCount(); ++i) {
    const TControl* c = Controls(i);
    if (c == &image || c == ImageShape || !c->Visible()) continue;
    if (!c->BoundsRect().Intersect(place).IsEmpty()) return false;
  }
  return true;
}

void TMainForm::MakeEyeLooks(TImage& image, const TImageList& frames, std::vector<std::shared_ptr<TBitmap>>& looks) {
  // Each frame is painted once over the skin the way the eye shows it, and what the window then
  // holds in the eye's place is kept. The eye's own picture comes back afterwards.
  const int eye = &image == LeftEye_Image ? 0 : 1;
  FEyeTransparent[eye] = image.Transparent();
  const std::shared_ptr<TBitmap> resting = image.Picture().Graphic();
  const TRect place = image.BoundsRect();
  for (int i = 0; i < frames.Count(); ++i) {
    auto frame = std::make_shared<TBitmap>();
    frames.GetBitmap(i, *frame);
    image.Picture().SetGraphic(std::move(frame));
    Update();
    auto look = std::make_shared<TBitmap>(place.Width(), place.Height());
    look->Canvas().CopyRect(look->ClientRect(), Canvas(), place);
    looks.push_back(std::move(look));
  }
  image.Picture().SetGraphic(resting);
  Update();
}
