// SPDX-License-Identifier: MIT
// A picture control that cuts its parent window to the picture's outline and drags the window.
#pragma once

#include "components/TPictureControl.h"
#include "graphics/TRegion.h"

// The window outline of a picture: the part of `destRect` (clipped to `clientRect`) where the
// picture, scaled from its natural size into `destRect`, does not have the key colour. The key
// colour is the picture's bottom-left pixel; every pixel of that colour is a hole, also one
// enclosed by the picture. The result is in the same (client) coordinates as the rectangles.
TRegion GetFrgn(const TBitmap& picture, const TRect& clientRect, const TRect& destRect);

// How far a window's client area lies inside its outer rectangle: the side border's width, and
// the caption plus top border (taking the bottom border to be as wide as the side ones). Window
// regions count from the outer corner, so a client-area outline is moved by this much.
TPoint WindowBorderOffset(const TRect& clientRect, const TRect& windowRect);

// The control places and paints its picture like a plain image control (see TPictureControl) and
// gives its parent window the picture's outline: every change of the picture or of Stretch,
// Center, Proportional or Transparent rebuilds the outline from the picture and replaces this
// control's share of the window's region. Moving or resizing the control does not. With AutoSize
// on, an empty picture sizes the control to nothing. While Movable is set, pressing any button on
// the picture and moving the pointer drags the parent window.
//
// Several shaped controls on one window each keep their own share: the process remembers, in
// the environment variable `vexol`, that a first outline was applied; every later one replaces
// only the applying control's previous share in the window's current region.
class TImageShape : public TPictureControl {
public:
  explicit TImageShape(TComponent* owner);
  ~TImageShape() override;

  bool Movable() const { return FMovable; }
  void SetMovable(bool value) { FMovable = value; }

  // A canvas for changing the picture itself. A picture without a graphic first gets a bitmap of
  // the control's size. Throws EInvalidOperation when the picture holds no bitmap to draw on.
  TCanvas& GetCanvas();

  // The share of the window region this control applied last (window coordinates).
  const TRegion& AppliedRegion() const { return FAppliedRegion; }

  static constexpr const char* kEnvMarker = "vexol";

protected:
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void PictureChanged(TObject* sender) override;

private:
  void ApplyWindowShape();

  TPoint FDragAnchor;
  bool FButtonHeld = false;
  bool FMovable = true;
  TRegion FAppliedRegion;
};
