// SPDX-License-Identifier: MIT
// The shaped image window: painting, the outline from the picture, its share of the window region, dragging.
#include "controls/ImageShape.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "components/Exception.h"
#include "components/TApplication.h"
#include "components/TForm.h"

namespace {
constexpr const char* kNoBitmapMessage = "Can only modify an image if it contains a bitmap";
constexpr std::string_view kMarkerValue = "set";
}  // namespace

TRegion GetFrgn(const TBitmap& picture, const TRect& clientRect, const TRect& destRect) {
  // The scan surface is the client area; only the part of it the picture covers can belong to
  // the window.
  const TRect surfaceRect{0, 0, clientRect.Width(), clientRect.Height()};
  const TRect area = surfaceRect.Intersect(destRect);
  if (area.IsEmpty()) return {};
  // An empty picture has no bottom-left pixel; clInvalid equals no pixel, so nothing is a hole.
  const TColor key = picture.Pixel(0, picture.Height() - 1);

  // A picture drawn at its natural size is scanned where it lies; a scaled one is first copied
  // into a client-sized surface the way it is painted (nearest neighbour).
  const TBitmap* scan = &picture;
  TPoint origin = destRect.TopLeft();
  std::optional<TBitmap> surface;
  if (picture.PixelFormat() != pf32bit || destRect.Width() != picture.Width() ||
      destRect.Height() != picture.Height()) {
    surface.emplace(surfaceRect.Width(), surfaceRect.Height(), pf32bit);
    surface->Canvas().CopyRect(destRect, picture.Canvas(), picture.ClientRect());
    scan = &*surface;
    origin = {0, 0};
  }

  TRegion::TBuilder builder;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint32_t* row = scan->ScanLine(y - origin.Y);
    const int left = area.Left - origin.X, right = area.Right - origin.X;
    int x = left;
    while (x < right) {
      while (x < right && row[x] == key) ++x;
      const int start = x;
      while (x < right && row[x] != key) ++x;
      builder.AddRun(y, start + origin.X, x + origin.X);
    }
  }
  return builder.Build();
}

TPoint WindowBorderOffset(const TRect& clientRect, const TRect& windowRect) {
  const int bx = (windowRect.Width() - clientRect.Width()) / 2;
  const int by = windowRect.Height() - clientRect.Height() - bx;
  return {bx, by};
}

TImageShape::TImageShape(TComponent* owner) : TPictureControl(owner) {}

TImageShape::~TImageShape() = default;

TCanvas& TImageShape::GetCanvas() {
  if (!Picture().HasGraphic()) {
    const TBitmap blank(Width(), Height(), pf32bit);
    Picture().Assign(blank);
  }
  // A change handler may have emptied the picture again; then there is no bitmap to draw on.
  const auto& graphic = Picture().Graphic();
  if (!graphic) throw EInvalidOperation(kNoBitmapMessage);
  return graphic->Canvas();
}

bool TImageShape::CanAutoSize(int& newWidth, int& newHeight) {
  ProposePictureSize(newWidth, newHeight);
  return true;
}

void TImageShape::Paint() {
  const TDrawingPicture drawing(*this);
  const std::shared_ptr<TBitmap> graphic = Picture().Graphic();
  if (graphic && !graphic->Empty()) ControlCanvas().StretchDraw(DestRect(), *graphic);
}

void TImageShape::PictureChanged(TObject* sender) {
  TPictureControl::PictureChanged(sender);
  if (Picture().HasGraphic()) ApplyWindowShape();
}

void TImageShape::ApplyWindowShape() {
  TForm* form = Parent();
  if (!form) return;  // no window to shape yet; the next change after parenting shapes it
  const std::shared_ptr<TBitmap> graphic = Picture().Graphic();

  // The outline is taken from the picture as it is drawn on a fresh (black) surface: with
  // Transparent set, its transparent pixels come out black there.
  const TBitmap* source = graphic.get();
  std::optional<TBitmap> drawn;
  if (graphic->Transparent() || graphic->PixelFormat() != pf32bit) {
    drawn.emplace(graphic->Width(), graphic->Height(), pf32bit);
    drawn->Canvas().Draw(0, 0, *graphic);
    source = &*drawn;
  }
  TRegion region = GetFrgn(*source, {0, 0, Width(), Height()}, DestRect());

  // Window regions count from the window's outer corner, the control's place from the client area.
  const TPoint border = WindowBorderOffset(form->ClientRect(), form->WindowRect());
  region.Offset(Left() + border.X, Top() + border.Y);

  const char* marker = std::getenv(kEnvMarker);
  if (!marker || std::string_view(marker) != kMarkerValue) {
    // The first outline in this process: it becomes the whole region of the window.
    FAppliedRegion = region;
    setenv(kEnvMarker, kMarkerValue.data(), 1);
  } else {
    // Replace only this control's previous share, keeping what other shaped controls gave.
    const TRegion others = form->WindowRegion().Subtract(FAppliedRegion);
    FAppliedRegion = region;
    region = others.Union(region);
  }
  form->SetWindowRegion(region);
  form->Invalidate();
}

void TImageShape::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  FButtonHeld = true;
  FDragAnchor = Application.CursorPos();
}

void TImageShape::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!FButtonHeld || !FMovable) return;
  TForm* form = Parent();
  if (!form) return;
  // Screen coordinates: the window moving under the pointer does not disturb the next step.
  const TPoint p = Application.CursorPos();
  form->SetLeft(form->Left() + (p.X - FDragAnchor.X));
  form->SetTop(form->Top() + (p.Y - FDragAnchor.Y));
  FDragAnchor = p;
}

void TImageShape::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  FButtonHeld = false;
}
