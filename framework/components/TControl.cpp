// SPDX-License-Identifier: MIT
// Controls: bounds, visibility, fonts and the default message handler.
#include "components/TControl.h"

#include <algorithm>

#include "components/TApplication.h"
#include "components/TForm.h"

TControl::TControl(TComponent* owner) : TComponent(owner) {
  FWindowProc = [this](TMessage& m) { WndProc(m); };
  FFont.OnChange = [this](TObject*) {
    if (!FSyncingFont) FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TForm* parent) {
  if (parent == FParent) return;
  if (FParent) {
    Invalidate();
    FParent->RemoveControl(this);
  }
  FParent = parent;
  if (FParent) {
    FParent->AddControl(this);
    if (FParentFont) ParentFontChanged();
    if (FParentColor) ParentColorChanged();
    Invalidate();
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  const bool resized = width != FWidth || height != FHeight;
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
  if (resized) {
    Perform(WM_SIZE, 0, MakeLParam(width, height));
    Resize();
  }
}

TPoint TControl::ClientToScreen(TPoint p) const {
  if (const auto* form = dynamic_cast<const TForm*>(this)) return {p.X + form->Left(), p.Y + form->Top()};
  if (!FParent) return {p.X + FLeft, p.Y + FTop};
  const TPoint c = ClientOffset();
  return FParent->ClientToScreen({p.X + FLeft + c.X, p.Y + FTop + c.Y});
}

TPoint TControl::ScreenToClient(TPoint p) const {
  const TPoint origin = ClientToScreen({0, 0});
  return {p.X - origin.X, p.Y - origin.Y};
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  if (!visible) Invalidate();
  FVisible = visible;
  if (visible) Invalidate();
  if (!visible && FParent) {
    if (FParent->CaptureControl() == this) FParent->SetCaptureControl(nullptr);
  }
  VisibleChanged();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  if (!enabled && FParent && FParent->CaptureControl() == this) FParent->SetCaptureControl(nullptr);
  EnabledChanged();
}

void TControl::SetCursor(TCursor cursor) { FCursor = cursor; }

void TControl::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  if (value) AdjustSize();
}

void TControl::AdjustSize() {
  if (!FAutoSize) return;
  int w = FWidth, h = FHeight;
  if (CanAutoSize(w, h)) SetBounds(FLeft, FTop, w, h);
}

bool TControl::CanAutoSize(int& /*newWidth*/, int& /*newHeight*/) { return false; }

void TControl::SetColor(TColor color) {
  FParentColor = false;
  if (color == FColor) return;
  FColor = color;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent) return;
  if (FColor != FParent->Color()) {
    FColor = FParent->Color();
    ColorChanged();
  }
}

void TControl::SetParentFont(bool value) {
  if (value == FParentFont) return;
  FParentFont = value;
  if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FSyncingFont = true;
  FFont.Assign(FParent->Font());
  FSyncingFont = false;
}

void TControl::FontChanged() {
  AdjustSize();
  Invalidate();
}

void TControl::Invalidate() {
  if (FParent && FVisible) FParent->InvalidateRect(BoundsRect());
}

void TControl::Repaint() {
  if (!FParent || !FVisible) return;
  if (IsOpaque()) {
    FParent->PaintOpaque(this);
  } else {
    Invalidate();
    FParent->Update();
  }
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::SetWindowProc(TWndMethod proc) {
  if (!proc) proc = [this](TMessage& m) { WndProc(m); };
  FWindowProc = std::move(proc);
}

intptr_t TControl::Perform(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  TMessage m{msg, wparam, lparam, 0};
  FWindowProc(m);
  return m.Result;
}

bool TControl::MouseCapture() const {
  const TForm* form = FParent ? FParent : dynamic_cast<const TForm*>(this);
  return form && form->CaptureControl() == this;
}

void TControl::SetMouseCapture(bool capture) {
  TForm* form = FParent ? FParent : dynamic_cast<TForm*>(this);
  if (!form) return;
  if (capture)
    form->SetCaptureControl(this);
  else if (form->CaptureControl() == this)
    form->SetCaptureControl(nullptr);
}

bool TControl::Focused() const { return FParent && FParent->ActiveControl() == this && FParent->Active(); }

void TControl::SetFocus() {
  if (FParent && CanFocus()) FParent->SetActiveControl(this);
}

namespace {
TMouseButton ButtonOf(uint32_t msg) {
  switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: return TMouseButton::mbRight;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
  }
}
}  // namespace

void TControl::WndProc(TMessage& m) {
  const int x = LParamX(m.LParam), y = LParamY(m.LParam);
  const TShiftState shift = TShiftState::FromBits(uint8_t(m.WParam & 0xFF));
  switch (m.Msg) {
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const TMouseButton b = ButtonOf(m.Msg);
      if (b == TMouseButton::mbLeft) {
        if (HasStyle(csCaptureMouse)) SetMouseCapture(true);
        if (HasStyle(csClickEvents)) FClicked = true;
      }
      MouseDown(b, shift, x, y);
      break;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      const TMouseButton b = ButtonOf(m.Msg);
      if (!HasStyle(csDoubleClicks)) {
        // Without double-click support the second press is an ordinary press.
        const uint32_t down = m.Msg - 1;
        TMessage plain{down, uintptr_t(shift.Without(ssDouble).Bits()), m.LParam, 0};
        WndProc(plain);
        break;
      }
      if (b == TMouseButton::mbLeft) {
        if (HasStyle(csCaptureMouse)) SetMouseCapture(true);
        if (HasStyle(csClickEvents)) DblClick();
      }
      MouseDown(b, shift | ssDouble, x, y);
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton b = ButtonOf(m.Msg);
      if (b == TMouseButton::mbLeft) {
        if (HasStyle(csCaptureMouse)) SetMouseCapture(false);
        if (FClicked) {
          FClicked = false;
          if (TRect{0, 0, FWidth, FHeight}.Contains(x, y)) Click();
        }
      }
      MouseUp(b, shift, x, y);
      break;
    }
    case WM_MOUSEWHEEL: m.Result = MouseWheel(shift, WheelDelta(m.WParam), x, y) ? 1 : 0; break;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      uint16_t key = uint16_t(m.WParam);
      const TShiftState ks = TShiftState::FromBits(uint8_t(m.LParam & 0xFF));
      if (m.Msg == WM_KEYDOWN)
        KeyDown(key, ks);
      else
        KeyUp(key, ks);
      m.WParam = key;  // a handler may swallow the key by setting it to 0
      break;
    }
    case WM_CHAR: {
      char c = char(m.WParam);
      KeyPress(c);
      m.WParam = uint8_t(c);
      break;
    }
    case WM_PAINT: Paint(); break;
    case WM_SETFOCUS: FocusChanged(true); break;
    case WM_KILLFOCUS: FocusChanged(false); break;
    default: break;
  }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

bool TControl::MouseWheel(TShiftState, int, int, int) { return false; }

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}
