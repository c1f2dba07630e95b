// SPDX-License-Identifier: MIT
// A visible thing on a form: bounds, visibility, enabling, font, cursor, hint and input events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "components/InputTypes.h"
#include "components/TComponent.h"
#include "components/TMessage.h"
#include "graphics/TColor.h"
#include "graphics/TFont.h"
#include "graphics/TRect.h"

class TForm;

// Flags of a control's drawing and input behaviour.
enum TControlStyleItem : uint32_t {
  csOpaque = 1u << 0,        // paints its whole area, so what lies beneath need not be painted first
  csReplicatable = 1u << 1,  // can be drawn as a copy of itself
  csCaptureMouse = 1u << 2,  // takes the pointer while the left button is held on it
  csClickEvents = 1u << 3,   // a left press and release on it is a click
  csDoubleClicks = 1u << 4,  // double-clicks are reported as such (else as a plain press)
};
using TControlStyle = uint32_t;

// The frame around a window: forms use all values (every form is borderless all the same), a
// list box only bsNone and bsSingle.
enum class TBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using enum TBorderStyle;

enum class TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using enum TAlign;

using TNotifyEvent = std::function<void(TObject* sender)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

// A control lies on a parent form at Left/Top (the form's client coordinates) with Width x Height.
// A control owned by a form becomes a child of that form when it is added. Input reaches a control
// as messages through its replaceable handler WindowProc; the default handler, WndProc, turns them
// into the virtual methods below (MouseDown, KeyDown, ...), which fire the On... events.
// Pointer coordinates in events are the control's own client coordinates.
class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TForm* Parent() const { return FParent; }
  virtual void SetParent(TForm* parent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  // Moves and sizes in one step; repaints the old and the new area and calls Resize() when the
  // size changed. Negative sizes count as 0.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  // The client area in its own coordinates: (0, 0, Width, Height) for most controls; a list box
  // leaves out its border and scroll bar. ClientOffset is where that area starts in the control.
  virtual TRect ClientRect() const { return {0, 0, FWidth, FHeight}; }
  virtual TPoint ClientOffset() const { return {0, 0}; }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  // Conversions between the control's client coordinates and the screen.
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  // A hidden control is not painted and takes no pointer input: events go to what lies beneath.
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // A disabled control is painted but takes no pointer input either.
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool enabled);

  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint) { FHint = hint; }
  // The pointer shape while the pointer is over the control (crDefault: the arrow).
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);

  // With AutoSize on, the control takes the size CanAutoSize proposes, now and after every change
  // that affects it.
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool value);
  // Stored only: controls are laid out by their bounds.
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align) { FAlign = align; }

  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle style) { FControlStyle = style; }
  bool HasStyle(TControlStyleItem item) const { return (FControlStyle & item) != 0; }

  // The background colour, where the control paints one. With ParentColor on, the parent's.
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  // The control's font. With ParentFont on, it follows the parent's font until it is changed.
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);

  // Marks the control's area for painting at the next opportunity.
  virtual void Invalidate();
  // Paints the control now. An opaque control (IsOpaque) is drawn straight over the window with
  // the controls above it; any other control has its whole area, beneath included, painted anew.
  virtual void Repaint();
  // True when the control's painting covers every pixel of its area, so that nothing beneath it
  // needs painting first: csOpaque says so, or the control knows it from what it shows now.
  virtual bool IsOpaque() const { return HasStyle(csOpaque); }
  void Refresh() { Repaint(); }
  // Paints whatever is marked for painting on the parent now.
  void Update();

  // The message handler. Every message to the control goes through it; replacing it (keeping the
  // old one to forward to) hooks the control.
  const TWndMethod& WindowProc() const { return FWindowProc; }
  void SetWindowProc(TWndMethod proc);
  // Sends a message through WindowProc and returns its Result.
  intptr_t Perform(uint32_t msg, uintptr_t wparam = 0, intptr_t lparam = 0);

  // True while the control holds the pointer (left button held on it).
  bool MouseCapture() const;
  void SetMouseCapture(bool capture);
  // A control with a window of its own (a list box) lies above every windowless control.
  virtual bool IsWindowed() const { return false; }
  // Whether the control can take the keyboard focus.
  virtual bool CanFocus() const { return false; }
  bool Focused() const;
  void SetFocus();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnResize;

protected:
  // The default message handler.
  virtual void WndProc(TMessage& message);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Returns true if the wheel was used.
  virtual bool MouseWheel(TShiftState shift, int delta, int x, int y);
  virtual void Click();
  virtual void DblClick();
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Painting; the base paints nothing.
  virtual void Paint() {}
  // After the size changed; fires OnResize.
  virtual void Resize();
  // After the font changed; the base repaints (and re-sizes an auto-sized control).
  virtual void FontChanged();
  virtual void ColorChanged() { Invalidate(); }
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() { Invalidate(); }
  virtual void FocusChanged(bool /*focused*/) {}
  // Proposes a size for AutoSize; returns false to keep the current one.
  virtual bool CanAutoSize(int& newWidth, int& newHeight);
  // Applies AutoSize now.
  void AdjustSize();
  // Called by the parent when its font or colour changed.
  void ParentFontChanged();
  void ParentColorChanged();

private:
  friend class TForm;

  TForm* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  bool FAutoSize = false;
  bool FParentFont = true;
  bool FParentColor = false;
  bool FSyncingFont = false;
  bool FClicked = false;
  TCursor FCursor = crDefault;
  TAlign FAlign = alNone;
  TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
  TColor FColor = clBtnFace;
  std::string FHint;
  TFont FFont;
  TWndMethod FWindowProc;
};
