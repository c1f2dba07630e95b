// SPDX-License-Identifier: MIT
// The plain picture control: shows a picture, optionally auto-sized, stretched, centred or see-through.
#pragma once

#include "components/TPictureControl.h"

// Places its picture as every picture control does (see TPictureControl) and draws nothing else.
class TImage : public TPictureControl {
public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  // The canvas of the picture's bitmap, for drawing into the picture itself. A picture without a
  // graphic first gets a bitmap of the control's size.
  TCanvas& Canvas();

protected:
  void Paint() override;
};
