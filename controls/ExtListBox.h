// SPDX-License-Identifier: MIT
// A list box that draws its rows in colours of its own: framed rows, odd-row colour, selection colours.
#pragma once

#include "components/TCustomListBox.h"

// Every row gets a one-pixel frame in Color. Inside it, the row at ItemIndex is filled with
// LineColorSelected and written in FontSelectedColor; other rows are written in the font's colour,
// odd ones on LineColorOdd and even ones on Color. Drawing an unselected even row hands
// LineColorEven to the list window's own brush, which paints the background outside the rows,
// so that background is the window colour until the first such row has been drawn.
//
// The colour properties are plain stores: a change shows when the rows are next painted. Every
// key press and pointer press in the list repaints all of it, so the row that loses the
// selection is redrawn in its normal colours too.
class TExtListBox : public TCustomListBox {
public:
  explicit TExtListBox(TComponent* owner);
  ~TExtListBox() override;

  TColor LineColorOdd() const { return FLineColorOdd; }
  void SetLineColorOdd(TColor color) { FLineColorOdd = color; }
  TColor LineColorEven() const { return FLineColorEven; }
  void SetLineColorEven(TColor color) { FLineColorEven = color; }
  TColor LineColorSelected() const { return FLineColorSelected; }
  void SetLineColorSelected(TColor color) { FLineColorSelected = color; }
  TColor FontSelectedColor() const { return FFontSelectedColor; }
  void SetFontSelectedColor(TColor color) { FFontSelectedColor = color; }
  // The row frame and the fill of unselected even rows. It is the list's own and hides the
  // control's background colour, which stays the window colour.
  TColor Color() const { return FColor; }
  void SetColor(TColor color) { FColor = color; }

protected:
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;

private:
  TColor FLineColorOdd = clYellow;
  TColor FLineColorEven = clWhite;
  TColor FLineColorSelected = clActiveCaption;
  TColor FFontSelectedColor = clCaptionText;
  TColor FColor = clWhite;
};
