// SPDX-License-Identifier: MIT
// Windowless controls: the canvas on the parent's frame buffer.
#include "components/TGraphicControl.h"

#include "components/TForm.h"

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {
  FCanvas = std::make_unique<TCanvas>(FDetached);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::SetParent(TForm* parent) {
  // Keep the canvas's tools (brush, pen, font) across the move to another surface.
  TBrush brush = FCanvas->Brush();
  TPen pen = FCanvas->Pen();
  TFont font = FCanvas->Font();
  FCanvas = std::make_unique<TCanvas>(parent ? parent->FrameBuffer() : FDetached);
  FCanvas->Brush() = brush;
  FCanvas->Pen() = pen;
  FCanvas->Font().Assign(font);
  TControl::SetParent(parent);
}

TCanvas& TGraphicControl::Canvas() {
  TForm* form = Parent();
  if (!form) return *FCanvas;
  const TRect bounds = BoundsRect();
  // A hidden control leaves no trace, even if it draws.
  const TRect clip = Visible() ? bounds.Intersect(form->PaintClip()) : TRect{};
  FCanvas->SetOrigin({Left(), Top()});
  FCanvas->SetClipRect(clip.IsEmpty() ? TRect{0, 0, 0, 0} : clip.Offset(-Left(), -Top()));
  // Drawing outside the form's painting goes straight to the window, so it must be shown.
  if (!form->IsPainting() && Visible()) form->MarkForPresent(clip);
  return *FCanvas;
}

void TGraphicControl::Paint() {}

bool TGraphicControl::PictureCovers(const TBitmap* picture, const TRect& dest) const {
  return picture && !picture->Empty() && !picture->Transparent() && dest.Intersect(ClientRect()) == ClientRect();
}
