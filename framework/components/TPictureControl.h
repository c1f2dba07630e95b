// SPDX-License-Identifier: MIT
// What every control showing one picture shares: the picture, where it goes, and what a change of it does.
#pragma once

#include "components/TGraphicControl.h"
#include "graphics/TPicture.h"

// The picture is drawn at the control's top-left corner at its natural size (Stretch: scaled to
// the control; Proportional: scaled down, keeping its aspect, when it is larger than the control;
// Center: centred). Where the control is larger than the picture, what lies beneath shows. With
// Transparent on, the picture's transparent colour (its bottom-left pixel) is left unpainted.
//
// Every change of the picture (also through its bitmap's canvas) and every change of the four
// drawing flags runs PictureChanged: with AutoSize on the control takes the picture's size, the
// picture takes the Transparent flag, and the control is repainted. Setting a flag to the value it
// has does nothing.
class TPictureControl : public TGraphicControl {
public:
  explicit TPictureControl(TComponent* owner);
  ~TPictureControl() override;

  TPicture& Picture() { return FPicture; }
  const TPicture& Picture() const { return FPicture; }
  // The picture copies `picture`; the copy reports the change.
  void SetPicture(const TPicture& picture) { FPicture.Assign(picture); }

  bool Stretch() const { return FStretch; }
  void SetStretch(bool value) { SetFlag(FStretch, value); }
  bool Center() const { return FCenter; }
  void SetCenter(bool value) { SetFlag(FCenter, value); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool value) { SetFlag(FProportional, value); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value) { SetFlag(FTransparent, value); }

  // The control's own drawing surface (what Paint uses).
  TCanvas& ControlCanvas() { return TGraphicControl::Canvas(); }

  // Where the picture is drawn, in the control's client coordinates.
  TRect DestRect() const;
  // Also opaque while a picture without a transparent colour fills the whole control.
  bool IsOpaque() const override;

protected:
  // With a picture that has a size, proposes it along the sides Align leaves free.
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  // Proposes the picture's size, also an empty picture's 0, along the sides Align leaves free.
  void ProposePictureSize(int& newWidth, int& newHeight) const;
  // The picture's change event.
  virtual void PictureChanged(TObject* sender);

  // Held while the control draws its picture: drawing may report a change of the picture, which
  // then must not ask for the paint that is running already.
  class TDrawingPicture {
  public:
    explicit TDrawingPicture(TPictureControl& control) : FControl(control), FSaved(control.FDrawing) {
      control.FDrawing = true;
    }
    ~TDrawingPicture() { FControl.FDrawing = FSaved; }
    TDrawingPicture(const TDrawingPicture&) = delete;
    TDrawingPicture& operator=(const TDrawingPicture&) = delete;

  private:
    TPictureControl& FControl;
    bool FSaved;
  };

private:
  void SetFlag(bool& flag, bool value);

  TPicture FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
  bool FDrawing = false;
};
