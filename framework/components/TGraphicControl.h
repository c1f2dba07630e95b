// SPDX-License-Identifier: MIT
// A windowless control: paints on its parent form's frame buffer and gets input through the form.
#pragma once

#include <memory>

#include "components/TControl.h"
#include "graphics/TBitmap.h"
#include "graphics/TCanvas.h"

// Subclasses override Paint() and draw on Canvas(). The canvas works in the control's own
// coordinates and is clipped to the control (and, while the form paints, to the area being
// painted). Drawing on it outside Paint() goes straight to the window: the form presents that
// area at the end of the current turn of the message loop, without painting anything else.
class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;

  void SetParent(TForm* parent) override;

  // The drawing surface of the control, set up for the control's current place.
  TCanvas& Canvas();

protected:
  void Paint() override;
  // True when `picture`, drawn at `dest` (client coordinates), fills the whole control with no
  // see-through colour: what lies beneath the control then never shows.
  bool PictureCovers(const TBitmap* picture, const TRect& dest) const;

private:
  TBitmap FDetached;  // what the canvas draws on while the control has no parent
  std::unique_ptr<TCanvas> FCanvas;
};
