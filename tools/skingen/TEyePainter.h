// SPDX-License-Identifier: MIT
// mira.nol skin generator: the two mechanical eyes that watch the music, from asleep to wide awake.
#pragma once

#include "TArtImage.h"

struct TEyeGeometry {
  float Cx, Cy, Rx, Ry;
};

// An eye is a glass ball in a metal ring with an orange iris, closed from above and below by two
// shutters. Quiet music leaves it half shut and dim; loud music opens it wide and sets the pupil alight.
class TEyePainter {
public:
  // open: 0 shut to 1 wide; level: 0 calm to 1 loudest.
  static void Paint(TArtImage& image, TEyeGeometry g, float open, float level);
  static TShape Ball(TEyeGeometry g);
  // The opening and brightness of frame k of six, quiet to loud.
  static float FrameOpen(int frame);
  static float FrameLevel(int frame);
  // The eye at rest, before any sound: nearly shut.
  static constexpr float kRestOpen = 0.0f;
};
