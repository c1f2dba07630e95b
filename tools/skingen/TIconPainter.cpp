// SPDX-License-Identifier: MIT
// mira.nol skin generator: the application icon, a piece of the skin with one wide-awake eye.
#include "TIconPainter.h"

#include <algorithm>

#include "SkinColours.h"
#include "TEyePainter.h"

TIconPainter::TIconPainter(int size) : FImage(size, size), FAlpha(static_cast<size_t>(size) * size) {
  const float s = size / 64.0f;
  const TShape plate = Shape::RoundRect(1 * s, 1 * s, 63 * s, 63 * s, 14 * s);
  // The plate's colour reaches one pixel past its edge, so the soft edge fades out in panel colour
  // instead of black.
  FImage.FillShape(Shape::Grow(plate, 1.5f), [size](float, float y) {
    return Mix(SkinColours::PanelTop(), SkinColours::PanelBottom(), y / size);
  });
  FImage.Bevel(plate, std::max(1.5f, 2.5f * s), 0.3f, 0.5f);
  FImage.FillShape(Shape::Outline(Shape::Grow(plate, -3.2f * s), 0.55f * std::max(1.0f, s)), SkinColours::Orange(),
                   0.95f);
  // A black socket with the eye, open and bright as at the loudest.
  const TEyeGeometry eye{32 * s, 32.5f * s, 23 * s, 19.5f * s};
  const TShape socket = Shape::Grow(TEyePainter::Ball(eye), 2.5f * s);
  FImage.FillShape(socket, Rgb255(0, 0, 0));
  FImage.Bevel(socket, std::max(1.0f, 1.5f * s), 0.25f, 0.6f, true);
  TEyePainter::Paint(FImage, eye, 0.86f, 0.85f);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      FAlpha[static_cast<size_t>(y) * size + x] = std::clamp(0.5f - plate(x + 0.5f, y + 0.5f), 0.0f, 1.0f);
}
