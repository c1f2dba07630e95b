// SPDX-License-Identifier: MIT
// The colour-lined list box: drawing one row, and repainting the whole list on every press.
#include "controls/ExtListBox.h"

TExtListBox::TExtListBox(TComponent* owner) : TCustomListBox(owner) {
  SetStyle(lbOwnerDrawFixed);
  FLineColorOdd = clYellow;
  FLineColorEven = clWhite;
  FLineColorSelected = clActiveCaption;
  FFontSelectedColor = clCaptionText;
  FColor = clWhite;
}

TExtListBox::~TExtListBox() = default;

void TExtListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState /*state*/) {
  TCanvas& canvas = Canvas();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(FColor);
  canvas.FillRect(rect);
  const TRect inner = rect.Inflate(-1, -1);
  // The framework's selection flag is not asked: the row at ItemIndex is the selected one.
  if (index == ItemIndex()) {
    canvas.Brush().SetColor(FLineColorSelected);
    canvas.Font().SetColor(FFontSelectedColor);
  } else {
    canvas.Font().SetColor(Font().Color());
    if (index % 2 != 0)
      canvas.Brush().SetColor(FLineColorOdd);
    else
      Brush().SetColor(FLineColorEven);
  }
  canvas.FillRect(inner);
  canvas.TextOut(inner.Left, inner.Top, Items()[index]);
}

void TExtListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Invalidate();
  TCustomListBox::MouseDown(button, shift, x, y);
}

void TExtListBox::KeyDown(uint16_t& key, TShiftState shift) {
  Invalidate();
  TCustomListBox::KeyDown(key, shift);
}
