// SPDX-License-Identifier: MIT
// The plain picture control: shows a picture, optionally auto-sized, stretched, centred or see-through.
#pragma once

#include "components/TGraphicControl.h"
#include "graphics/TPicture.h"

// The picture is drawn at the control's top-left corner at its natural size (Stretch: scaled to
// the control; Proportional: scaled down keeping its aspect; Center: centred). Where the control
// is larger than the picture, what lies beneath shows. With Transparent on, the picture's
// transparent colour (its bottom-left pixel) is left unpainted. Every change of the picture (also
// through its bitmap's canvas) repaints the control and, with AutoSize on, resizes it.
class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture& Picture() { return FPicture; }
  const TPicture& Picture() const { return FPicture; }
  // The picture copies `picture`.
  void SetPicture(const TPicture& picture) { FPicture.Assign(picture); }

  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool IncrementalDisplay() const { return FIncrementalDisplay; }
  void SetIncrementalDisplay(bool value) { FIncrementalDisplay = value; }

  // The canvas of the picture's bitmap, for drawing into the picture itself. A picture without a
  // graphic first gets a bitmap of the control's size.
  TCanvas& Canvas();
  // The control's own drawing surface (what Paint uses).
  TCanvas& ControlCanvas() { return TGraphicControl::Canvas(); }

  // Where the picture is drawn, in the control's client coordinates.
  TRect DestRect() const;
  // Also opaque while a picture without a transparent colour fills the whole control.
  bool IsOpaque() const override;

protected:
  void Paint() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  virtual void PictureChanged(TObject* sender);

private:
  TPicture FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
  bool FIncrementalDisplay = false;
  bool FDrawing = false;
};
