// SPDX-License-Identifier: MIT
// The list box: its messages, keyboard and mouse selection, scrolling and painting.
#include "components/TCustomListBox.h"

#include <algorithm>

#include "components/Exception.h"
#include "components/TForm.h"

namespace {
constexpr int kWheelRows = 3;     // rows scrolled per wheel notch
constexpr int kWheelNotch = 120;  // the wheel delta of one notch

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
  if (ItemIndex() != index) Perform(LB_SETCURSEL, PackIndex(index));
}

int TCustomListBox::ItemHeight() const { return int(Ask(this, LB_GETITEMHEIGHT)); }

void TCustomListBox::SetItemHeight(int height) {
  if (height > 0) Perform(LB_SETITEMHEIGHT, 0, height);
}

int TCustomListBox::TopIndex() const { return int(Ask(this, LB_GETTOPINDEX)); }

void TCustomListBox::SetTopIndex(int index) { Perform(LB_SETTOPINDEX, PackIndex(index)); }

bool TCustomListBox::Selected(int index) const {
  const intptr_t r = Ask(this, LB_GETSEL, PackIndex(index));
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
  // Each step answers the messages of its concern. It returns true when the message is fully
  // handled, and false when the control's common handling (events, capture) follows.
  if (LineMessage(m) || SelectionMessage(m) || ViewMessage(m) || InputMessage(m)) return;
  TControl::WndProc(m);
}

bool TCustomListBox::LineMessage(TMessage& m) {
  switch (m.Msg) {
    case LB_ADDSTRING:
      FItems.push_back(UnpackLine(m));
      m.Result = intptr_t(FItems.size()) - 1;
      ItemsChanged();
      return true;
    case LB_INSERTSTRING: InsertLine(m); return true;
    case LB_DELETESTRING: DeleteLine(m); return true;
    case LB_RESETCONTENT:
      FItems.clear();
      FItemIndex = -1;
      FCaretIndex = 0;
      FTopIndex = 0;
      ItemsChanged();
      return true;
    case LB_GETCOUNT: m.Result = intptr_t(FItems.size()); return true;
    case LB_GETTEXT: {
      const int index = UnpackIndex(m.WParam);
      if (!IsLine(index)) {
        m.Result = LB_ERR;
        return true;
      }
      UnpackLineBuffer(m) = FItems[size_t(index)];
      m.Result = intptr_t(FItems[size_t(index)].size());
      return true;
    }
    default: return false;
  }
}

void TCustomListBox::InsertLine(TMessage& m) {
  const int n = int(FItems.size());
  int index = UnpackIndex(m.WParam);
  if (index == -1) index = n;
  if (index < 0 || index > n) {
    m.Result = LB_ERR;
    return;
  }
  FItems.insert(FItems.begin() + index, UnpackLine(m));
  if (FItemIndex >= index) ++FItemIndex;
  m.Result = index;
  ItemsChanged();
}

void TCustomListBox::DeleteLine(TMessage& m) {
  const int index = UnpackIndex(m.WParam);
  if (!IsLine(index)) {
    m.Result = LB_ERR;
    return;
  }
  FItems.erase(FItems.begin() + index);
  if (FItemIndex == index)
    FItemIndex = -1;
  else if (FItemIndex > index)
    --FItemIndex;
  m.Result = intptr_t(FItems.size());
  ItemsChanged();
}

bool TCustomListBox::SelectionMessage(TMessage& m) {
  switch (m.Msg) {
    case LB_SETCURSEL: {
      const int index = UnpackIndex(m.WParam);
      Invalidate();
      if (!IsLine(index)) {
        // Also what an empty list answers: nothing selected, no harm done.
        FItemIndex = -1;
        m.Result = LB_ERR;
        return true;
      }
      FItemIndex = index;
      FCaretIndex = index;
      MakeVisible(index);
      m.Result = index;
      return true;
    }
    case LB_GETCURSEL: m.Result = FItemIndex; return true;
    case LB_SETSEL:
      m.Result = LB_ERR;  // a single-selection list selects through LB_SETCURSEL only
      return true;
    case LB_GETSEL: {
      const int index = UnpackIndex(m.WParam);
      m.Result = !IsLine(index) ? LB_ERR : (index == FItemIndex ? 1 : 0);
      return true;
    }
    default: return false;
  }
}

bool TCustomListBox::ViewMessage(TMessage& m) {
  switch (m.Msg) {
    case LB_GETTOPINDEX: m.Result = FTopIndex; return true;
    case LB_SETTOPINDEX: {
      const int index = UnpackIndex(m.WParam);
      // An empty list accepts any top line from 0 on; there is nothing to scroll.
      if (index < 0 || (!IsLine(index) && !FItems.empty())) {
        m.Result = LB_ERR;
        return true;
      }
      ScrollTo(index);
      m.Result = 0;
      return true;
    }
    case LB_GETITEMHEIGHT: m.Result = FItemHeight; return true;
    case LB_SETITEMHEIGHT:
      if (m.LParam <= 0 || m.LParam > 255) {
        m.Result = LB_ERR;
        return true;
      }
      FItemHeight = int(m.LParam);
      ItemsChanged();
      m.Result = 0;
      return true;
    case WM_SIZE: ItemsChanged(); return false;
    case WM_VSCROLL: ScrollBy(m.WParam); return true;
    case WM_PAINT: PaintList(UnpackPaintArea(m)); return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); return false;
    default: return false;
  }
}

void TCustomListBox::ScrollBy(uintptr_t code) {
  switch (code) {
    case SB_LINEUP: ScrollTo(FTopIndex - 1); break;
    case SB_LINEDOWN: ScrollTo(FTopIndex + 1); break;
    case SB_PAGEUP: ScrollTo(FTopIndex - FullRows()); break;
    case SB_PAGEDOWN: ScrollTo(FTopIndex + FullRows()); break;
    default: break;
  }
}

bool TCustomListBox::InputMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
      // The key events run first; a handler can swallow the key by setting it to 0.
      TControl::WndProc(m);
      if (m.WParam != 0) Navigate(uint16_t(m.WParam));
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: PressLeft(m); return true;
    case WM_MOUSEMOVE:
      if (FTracking) TrackPointer(LParamY(m.LParam));
      return false;
    case WM_LBUTTONUP:
      if (FTracking) {
        FTracking = false;
        SetMouseCapture(false);
      }
      return false;
    case WM_MOUSEWHEEL:
      ScrollTo(FTopIndex - WheelDelta(m.WParam) / kWheelNotch * kWheelRows);
      m.Result = 1;
      return true;
    default: return false;
  }
}

void TCustomListBox::PressLeft(TMessage& m) {
  const int x = LParamX(m.LParam), y = LParamY(m.LParam);
  SetFocus();
  if (ScrollBarHit(x, y)) return;
  FTracking = true;
  SetMouseCapture(true);
  UserSelect(ItemAtPos({x, y}, true));
  const bool doubleClick = m.Msg == WM_LBUTTONDBLCLK;
  if (doubleClick) DblClick();
  // The pointer events follow, with the double-click flag for the second press.
  const TShiftState shift = TShiftState::FromBits(uint8_t(m.WParam));
  MouseDown(TMouseButton::mbLeft, doubleClick ? shift | ssDouble : shift, x, y);
}

void TCustomListBox::TrackPointer(int y) {
  // Dragging with the button held selects the row under the pointer; above or below the list, the
  // row next to the shown ones, one row per move.
  const int n = int(FItems.size());
  if (n == 0) return;
  if (y < 0)
    UserSelect(std::max(0, FTopIndex - 1));
  else if (y >= ClientRect().Height())
    UserSelect(std::min(n - 1, FTopIndex + FullRows()));
  else if (const int index = FTopIndex + y / std::max(1, FItemHeight); index < n)
    UserSelect(index);
}
