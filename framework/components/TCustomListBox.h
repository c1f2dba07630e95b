// SPDX-License-Identifier: MIT
// A list box with a window of its own: lines, one selected line, fixed-height rows, owner drawing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "components/TControl.h"
#include "components/TListBoxItems.h"
#include "graphics/TBitmap.h"
#include "graphics/TBrush.h"
#include "graphics/TCanvas.h"

enum class TListBoxStyle : uint8_t { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
using enum TListBoxStyle;

// The state of a row being drawn (an OR of the flags).
enum TOwnerDrawStateItem : uint16_t { odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16 };
using TOwnerDrawState = uint16_t;

enum class TScrollBarKind : uint8_t { sbHorizontal, sbVertical, sbBoth };
using enum TScrollBarKind;

using TDrawItemEvent = std::function<void(TObject* sender, int index, const TRect& rect, TOwnerDrawState state)>;

// The list lies above every windowless control of its form. It takes the keyboard focus when
// clicked and is focused when its form is first shown if it is the first control that can be.
//
// Every message it receives goes through WindowProc (see TControl): the API below is messages too
// (Items, ItemIndex, TopIndex, ItemHeight), so a hook sees everything that happens to the list.
//
// Rows are ItemHeight pixels high, the first shown one being TopIndex. Painting fills the client
// area with the list window's Brush, then calls DrawItem for each visible row (also a partly
// visible last one) on Canvas, which carries the list's Font and a copy of Brush for each row
// (the highlight colours for the selected row). The focus rectangle is drawn after the focused
// row; an empty focused list fills the first row's area with the Brush and draws it there.
//
// Keyboard: up, down, page up, page down, home and end move the selection and scroll it into
// view; Enter and Space arrive as OnKeyPress characters 13 and 32. Mouse: a left press selects
// the row under the pointer (dragging with the button held follows the pointer), a double-click
// fires OnDblClick after selecting, the wheel scrolls three rows per notch. A user's change of the
// selection fires OnClick.
//
// A vertical scroll bar appears when there are more rows than fit; ShowScrollBar hides it until
// the list next changes its lines or size, when it decides again.
class TCustomListBox : public TControl {
public:
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  void SetParent(TForm* parent) override;

  TListBoxItems& Items() { return FItemsApi; }
  int Count() const;
  // -1: no line selected.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int ItemHeight() const;
  void SetItemHeight(int height);
  int TopIndex() const;
  void SetTopIndex(int index);
  // Single selection: true for the line at ItemIndex. Setting true selects the line; setting false
  // on the selected line leaves no line selected. Reading outside 0..Count-1 throws EListError.
  bool Selected(int index) const;
  void SetSelected(int index, bool value);

  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle style);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  // Stored only: the list always selects a single line.
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value) { FMultiSelect = value; }
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool value) { FExtendedSelect = value; }

  // The list window's own brush: it paints the background outside the rows and is what Canvas
  // carries into DrawItem.
  TBrush& Brush() { return FBrush; }
  // The drawing surface of the list's client area (list client coordinates).
  TCanvas& Canvas();

  // Shows or hides a scroll bar. The list has no horizontal one to show.
  void ShowScrollBar(TScrollBarKind kind, bool show);
  bool ScrollBarVisible() const { return FScrollBarVisible; }

  // Rows that fit whole in the client area (at least 1).
  int FullRows() const;
  // The rectangle of row `index` in client coordinates (it may lie outside the client area).
  TRect ItemRect(int index) const;
  // The line at a client point, or -1 (below the last line, or with `existing` false, Count).
  int ItemAtPos(TPoint p, bool existing) const;

  TRect ClientRect() const override;
  TPoint ClientOffset() const override;
  bool IsWindowed() const override { return true; }
  bool CanFocus() const override { return Visible() && Enabled(); }

  TDrawItemEvent OnDrawItem;

  static constexpr int kScrollBarWidth = 16;

protected:
  void WndProc(TMessage& message) override;
  // Draws one row. The default fills the row with the canvas brush and writes the line's text;
  // with an owner-draw style and an OnDrawItem handler, the handler draws instead.
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  void ColorChanged() override;

private:
  // The steps of WndProc, one concern each: true when the message is fully handled.
  bool LineMessage(TMessage& m);
  bool SelectionMessage(TMessage& m);
  bool ViewMessage(TMessage& m);
  bool InputMessage(TMessage& m);
  void InsertLine(TMessage& m);
  void DeleteLine(TMessage& m);
  void ScrollBy(uintptr_t code);
  void PressLeft(TMessage& m);
  void TrackPointer(int y);
  bool IsLine(int index) const { return index >= 0 && index < int(FItems.size()); }

  void PaintList(const TRect& clip);
  void PaintScrollBar();
  void DrawFocusRect(const TRect& rect);
  void ItemsChanged();
  void UpdateScrollBar();
  int MaxTopIndex() const;
  void ScrollTo(int top);
  void MakeVisible(int index);
  // Selects a line because the user asked for it: scrolls it into view and fires OnClick on a change.
  void UserSelect(int index);
  void Navigate(uint16_t key);
  bool ScrollBarHit(int x, int y);
  TRect ScrollBarRect() const;  // in control coordinates

  std::vector<std::string> FItems;
  TListBoxItems FItemsApi;
  int FItemIndex = -1;
  int FCaretIndex = 0;
  int FTopIndex = 0;
  int FItemHeight = 16;
  TListBoxStyle FStyle = lbStandard;
  TBorderStyle FBorderStyle = bsSingle;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FScrollBarVisible = false;
  bool FTracking = false;
  bool FInPaint = false;
  TBrush FBrush;
  TBitmap FDetached;
  std::unique_ptr<TCanvas> FCanvas;
};

// The plain list box.
using TListBox = TCustomListBox;
