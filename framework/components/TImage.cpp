// SPDX-License-Identifier: MIT
// The plain picture control.
#include "components/TImage.h"

TImage::TImage(TComponent* owner) : TPictureControl(owner) {}

TImage::~TImage() = default;

TCanvas& TImage::Canvas() {
  if (!Picture().HasGraphic()) {
    auto bitmap = std::make_shared<TBitmap>(Width(), Height(), pf32bit);
    Picture().SetGraphic(std::move(bitmap));
  }
  return Picture().Bitmap().Canvas();
}

void TImage::Paint() {
  TCanvas& canvas = ControlCanvas();
  const auto& graphic = Picture().Graphic();
  if (!graphic || graphic->Empty()) return;
  const TDrawingPicture drawing(*this);
  const TRect dest = DestRect();
  if (dest.Width() == graphic->Width() && dest.Height() == graphic->Height())
    canvas.Draw(dest.Left, dest.Top, *graphic);
  else
    canvas.StretchDraw(dest, *graphic);
}
