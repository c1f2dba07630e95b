// SPDX-License-Identifier: MIT
// A top-level window: its controls, its frame buffer and painting, pointer routing and capture.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"
#include "components/TControl.h"
#include "graphics/TBitmap.h"
#include "graphics/TCanvas.h"
#include "graphics/TRegion.h"

using TFormBorderStyle = TBorderStyle;
enum class TPosition : uint8_t { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter };
using enum TPosition;
enum class TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
// `files`: the local files and folders dropped on the window; `others`: what was dropped that names
// no local file, as the source gave it.
using TDropFilesEvent =
    std::function<void(TObject* sender, const std::vector<std::string>& files, const std::vector<std::string>& others)>;

// A form is the window. Its Left and Top are the window's position on the screen (setting them
// moves the window); its Width and Height are the client size (the window has no border).
//
// Painting: the form draws every frame in software into its frame buffer: first the background
// in Color, then the windowless controls in creation order (a later one lies above an earlier
// one), then the controls with a window of their own (the list box) above all of them. Only the
// parts marked invalid are painted; the message loop paints and presents them before it waits.
//
// Pointer input goes to the topmost visible, enabled control under the pointer: windowed controls
// first, then windowless ones from the last created to the first, then the form itself. While the
// left button is held on a control, every move and the release go to that control, wherever the
// pointer is, also outside the window. Other buttons are not captured; pointer events outside the
// window are dropped unless a control holds the pointer.
//
// Keys go to the focused control (ActiveControl); without one, to the form. With KeyPreview set,
// the form's own KeyDown (OnKeyDown) sees every key-down first, and a key it sets to 0 goes no
// further.
class TForm : public TControl {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // --- The window -----------------------------------------------------------------------
  // The window's position on the screen.
  int Left() const;
  int Top() const;
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetBounds(int left, int top, int width, int height) override;
  void SetClientWidth(int w) { SetClientSize(w, Height()); }
  void SetClientHeight(int h) { SetClientSize(Width(), h); }
  void SetClientSize(int w, int h) { TControl::SetBounds(TControl::Left(), TControl::Top(), w, h); }
  // The window's rectangle in screen coordinates.
  TRect WindowRect() const { return Bounds(Left(), Top(), Width(), Height()); }

  // Stored; every window is borderless.
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style) { FBorderStyle = style; }
  // poScreenCenter centres the window on the screen when it is first shown, whatever the stored
  // position; every other value shows it at Left, Top.
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition position) { FPosition = position; }
  // The window text. Stored only: with no title bar it is never shown; task bars show the
  // application's Title instead.
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption) { FCaption = caption; }

  // The window's identity, creating the (hidden) window if it does not exist yet. Never 0. A
  // window that cannot be created is reported on standard error, once, and the application is
  // told to end with status 1 (Application.Terminated() is true afterwards).
  uintptr_t Handle();
  bool HandleAllocated() const { return FHandleAllocated; }

  void Show();
  void Hide() { SetVisible(false); }
  void SetVisible(bool visible) override;
  // Asks the form to close: OnClose may refuse (caNone). Closing the main form ends the message
  // loop; any other form is hidden.
  void Close();
  // True while the window is the active one.
  bool Active() const { return FActive; }

  // --- Window region --------------------------------------------------------------------
  // The window's outline in window coordinates: only pixels inside it belong to the window.
  bool HasWindowRegion() const { return FRegion.has_value(); }
  // The last region set, or an empty region when the window has none.
  TRegion WindowRegion() const { return FRegion.value_or(TRegion()); }
  void SetWindowRegion(const TRegion& region);
  void ClearWindowRegion();

  // --- Drawing --------------------------------------------------------------------------
  // The canvas on the form's frame buffer (form client coordinates).
  TCanvas& Canvas() { return *FCanvas; }
  TBitmap& FrameBuffer() { return *FFrameBuffer; }
  const TBitmap& FrameBuffer() const { return *FFrameBuffer; }
  void Invalidate() override;
  void InvalidateRect(const TRect& rect);
  void Repaint() override;
  // Paints the invalid parts now (they are shown by the message loop before it waits).
  void Update();
  // Thread-safe: copies a bitmap straight onto the window at (x, y), bypassing painting. Callable
  // from any thread while the form exists; it stays until painting covers that area again.
  void CopyToWindow(int x, int y, const TBitmap& bitmap);

  // --- Controls -------------------------------------------------------------------------
  int ControlCount() const { return int(FControls.size()); }
  // Throws EListError outside 0..ControlCount-1.
  TControl* Controls(int index) const;
  // The topmost visible control at a point of the client area (enabled ones only unless
  // allowDisabled), or nullptr.
  TControl* ControlAtPos(TPoint p, bool allowDisabled = false) const;
  TControl* ActiveControl() const { return FActiveControl; }
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool preview) { FKeyPreview = preview; }
  // While a key-down is being delivered: whether it is the keyboard's repeat of a key held down
  // rather than a new press.
  bool KeyRepeat() const { return FKeyRepeat; }
  void SetActiveControl(TControl* control);
  TControl* CaptureControl() const { return FCaptureControl; }

  TNotifyEvent OnCreate;  // after every control exists, before the first show
  TNotifyEvent OnShow;
  TNotifyEvent OnPaint;  // after the background, before the controls
  TCloseEvent OnClose;
  TDropFilesEvent OnDropFiles;  // one drop on the window, delivered whole

  // --- Used by the framework ------------------------------------------------------------
  // Runs OnCreate once; TApplication::CreateForm calls it after construction.
  void DoCreate();
  void HandleBackendEvent(const TBackendEvent& event);
  // Paints what is invalid and presents what changed, unless the window would hold it for its next
  // frame anyway: then both wait for that frame, and what changes meanwhile is painted once.
  void FlushPaint();
  // The time by which the message loop must flush paints that wait for the window's frame; no
  // value when none wait.
  std::optional<TTimePoint> PaintHeldUntil() const;
  // True when what is painted now would not reach the screen before the window's next frame.
  bool PaintHeld() const;
  // While painting, the area being painted; otherwise the whole client area.
  bool IsPainting() const { return FPainting; }
  TRect PaintClip() const;
  // Marks an area drawn outside painting (a control that draws straight on its canvas), so that
  // it is presented.
  void MarkForPresent(const TRect& rect);
  void SetCaptureControl(TControl* control);
  // Paints `control` and every control above it over their own area now (an opaque repaint).
  void PaintOpaque(TControl* control);

protected:
  void Paint() override;
  void ComponentInserted(TComponent* component) override;
  void ComponentRemoving(TComponent* component) override;
  void Resize() override;
  void FontChanged() override;
  void ColorChanged() override;

private:
  friend class TControl;
  void AddControl(TControl* control);
  void RemoveControl(TControl* control);
  void CreateHandle();
  void PaintArea(const TRect& rect);
  void PaintControl(TControl* control, const TRect& clip);
  void RoutePointer(const TBackendEvent& event);
  void UpdateCursor(TControl* target);
  void SetActive(bool active);

  TFormBorderStyle FBorderStyle = bsSizeable;
  TPosition FPosition = poDesigned;
  std::string FCaption;
  bool FHandleAllocated = false;
  bool FHandleFailed = false;
  bool FCreated = false;
  bool FShownOnce = false;
  bool FActive = false;
  bool FKeyPreview = false;
  bool FKeyRepeat = false;
  bool FPainting = false;
  TRect FPaintClip;
  std::optional<TRegion> FRegion;
  std::unique_ptr<TBitmap> FFrameBuffer;
  std::unique_ptr<TCanvas> FCanvas;
  // The backend's FrameHeldUntil while the window is there to be shown.
  std::optional<TTimePoint> FrameHeldUntil() const;
  TRegion::TCollector FInvalid;
  TRegion::TCollector FToPresent;
  // Storage for the parts taken from the two collectors, kept from frame to frame.
  std::vector<TRect> FUpdateParts;
  std::vector<TRect> FPresentParts;
  std::vector<TControl*> FControls;  // creation order
  TControl* FActiveControl = nullptr;
  TControl* FCaptureControl = nullptr;
  TCursor FShownCursor = crDefault;
  bool FCursorSet = false;
};
