// SPDX-License-Identifier: MIT
// Drawing on a bitmap in the canvas's own coordinates, clipped, with brush, pen and font.
#pragma once

#include <string>
#include <vector>

#include "graphics/TBitmap.h"
#include "graphics/TBrush.h"
#include "graphics/TColor.h"
#include "graphics/TFont.h"
#include "graphics/TPen.h"
#include "graphics/TRect.h"

// A canvas draws on one bitmap. Its coordinates are the bitmap's shifted by the origin: canvas point
// (x, y) is bitmap pixel (x + Origin.X, y + Origin.Y). That lets a windowless control paint on its
// parent's frame buffer in its own coordinates. Everything drawn is clipped to the clip rectangle
// (in canvas coordinates) and to the bitmap.
//
// Every bitmap has a canvas of its own (TBitmap::Canvas()); more canvases on the same bitmap may be
// made, for example one per control painting on a shared frame buffer. A canvas must not outlive
// its bitmap.
class TCanvas {
public:
  explicit TCanvas(TBitmap& target);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBitmap& Bitmap() { return *FTarget; }
  const TBitmap& Bitmap() const { return *FTarget; }

  TBrush& Brush() { return FBrush; }
  const TBrush& Brush() const { return FBrush; }
  TPen& Pen() { return FPen; }
  const TPen& Pen() const { return FPen; }
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }

  TPoint Origin() const { return FOrigin; }
  void SetOrigin(TPoint origin) { FOrigin = origin; }
  // The clip rectangle in canvas coordinates. Without one, the whole bitmap is drawable.
  TRect ClipRect() const;
  void SetClipRect(const TRect& clip);
  void ResetClipRect();
  bool HasClipRect() const { return FHasClip; }

  // Fills with the brush: its pattern if it has one, else its colour; nothing with bsClear.
  void FillRect(const TRect& rect);

  // Lines with the pen, one pixel wide. LineTo draws from the pen position towards (x, y), the end
  // point itself excluded, and leaves the pen at (x, y).
  TPoint PenPos() const { return FPenPos; }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

  // The outline (with the pen) on the rectangle's outermost pixels and the inside filled with the
  // brush. With a clear pen the whole rectangle is filled.
  void Rectangle(const TRect& rect);

  // Text in the font's colour with its top-left corner at (x, y). Unless the brush style is bsClear,
  // the text's whole extent (TextWidth x TextHeight) is first filled with the brush colour.
  void TextOut(int x, int y, const std::string& text);
  int TextWidth(const std::string& text) const { return FFont.TextWidth(text); }
  int TextHeight(const std::string& text) const { return FFont.TextHeight(text); }

  // Copies the whole bitmap with its top-left corner at (x, y). A transparent bitmap leaves out its
  // transparent colour.
  void Draw(int x, int y, const TBitmap& source);
  // Scales the whole bitmap into `dest` (nearest neighbour); transparency as with Draw.
  void StretchDraw(const TRect& dest, const TBitmap& source);
  // Copies `sourceRect` of another canvas (its coordinates) into `dest`, scaled by nearest
  // neighbour when the sizes differ. No transparency.
  void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);
  // Copies `sourceRect` of `source` to (x, y), leaving out every pixel of colour `key`.
  void DrawTransparent(int x, int y, const TBitmap& source, const TRect& sourceRect, TColor key);
  void DrawTransparent(int x, int y, const TBitmap& source, TColor key) {
    DrawTransparent(x, y, source, source.ClientRect(), key);
  }

  // The colour at a canvas point; clInvalid outside the clip rectangle or the bitmap.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

private:
  TRect DeviceClip() const;  // effective clip in bitmap coordinates
  // Copies sourceRect of source (bitmap coordinates) into dest (canvas coordinates), scaling by
  // nearest neighbour; source pixels outside sourceClip are not read, and with useKey pixels equal
  // to key are left out.
  void Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, bool useKey, TColor key,
            const TRect& sourceClip);
  void PutPixelDevice(int dx, int dy, TColor rgb);
  // `area` (device coordinates) at `n` times its size with `mask`, text drawn at that size, put on
  // it as TextOut(x, y, ...) puts the normal one.
  std::vector<uint32_t> FineText(int x, int y, const TTextMask& mask, const TRect& area, int n) const;
  // `area` (device coordinates) at `n` times its size as a copy from `source`, `shift` away, leaves it.
  std::vector<uint32_t> FineCopy(const TBitmap& source, const TRect& area, TPoint shift, bool useKey, TColor key,
                                 int n) const;
  void Changed() { FTarget->Changed(); }

  TBitmap* FTarget;
  TBrush FBrush;
  TPen FPen;
  TFont FFont;
  TPoint FOrigin;
  TPoint FPenPos;
  TRect FClip;
  bool FHasClip = false;
};

// Restores a canvas's origin, clip, brush, pen and font when it goes out of scope, so a painter can
// change them freely.
class TCanvasStateSaver {
public:
  explicit TCanvasStateSaver(TCanvas& canvas)
      : FCanvas(canvas),
        FOrigin(canvas.Origin()),
        FClip(canvas.ClipRect()),
        FHasClip(canvas.HasClipRect()),
        FBrush(canvas.Brush()),
        FPen(canvas.Pen()),
        FFont(canvas.Font()) {}
  ~TCanvasStateSaver() {
    FCanvas.SetOrigin(FOrigin);
    if (FHasClip)
      FCanvas.SetClipRect(FClip);
    else
      FCanvas.ResetClipRect();
    FCanvas.Brush() = FBrush;
    FCanvas.Pen() = FPen;
    FCanvas.Font().Assign(FFont);
  }
  TCanvasStateSaver(const TCanvasStateSaver&) = delete;
  TCanvasStateSaver& operator=(const TCanvasStateSaver&) = delete;

private:
  TCanvas& FCanvas;
  TPoint FOrigin;
  TRect FClip;
  bool FHasClip;
  TBrush FBrush;
  TPen FPen;
  TFont FFont;
};
