// SPDX-License-Identifier: MIT
// The two eyes as level meters: the current channel's levels pick a frame for each eye.
#include "TMainForm.h"

#include "audio/TSndEntryTable.h"

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

// Frame 0 is the quietest; a level of 100 or more selects no frame and the eye keeps its picture.
// `shown` is the frame the eye holds now. Copying that same frame again and repainting would put
// the very same pixels on the screen, so that work is left out; it is what most ticks would do at
// the eye timer's rate.
void ShowFrame(TImage& eye, const TImageList& frames, float held, int& shown) {
  // Opaque: the eye is repainted straight over the window, without the skin beneath it first.
  eye.SetControlStyle(eye.ControlStyle() | csOpaque);
  TBitmap& picture = eye.Picture().Bitmap();
  const int index = static_cast<int>(double(held) * 0.01 * 6.0);
  if (index < 0 || index >= frames.Count() || index == shown) return;
  frames.GetBitmap(index, picture);
  shown = index;
  eye.Repaint();
}

}  // namespace

void TMainForm::Eye_TimerTimer(TObject* /*sender*/) {
  // A failed request answers with all bits set, which reads as 65535 on both sides: no frame.
  const uint32_t word = SndTable().snd_channel_get_level(Channel());
  const float left = static_cast<float>(word & 0xFFFFu);
  const float right = static_cast<float>(word >> 16);
  Hold(EyeLevels[0], left, EyeDecay);
  Hold(EyeLevels[1], right, EyeDecay);
  ShowFrame(*LeftEye_Image, LeftEye, EyeLevels[0], FEyeFrame[0]);
  ShowFrame(*RightEye_Image, RightEye, EyeLevels[1], FEyeFrame[1]);
}
