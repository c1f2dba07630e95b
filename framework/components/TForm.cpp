// SPDX-License-Identifier: MIT
// Forms: the window's life, painting into the frame buffer, and routing of input to controls.
#include "components/TForm.h"

#include <algorithm>
#include <cstdio>

#include "components/Exception.h"
#include "components/TApplication.h"

namespace {
// Paints more than a few separate rectangles as their bounding box: repainting a little more is
// cheaper than walking every control once per tiny rectangle.
constexpr size_t kMaxPaintRects = 8;

uint32_t PointerMessage(const TBackendEvent& e) {
  const uint32_t base = e.Button == TMouseButton::mbRight    ? WM_RBUTTONDOWN
                        : e.Button == TMouseButton::mbMiddle ? WM_MBUTTONDOWN
                                                             : WM_LBUTTONDOWN;
  switch (e.Kind) {
    case TBackendEventKind::PointerDown: return base;
    case TBackendEventKind::PointerUp: return base + 1;
    case TBackendEventKind::PointerDblClick: return base + 2;
    default: return WM_MOUSEMOVE;
  }
}

// Ends the form's painting state when a paint is over, also when a control's painting throws.
struct TPaintingScope {
  bool& Painting;
  ~TPaintingScope() { Painting = false; }
};
}  // namespace

TForm::TForm(TComponent* owner) : TControl(owner) {
  FFrameBuffer = std::make_unique<TBitmap>(0, 0, pf32bit);
  FCanvas = std::make_unique<TCanvas>(*FFrameBuffer);
  TControl::SetBounds(0, 0, 320, 240);
  FVisible = false;
}

TForm::~TForm() {
  // The controls leave FControls as they die, so they must go while this form is still whole.
  DestroyComponents();
  FControls.clear();
  if (FHandleAllocated) {
    if (TBackend* b = Application.Backend()) {
      if (FCaptureControl) b->CapturePointer(false);
      b->DestroyWindow();
    }
  }
  Application.FormDestroying(this);
}

// --- Window -------------------------------------------------------------------------------

int TForm::Left() const {
  if (FHandleAllocated && Application.Backend()) return Application.Backend()->WindowPos().X;
  return TControl::Left();
}

int TForm::Top() const {
  if (FHandleAllocated && Application.Backend()) return Application.Backend()->WindowPos().Y;
  return TControl::Top();
}

void TForm::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  FLeft = Left();
  FTop = Top();
  if (left != FLeft || top != FTop) {
    FLeft = left;
    FTop = top;
    if (FHandleAllocated) Application.Backend()->SetWindowPos({left, top});
  }
  if (width != FWidth || height != FHeight) {
    FWidth = width;
    FHeight = height;
    Perform(WM_SIZE, 0, MakeLParam(width, height));
    Resize();
  }
}

void TForm::Resize() {
  FFrameBuffer->Canvas().Brush().SetColor(ColorToRGB(Color()));
  FFrameBuffer->SetSize(Width(), Height());
  // FIXME: a window that exists keeps the size it was created with; no form changes its size
  // after it is shown.
  Invalidate();
  TControl::Resize();
}

uintptr_t TForm::Handle() {
  if (!FHandleAllocated) CreateHandle();
  return reinterpret_cast<uintptr_t>(this);
}

void TForm::CreateHandle() {
  TBackend& backend = Application.EnsureBackend();
  TWindowDesc desc;
  desc.ClientWidth = Width();
  desc.ClientHeight = Height();
  desc.Title = Application.Title().empty() ? FCaption : Application.Title();
  desc.Position = {FLeft, FTop};
  desc.Centered = FPosition == poScreenCenter;
  if (FHandleFailed) return;
  if (TResult<void> created = backend.CreateWindow(desc); !created) {
    // A program that cannot show its window must not look as if it had started: it ends with
    // status 1 once its start-up returns to the message loop, which then never runs.
    FHandleFailed = true;
    const std::string& name = Application.Title().empty() ? FCaption : Application.Title();
    std::fprintf(stderr, "%s: cannot open a window: %s\n", name.c_str(), created.Error().c_str());
    std::fflush(stderr);
    Application.TerminateWithStatus(1);
    return;
  }
  FHandleAllocated = true;
  Application.SetWindowForm(this);
  if (FRegion) backend.SetWindowRegion(FRegion->Rects());
  InvalidateRect(ClientRect());
}

void TForm::DoCreate() {
  if (FCreated) return;
  FCreated = true;
  if (OnCreate) OnCreate(this);
}

void TForm::Show() { SetVisible(true); }

void TForm::SetVisible(bool visible) {
  if (visible) {
    DoCreate();
    Handle();
    TBackend& backend = *Application.Backend();
    if (!FShownOnce) {
      FShownOnce = true;
      if (FPosition == poScreenCenter) {
        const TPoint screen = backend.ScreenSize();
        SetBounds((screen.X - Width()) / 2, (screen.Y - Height()) / 2, Width(), Height());
      }
    }
    if (FVisible) return;
    FVisible = true;
    if (!FActiveControl) {
      for (TControl* c : FControls)
        if (c->CanFocus() && c->Visible() && c->Enabled()) {
          FActiveControl = c;
          break;
        }
    }
    backend.ShowWindow(true);
    InvalidateRect(ClientRect());
    if (OnShow) OnShow(this);
  } else {
    if (!FVisible) return;
    FVisible = false;
    SetCaptureControl(nullptr);
    if (FHandleAllocated) Application.Backend()->ShowWindow(false);
  }
}

void TForm::Close() {
  const bool isMain = Application.MainForm() == this;
  TCloseAction action = isMain ? caFree : caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (isMain)
    Application.Terminate();
  else
    Hide();
}

void TForm::SetActive(bool active) {
  if (active == FActive) return;
  FActive = active;
  if (FActiveControl) FActiveControl->Perform(active ? WM_SETFOCUS : WM_KILLFOCUS);
}

// --- Region -------------------------------------------------------------------------------

void TForm::SetWindowRegion(const TRegion& region) {
  FRegion = region;
  if (FHandleAllocated) Application.Backend()->SetWindowRegion(region.Rects());
}

void TForm::ClearWindowRegion() {
  FRegion.reset();
  if (FHandleAllocated) Application.Backend()->SetWindowRegion(std::nullopt);
}

// --- Painting -----------------------------------------------------------------------------

void TForm::Invalidate() { InvalidateRect(ClientRect()); }

void TForm::InvalidateRect(const TRect& rect) {
  const TRect r = rect.Intersect(ClientRect());
  if (r.IsEmpty()) return;
  FInvalid.Add(r);
}

void TForm::Repaint() {
  Invalidate();
  Update();
}

TRect TForm::PaintClip() const { return FPainting ? FPaintClip : ClientRect(); }

void TForm::MarkForPresent(const TRect& rect) {
  const TRect r = rect.Intersect(ClientRect());
  FToPresent.Add(r);
}

void TForm::Update() {
  if (!FHandleAllocated || !FVisible || FInvalid.IsEmpty()) return;
  // Take the invalid area first: a control that fails to paint must not make every later turn
  // of the loop fail again on the same area.
  // The list is lent out for the while: a paint that invalidates and updates again gets one of its own.
  std::vector<TRect> parts;
  parts.swap(FUpdateParts);
  FInvalid.TakeParts(parts);
  for (const TRect& r : parts) FToPresent.Add(r);
  if (parts.size() > kMaxPaintRects) {
    PaintArea(TRegion::FromRects(parts).Bounds());
  } else {
    for (const TRect& r : parts) PaintArea(r);
  }
  FUpdateParts.swap(parts);
}

std::optional<TTimePoint> TForm::PaintHeldUntil() const {
  if (FInvalid.IsEmpty() && FToPresent.IsEmpty()) return std::nullopt;
  return FrameHeldUntil();
}

bool TForm::PaintHeld() const { return FrameHeldUntil().has_value(); }

std::optional<TTimePoint> TForm::FrameHeldUntil() const {
  const TBackend* backend = Application.Backend();
  if (!FHandleAllocated || !FVisible || !backend) return std::nullopt;
  return backend->FrameHeldUntil();
}

void TForm::FlushPaint() {
  if (PaintHeldUntil()) return;
  Update();
  if (FToPresent.IsEmpty() || !FHandleAllocated || !FVisible) return;
  std::vector<TRect>& rects = FPresentParts;
  FToPresent.TakeParts(rects);
  if (rects.size() > kMaxPaintRects) rects = {TRegion::FromRects(rects).Bounds()};
  Application.Backend()->Present(*FFrameBuffer, rects);
}

void TForm::PaintArea(const TRect& rect) {
  const TPaintingScope scope{FPainting};
  FPainting = true;
  FPaintClip = rect;
  // The topmost windowless control that covers the whole area hides the form's own painting and
  // every windowless control beneath it (a skin picture under the parts that change).
  size_t first = FControls.size();
  while (first > 0) {
    const TControl* c = FControls[first - 1];
    if (!c->IsWindowed() && c->Visible() && c->BoundsRect().Intersect(rect) == rect && c->IsOpaque()) break;
    --first;
  }
  if (first > 0) {
    --first;  // the covering control itself paints
  } else {
    TCanvasStateSaver saver(*FCanvas);
    FCanvas->SetOrigin({0, 0});
    FCanvas->SetClipRect(rect);
    Paint();
  }
  for (size_t i = first; i < FControls.size(); ++i)
    if (!FControls[i]->IsWindowed()) PaintControl(FControls[i], rect);
  for (TControl* c : FControls)
    if (c->IsWindowed()) PaintControl(c, rect);
}

void TForm::PaintControl(TControl* control, const TRect& clip) {
  if (!control->Visible()) return;
  const TRect r = clip.Intersect(control->BoundsRect());
  if (r.IsEmpty()) return;
  const bool wasPainting = FPainting;
  const TRect oldClip = FPaintClip;
  FPainting = true;
  FPaintClip = r;
  control->Perform(WM_PAINT, 0, PackPaintArea(r));
  FPainting = wasPainting;
  FPaintClip = oldClip;
}

void TForm::PaintOpaque(TControl* control) {
  const TRect area = control->BoundsRect().Intersect(ClientRect());
  if (area.IsEmpty()) return;
  if (!FHandleAllocated || !FVisible) {
    InvalidateRect(area);
    return;
  }
  const TPaintingScope scope{FPainting};
  // The control covers its area, so nothing beneath it needs painting; what lies above it does.
  auto it = std::find(FControls.begin(), FControls.end(), control);
  if (control->IsWindowed()) {
    for (; it != FControls.end(); ++it)
      if ((*it)->IsWindowed()) PaintControl(*it, area);
  } else {
    for (auto above = it; above != FControls.end(); ++above)
      if (!(*above)->IsWindowed()) PaintControl(*above, area);
    for (TControl* c : FControls)
      if (c->IsWindowed()) PaintControl(c, area);
  }
  MarkForPresent(area);
}

void TForm::Paint() {
  FCanvas->Brush().SetColor(Color());
  FCanvas->Brush().SetStyle(bsSolid);
  FCanvas->FillRect(FPaintClip);
  if (OnPaint) OnPaint(this);
}

void TForm::CopyToWindow(int x, int y, const TBitmap& bitmap) {
  if (TBackend* b = Application.Backend()) b->CopyToWindow(x, y, bitmap);
}

// --- Controls -----------------------------------------------------------------------------

void TForm::ComponentInserted(TComponent* component) {
  if (auto* control = dynamic_cast<TControl*>(component)) {
    if (!dynamic_cast<TForm*>(control) && !control->Parent()) control->SetParent(this);
  }
}

void TForm::ComponentRemoving(TComponent* component) {
  if (auto* control = dynamic_cast<TControl*>(component)) RemoveControl(control);
}

void TForm::AddControl(TControl* control) {
  if (std::find(FControls.begin(), FControls.end(), control) == FControls.end()) FControls.push_back(control);
}

void TForm::RemoveControl(TControl* control) {
  auto it = std::find(FControls.begin(), FControls.end(), control);
  if (it == FControls.end()) return;
  if (control->Visible()) InvalidateRect(control->BoundsRect());
  FControls.erase(it);
  if (FCaptureControl == control) SetCaptureControl(nullptr);
  if (FActiveControl == control) FActiveControl = nullptr;
}

void TForm::FontChanged() {
  for (TControl* c : FControls) c->ParentFontChanged();
  TControl::FontChanged();
}

void TForm::ColorChanged() {
  FFrameBuffer->Canvas().Brush().SetColor(ColorToRGB(Color()));
  for (TControl* c : FControls) c->ParentColorChanged();
  Invalidate();
}

TControl* TForm::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError::IndexOutOfBounds(index);
  return FControls[size_t(index)];
}

TControl* TForm::ControlAtPos(TPoint p, bool allowDisabled) const {
  auto hit = [&](TControl* c) {
    return c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p);
  };
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if ((*it)->IsWindowed() && hit(*it)) return *it;
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (!(*it)->IsWindowed() && hit(*it)) return *it;
  return nullptr;
}

void TForm::SetActiveControl(TControl* control) {
  if (control == FActiveControl) return;
  TControl* old = FActiveControl;
  FActiveControl = control;
  if (!FActive) return;
  if (old) old->Perform(WM_KILLFOCUS);
  if (control) control->Perform(WM_SETFOCUS);
}

void TForm::SetCaptureControl(TControl* control) {
  if (control == FCaptureControl) return;
  const bool had = FCaptureControl != nullptr;
  FCaptureControl = control;
  if (FHandleAllocated && had != (control != nullptr)) {
    if (TBackend* b = Application.Backend()) b->CapturePointer(control != nullptr);
  }
}

// --- Input --------------------------------------------------------------------------------

void TForm::HandleBackendEvent(const TBackendEvent& e) {
  switch (e.Kind) {
    case TBackendEventKind::PointerMove:
    case TBackendEventKind::PointerDown:
    case TBackendEventKind::PointerUp:
    case TBackendEventKind::PointerDblClick: RoutePointer(e); break;
    case TBackendEventKind::Wheel: {
      const TPoint p{e.X, e.Y};
      TControl* target = ControlAtPos(p);
      if (!target || !target->IsWindowed()) target = FActiveControl ? FActiveControl : this;
      const TPoint local = target == this ? p : target->ScreenToClient(ClientToScreen(p));
      target->Perform(WM_MOUSEWHEEL, uintptr_t(e.Shift.Bits()) | (uintptr_t(uint16_t(int16_t(e.WheelDelta))) << 16),
                      MakeLParam(local.X, local.Y));
      break;
    }
    case TBackendEventKind::KeyDown:
    case TBackendEventKind::KeyUp: {
      TControl* target =
          FActiveControl && FActiveControl->Visible() && FActiveControl->Enabled() ? FActiveControl : this;
      FKeyRepeat = e.Kind == TBackendEventKind::KeyDown && e.Repeat;
      if (FKeyPreview && e.Kind == TBackendEventKind::KeyDown && target != this) {
        uint16_t key = e.Key;
        KeyDown(key, e.Shift);
        if (key != 0) target->Perform(WM_KEYDOWN, key, e.Shift.Bits());
      } else {
        target->Perform(e.Kind == TBackendEventKind::KeyDown ? WM_KEYDOWN : WM_KEYUP, e.Key, e.Shift.Bits());
      }
      FKeyRepeat = false;
      break;
    }
    case TBackendEventKind::Char: {
      if (e.Char == 0 || e.Char > 0xFF) break;  // FIXME: characters beyond Latin-1 are not delivered
      TControl* target =
          FActiveControl && FActiveControl->Visible() && FActiveControl->Enabled() ? FActiveControl : this;
      target->Perform(WM_CHAR, e.Char);
      break;
    }
    case TBackendEventKind::Close: Close(); break;
    case TBackendEventKind::Expose: InvalidateRect(e.Area.IsEmpty() ? ClientRect() : e.Area); break;
    case TBackendEventKind::FocusIn: SetActive(true); break;
    case TBackendEventKind::FocusOut: SetActive(false); break;
    case TBackendEventKind::Drop:
      if (OnDropFiles) OnDropFiles(this, e.Files, e.Others);
      break;
  }
}

void TForm::RoutePointer(const TBackendEvent& e) {
  const TPoint p{e.X, e.Y};
  TControl* target = FCaptureControl;
  if (!target) {
    // Without a capture the window sees the pointer only over itself.
    if (!ClientRect().Contains(p)) return;
    target = ControlAtPos(p);
    if (!target) target = this;
  }
  const uint32_t msg = PointerMessage(e);
  if ((msg != WM_MOUSEMOVE && msg != WM_LBUTTONUP && msg != WM_RBUTTONUP && msg != WM_MBUTTONUP) && target->CanFocus())
    SetActiveControl(target);
  TPoint local = p;
  if (target != this) {
    const TPoint offset = target->ClientOffset();
    local = {p.X - target->Left() - offset.X, p.Y - target->Top() - offset.Y};
  }
  target->Perform(msg, e.Shift.Bits(), MakeLParam(local.X, local.Y));
  if (msg == WM_MOUSEMOVE || msg == WM_LBUTTONUP) {
    TControl* over = FCaptureControl ? FCaptureControl : (ClientRect().Contains(p) ? ControlAtPos(p) : nullptr);
    UpdateCursor(over ? over : this);
  }
}

void TForm::UpdateCursor(TControl* target) {
  const TCursor wanted = target->Cursor() == crDefault ? crArrow : target->Cursor();
  if (FCursorSet && wanted == FShownCursor) return;
  FShownCursor = wanted;
  FCursorSet = true;
  if (TBackend* b = Application.Backend()) b->SetCursor(wanted);
}
