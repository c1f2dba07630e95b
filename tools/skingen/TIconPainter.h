// SPDX-License-Identifier: MIT
// mira.nol skin generator: the application icon, a piece of the skin with one wide-awake eye.
#pragma once

#include <vector>

#include "TArtImage.h"

class TIconPainter {
public:
  // Paints a size x size icon; Alpha() then holds its coverage, 0 outside the rounded plate.
  explicit TIconPainter(int size);

  const TArtImage& Image() const { return FImage; }
  const std::vector<float>& Alpha() const { return FAlpha; }

private:
  TArtImage FImage;
  std::vector<float> FAlpha;
};
