// SPDX-License-Identifier: MIT
// The list box: its messages, keyboard and mouse selection, scrolling and painting.
#include "components/TCustomListBox.h"

#include <algorithm>

#include "components/Exception.h"
#include "components/TForm.h"

namespace {
constexpr int kWheelRows = 3;  // rows scrolled per wheel notch

// The list's own messages change state; the const getters still send them, so that a hook sees
// every question asked of the list too.
intptr_t Ask(const TCustomListBox* list, uint32_t msg, uintptr_t w = 0, intptr_t l = 0) {
  return const_cast<TCustomListBox*>(list)->Perform(msg, w, l);
}
}  // namespace

TCustomListBox::TCustomListBox(TComponent* owner) : TControl(owner), FItemsApi(*this) {
  // The list tracks the pointer itself, and its clicks are selection changes, not plain clicks.
  SetControlStyle(csDoubleClicks | csOpaque);
  FCanvas = std::make_unique<TCanvas>(FDetached);
  FBrush.SetColor(clWindow);
  SetColor(clWindow);
  SetBounds(Left(), Top(), 121, 97);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::SetParent(TForm* parent) {
  FCanvas = std::make_unique<TCanvas>(parent ? parent->FrameBuffer() : FDetached);
  TControl::SetParent(parent);
}

// --- Properties as messages ---------------------------------------------------------------

int TCustomListBox::Count() const { return int(Ask(this, LB_GETCOUNT)); }

int TCustomListBox::ItemIndex() const { return int(Ask(this, LB_GETCURSEL)); }

void TCustomListBox::SetItemIndex(int index) {
  if (ItemIndex() != index) Perform(LB_SETCURSEL, uintptr_t(intptr_t(index)));
}

int TCustomListBox::ItemHeight() const { return int(Ask(this, LB_GETITEMHEIGHT)); }

void TCustomListBox::SetItemHeight(int height) {
  if (height > 0) Perform(LB_SETITEMHEIGHT, 0, height);
}

int TCustomListBox::TopIndex() const { return int(Ask(this, LB_GETTOPINDEX)); }

void TCustomListBox::SetTopIndex(int index) { Perform(LB_SETTOPINDEX, uintptr_t(intptr_t(index))); }

bool TCustomListBox::Selected(int index) const {
  const intptr_t r = Ask(this, LB_GETSEL, uintptr_t(intptr_t(index)));
  if (r == LB_ERR) throw EListError::IndexOutOfBounds(index);
  return r != 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
  if (value)
    SetItemIndex(index);
  else if (ItemIndex() == index)
    SetItemIndex(-1);
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Invalidate();
}

void TCustomListBox::SetBorderStyle(TBorderStyle style) {
  if (style != bsNone) style = bsSingle;
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  Perform(WM_SIZE, 0, MakeLParam(Width(), Height()));
  Invalidate();
}

void TCustomListBox::ColorChanged() {
  FBrush.SetColor(Color());
  Invalidate();
}

TCanvas& TCustomListBox::Canvas() {
  if (FInPaint) return *FCanvas;
  const TPoint offset = ClientOffset();
  FCanvas->SetOrigin({Left() + offset.X, Top() + offset.Y});
  TRect clip = ClientRect();
  if (TForm* form = Parent()) {
    const TRect inForm = clip.Offset(Left() + offset.X, Top() + offset.Y).Intersect(form->PaintClip());
    clip = Visible() ? inForm.Offset(-Left() - offset.X, -Top() - offset.Y) : TRect{};
    if (!form->IsPainting() && Visible()) form->MarkForPresent(inForm);
  }
  FCanvas->SetClipRect(clip);
  return *FCanvas;
}

// --- Geometry -----------------------------------------------------------------------------

TPoint TCustomListBox::ClientOffset() const {
  const int b = FBorderStyle == bsSingle ? 1 : 0;
  return {b, b};
}

TRect TCustomListBox::ClientRect() const {
  const int b = FBorderStyle == bsSingle ? 1 : 0;
  int w = Width() - 2 * b - (FScrollBarVisible ? kScrollBarWidth : 0);
  int h = Height() - 2 * b;
  return {0, 0, std::max(w, 0), std::max(h, 0)};
}

TRect TCustomListBox::ScrollBarRect() const {
  const TPoint o = ClientOffset();
  const TRect c = ClientRect();
  return {o.X + c.Right, o.Y, o.X + c.Right + kScrollBarWidth, o.Y + c.Bottom};
}

int TCustomListBox::FullRows() const { return std::max(1, ClientRect().Height() / std::max(1, FItemHeight)); }

int TCustomListBox::MaxTopIndex() const { return std::max(0, int(FItems.size()) - FullRows()); }

TRect TCustomListBox::ItemRect(int index) const {
  const int y = (index - FTopIndex) * FItemHeight;
  return {0, y, ClientRect().Width(), y + FItemHeight};
}

int TCustomListBox::ItemAtPos(TPoint p, bool existing) const {
  const TRect c = ClientRect();
  if (!c.Contains(p)) return existing ? -1 : int(FItems.size());
  const int index = FTopIndex + p.Y / std::max(1, FItemHeight);
  if (index < int(FItems.size())) return index;
  return existing ? -1 : int(FItems.size());
}

// --- Scrolling ----------------------------------------------------------------------------

void TCustomListBox::UpdateScrollBar() {
  const bool needed = int(FItems.size()) > std::max(1, (Height() - 2 * ClientOffset().Y) / std::max(1, FItemHeight));
  if (needed != FScrollBarVisible) {
    FScrollBarVisible = needed;
    Invalidate();
  }
}

void TCustomListBox::ShowScrollBar(TScrollBarKind kind, bool show) {
  if (kind == sbHorizontal) return;  // lines never need more than the list's width
  if (show == FScrollBarVisible) return;
  FScrollBarVisible = show;
  ScrollTo(FTopIndex);
  Invalidate();
}

void TCustomListBox::ScrollTo(int top) {
  top = std::clamp(top, 0, MaxTopIndex());
  if (top == FTopIndex) return;
  FTopIndex = top;
  Invalidate();
}

void TCustomListBox::MakeVisible(int index) {
  if (index < 0 || index >= int(FItems.size())) return;
  if (index < FTopIndex)
    ScrollTo(index);
  else if (index >= FTopIndex + FullRows())
    ScrollTo(index - FullRows() + 1);
}

void TCustomListBox::ItemsChanged() {
  UpdateScrollBar();
  FTopIndex = std::clamp(FTopIndex, 0, MaxTopIndex());
  FCaretIndex = std::clamp(FCaretIndex, 0, std::max(0, int(FItems.size()) - 1));
  Invalidate();
}

void TCustomListBox::UserSelect(int index) {
  if (index < 0 || index >= int(FItems.size())) return;
  const bool changed = index != FItemIndex;
  FItemIndex = index;
  FCaretIndex = index;
  MakeVisible(index);
  Invalidate();
  if (changed) Click();
}

void TCustomListBox::Navigate(uint16_t key) {
  const int n = int(FItems.size());
  if (n == 0) return;
  const int current = FItemIndex >= 0 ? FItemIndex : FCaretIndex;
  const int page = std::max(1, FullRows() - 1);
  int target;
  switch (key) {
    case vk::Up: target = FItemIndex >= 0 ? current - 1 : current; break;
    case vk::Down: target = FItemIndex >= 0 ? current + 1 : current; break;
    case vk::Prior: target = current - page; break;
    case vk::Next: target = current + page; break;
    case vk::Home: target = 0; break;
    case vk::End: target = n - 1; break;
    default: return;
  }
  UserSelect(std::clamp(target, 0, n - 1));
}

bool TCustomListBox::ScrollBarHit(int x, int y) {
  if (!FScrollBarVisible) return false;
  const TRect c = ClientRect();
  if (x < c.Right || x >= c.Right + kScrollBarWidth || y < 0 || y >= c.Bottom) return false;
  const int arrow = std::min(kScrollBarWidth, c.Height() / 2);
  if (y < arrow) {
    Perform(WM_VSCROLL, SB_LINEUP);
  } else if (y >= c.Bottom - arrow) {
    Perform(WM_VSCROLL, SB_LINEDOWN);
  } else {
    // FIXME: the thumb cannot be dragged; a press above or below it pages.
    const int track = c.Height() - 2 * arrow;
    const int n = std::max(1, int(FItems.size()));
    const int thumbTop = arrow + track * FTopIndex / n;
    Perform(WM_VSCROLL, y < thumbTop ? SB_PAGEUP : SB_PAGEDOWN);
  }
  return true;
}

// --- Messages -----------------------------------------------------------------------------

void TCustomListBox::WndProc(TMessage& m) {
  const int n = int(FItems.size());
  switch (m.Msg) {
    case LB_ADDSTRING:
      FItems.push_back(*reinterpret_cast<const std::string*>(m.LParam));
      m.Result = n;
      ItemsChanged();
      return;
    case LB_INSERTSTRING: {
      int index = int(intptr_t(m.WParam));
      if (index == -1) index = n;
      if (index < 0 || index > n) {
        m.Result = LB_ERR;
        return;
      }
      FItems.insert(FItems.begin() + index, *reinterpret_cast<const std::string*>(m.LParam));
      if (FItemIndex >= index) ++FItemIndex;
      m.Result = index;
      ItemsChanged();
      return;
    }
    case LB_DELETESTRING: {
      const int index = int(intptr_t(m.WParam));
      if (index < 0 || index >= n) {
        m.Result = LB_ERR;
        return;
      }
      FItems.erase(FItems.begin() + index);
      if (FItemIndex == index)
        FItemIndex = -1;
      else if (FItemIndex > index)
        --FItemIndex;
      m.Result = n - 1;
      ItemsChanged();
      return;
    }
    case LB_RESETCONTENT:
      FItems.clear();
      FItemIndex = -1;
      FCaretIndex = 0;
      FTopIndex = 0;
      ItemsChanged();
      return;
    case LB_GETCOUNT: m.Result = n; return;
    case LB_GETTEXT: {
      const int index = int(intptr_t(m.WParam));
      if (index < 0 || index >= n) {
        m.Result = LB_ERR;
        return;
      }
      *reinterpret_cast<std::string*>(m.LParam) = FItems[size_t(index)];
      m.Result = intptr_t(FItems[size_t(index)].size());
      return;
    }
    case LB_SETCURSEL: {
      const int index = int(intptr_t(m.WParam));
      Invalidate();
      if (index < 0 || index >= n) {
        // Also what an empty list answers: nothing selected, no harm done.
        FItemIndex = -1;
        m.Result = LB_ERR;
        return;
      }
      FItemIndex = index;
      FCaretIndex = index;
      MakeVisible(index);
      m.Result = index;
      return;
    }
    case LB_GETCURSEL: m.Result = FItemIndex; return;
    case LB_SETSEL:
      m.Result = LB_ERR;  // a single-selection list selects through LB_SETCURSEL only
      return;
    case LB_GETSEL: {
      const int index = int(intptr_t(m.WParam));
      m.Result = index < 0 || index >= n ? LB_ERR : (index == FItemIndex ? 1 : 0);
      return;
    }
    case LB_GETTOPINDEX: m.Result = FTopIndex; return;
    case LB_SETTOPINDEX: {
      const int index = int(intptr_t(m.WParam));
      if (index < 0 || (index >= n && n > 0)) {
        m.Result = LB_ERR;
        return;
      }
      ScrollTo(index);
      m.Result = 0;
      return;
    }
    case LB_GETITEMHEIGHT: m.Result = FItemHeight; return;
    case LB_SETITEMHEIGHT:
      if (m.LParam <= 0 || m.LParam > 255) {
        m.Result = LB_ERR;
        return;
      }
      FItemHeight = int(m.LParam);
      ItemsChanged();
      m.Result = 0;
      return;
    case WM_SIZE: ItemsChanged(); break;
    case WM_VSCROLL:
      switch (m.WParam) {
        case SB_LINEUP: ScrollTo(FTopIndex - 1); break;
        case SB_LINEDOWN: ScrollTo(FTopIndex + 1); break;
        case SB_PAGEUP: ScrollTo(FTopIndex - FullRows()); break;
        case SB_PAGEDOWN: ScrollTo(FTopIndex + FullRows()); break;
        default: break;
      }
      return;
    case WM_PAINT: PaintList(*reinterpret_cast<const TRect*>(m.LParam)); return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case WM_KEYDOWN:
      // The key events run first; a handler can swallow the key by setting it to 0.
      TControl::WndProc(m);
      if (m.WParam != 0) Navigate(uint16_t(m.WParam));
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int x = LParamX(m.LParam), y = LParamY(m.LParam);
      SetFocus();
      if (ScrollBarHit(x, y)) return;
      FTracking = true;
      SetMouseCapture(true);
      UserSelect(ItemAtPos({x, y}, true));
      if (m.Msg == WM_LBUTTONDBLCLK) DblClick();
      // The pointer events follow, with the double-click flag for the second press.
      const TShiftState shift = TShiftState::FromBits(uint8_t(m.WParam));
      MouseDown(TMouseButton::mbLeft, m.Msg == WM_LBUTTONDBLCLK ? shift | ssDouble : shift, x, y);
      return;
    }
    case WM_MOUSEMOVE:
      if (FTracking && n > 0) {
        const int y = LParamY(m.LParam);
        const int ch = ClientRect().Height();
        if (y < 0)
          UserSelect(std::max(0, FTopIndex - 1));
        else if (y >= ch)
          UserSelect(std::min(n - 1, FTopIndex + FullRows()));
        else {
          const int index = FTopIndex + y / std::max(1, FItemHeight);
          if (index < n) UserSelect(index);
        }
      }
      break;
    case WM_LBUTTONUP:
      if (FTracking) {
        FTracking = false;
        SetMouseCapture(false);
      }
      break;
    case WM_MOUSEWHEEL: {
      const int notches = WheelDelta(m.WParam) / 120;
      ScrollTo(FTopIndex - notches * kWheelRows);
      m.Result = 1;
      return;
    }
    default: break;
  }
  TControl::WndProc(m);
}

// --- Painting -----------------------------------------------------------------------------

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
