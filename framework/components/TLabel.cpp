// SPDX-License-Identifier: MIT
// Labels: text painting and sizing.
#include "components/TLabel.h"

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | csReplicatable);
  SetBounds(Left(), Top(), 65, 17);
  SetParentColor(true);
  SetAutoSize(true);
}

void TLabel::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  AdjustSize();
  Invalidate();
}

void TLabel::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment) return;
  FAlignment = alignment;
  Invalidate();
}

bool TLabel::CanAutoSize(int& newWidth, int& newHeight) {
  newWidth = Font().TextWidth(FCaption);
  newHeight = Font().TextHeight(FCaption.empty() ? std::string(" ") : FCaption);
  return true;
}

void TLabel::Paint() {
  TCanvas& canvas = Canvas();
  const TRect area = ClientRect();
  if (!FTransparent) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(area);
  }
  if (FCaption.empty()) return;
  canvas.Font().Assign(Font());
  canvas.Brush().SetStyle(bsClear);
  const int w = canvas.TextWidth(FCaption);
  int x = 0;
  if (FAlignment == taCenter)
    x = (area.Width() - w) / 2;
  else if (FAlignment == taRightJustify)
    x = area.Width() - w;
  // FIXME: a disabled label is drawn like an enabled one.
  canvas.TextOut(x, 0, FCaption);
  canvas.Brush().SetStyle(bsSolid);
}
