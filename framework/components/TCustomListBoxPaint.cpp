// SPDX-License-Identifier: MIT
// The list box's painting: its frame, the rows, the focus rectangle and its own scroll bar.
#include "components/TCustomListBox.h"

#include <algorithm>

#include "components/TForm.h"

void TCustomListBox::PaintList(const TRect& clip) {
  TForm* form = Parent();
  if (!form) return;
  struct TPaintFlag {
    bool& Flag;
    ~TPaintFlag() { Flag = false; }
  } flag{FInPaint};
  FInPaint = true;
  TCanvas& canvas = *FCanvas;
  TCanvasStateSaver saver(canvas);

  // Frame and scroll bar, in control coordinates.
  canvas.SetOrigin({Left(), Top()});
  canvas.SetClipRect(clip.Offset(-Left(), -Top()).Intersect({0, 0, Width(), Height()}));
  if (FBorderStyle == bsSingle) {
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(clWindowFrame);
    canvas.Rectangle({0, 0, Width(), Height()});
  }
  if (FScrollBarVisible) PaintScrollBar();

  // The client area: background, then the visible rows.
  const TPoint offset = ClientOffset();
  const TRect client = ClientRect();
  const TPoint origin{Left() + offset.X, Top() + offset.Y};
  const TRect clientClip = clip.Offset(-origin.X, -origin.Y).Intersect(client);
  if (clientClip.IsEmpty()) return;
  canvas.SetOrigin(origin);
  canvas.SetClipRect(clientClip);
  canvas.Pen().SetStyle(psSolid);
  canvas.Brush() = FBrush;
  canvas.FillRect(client);

  const bool focused = Focused();
  const int n = int(FItems.size());
  if (n == 0) {
    if (focused) {
      const TRect r{0, 0, client.Width(), FItemHeight};
      canvas.Brush() = FBrush;
      canvas.FillRect(r);
      DrawFocusRect(r);
    }
    return;
  }
  const int visibleRows = (client.Height() + FItemHeight - 1) / std::max(1, FItemHeight);
  const int last = std::min(n, FTopIndex + visibleRows);
  for (int i = FTopIndex; i < last; ++i) {
    const TRect r = ItemRect(i);
    const TRect rowClip = r.Intersect(clientClip);
    if (rowClip.IsEmpty()) continue;
    TOwnerDrawState state = 0;
    if (i == FItemIndex) state |= odSelected;
    if (focused && i == FCaretIndex) state |= odFocused;
    if (!Enabled()) state |= odDisabled;
    canvas.SetClipRect(rowClip);
    canvas.Font().Assign(Font());
    canvas.Brush() = FBrush;
    if (state & odSelected) {
      canvas.Brush().SetColor(clHighlight);
      canvas.Font().SetColor(clHighlightText);
    }
    DrawItem(i, r, state);
    if (state & odFocused) {
      canvas.SetClipRect(rowClip);
      DrawFocusRect(r);
    }
  }
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (FStyle != lbStandard && OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  TCanvas& canvas = Canvas();
  canvas.FillRect(rect);
  if (index >= 0 && index < int(FItems.size())) canvas.TextOut(rect.Left + 2, rect.Top, FItems[size_t(index)]);
}

void TCustomListBox::DrawFocusRect(const TRect& rect) {
  // A dotted frame that inverts what is beneath it, every other pixel.
  TCanvas& canvas = *FCanvas;
  auto invert = [&](int x, int y) {
    if (((x + y) & 1) != 0) return;
    const TColor c = canvas.Pixel(x, y);
    if (c != clInvalid) canvas.SetPixel(x, y, c ^ 0xFFFFFF);
  };
  for (int x = rect.Left; x < rect.Right; ++x) {
    invert(x, rect.Top);
    if (rect.Bottom - 1 > rect.Top) invert(x, rect.Bottom - 1);
  }
  for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
    invert(rect.Left, y);
    if (rect.Right - 1 > rect.Left) invert(rect.Right - 1, y);
  }
}

void TCustomListBox::PaintScrollBar() {
  TCanvas& canvas = *FCanvas;  // control coordinates
  const TRect bar = ScrollBarRect();
  canvas.Pen().SetStyle(psClear);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(clScrollBar);
  canvas.FillRect(bar);
  const int arrow = std::min(kScrollBarWidth, bar.Height() / 2);
  const TRect up{bar.Left, bar.Top, bar.Right, bar.Top + arrow};
  const TRect down{bar.Left, bar.Bottom - arrow, bar.Right, bar.Bottom};
  canvas.Brush().SetColor(clBtnFace);
  canvas.FillRect(up);
  canvas.FillRect(down);
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetColor(clBtnText);
  const int cx = bar.Left + kScrollBarWidth / 2;
  for (int k = 0; k < 4; ++k) {
    const int yu = up.Top + arrow / 2 - 2 + k;
    const int yd = down.Top + arrow / 2 + 1 - k;
    canvas.MoveTo(cx - k, yu);
    canvas.LineTo(cx + k + 1, yu);
    canvas.MoveTo(cx - k, yd);
    canvas.LineTo(cx + k + 1, yd);
  }
  const int track = bar.Height() - 2 * arrow;
  const int n = int(FItems.size());
  if (track > 4 && n > 0) {
    const int thumbHeight = std::max(8, track * std::min(n, FullRows()) / n);
    const int range = std::max(1, MaxTopIndex());
    const int thumbTop = up.Bottom + (track - thumbHeight) * FTopIndex / range;
    canvas.Brush().SetColor(clBtnFace);
    canvas.Pen().SetColor(clBtnShadow);
    canvas.Rectangle({bar.Left, thumbTop, bar.Right, thumbTop + thumbHeight});
  }
}
