// SPDX-License-Identifier: MIT
// Fills, lines, text and copies of TCanvas, all clipped to the clip rectangle and the bitmap.
#include "graphics/TCanvas.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// Copies the words of `src` that are not `key` over `dst`, four at a time without a branch per
// pixel (text edges in a caption strip defeat any guess about the next pixel). True when any word
// was copied. The two ranges do not overlap.
bool CopyKeyed(uint32_t* dst, const uint32_t* src, int count, uint32_t key) {
  using TWords = uint32_t __attribute__((vector_size(16)));
  const TWords keys = {key, key, key, key};
  TWords copied = {};
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    TWords s, d;
    std::memcpy(&s, src + i, sizeof s);
    std::memcpy(&d, dst + i, sizeof d);
    const auto skip = std::bit_cast<TWords>(s == keys);  // all bits set where the word is the key
    const TWords out = (d & skip) | (s & ~skip);
    copied |= ~skip;
    std::memcpy(dst + i, &out, sizeof out);
  }
  bool any = (copied[0] | copied[1] | copied[2] | copied[3]) != 0;
  for (; i < count; ++i) {
    if (src[i] == key) continue;
    dst[i] = src[i];
    any = true;
  }
  return any;
}

}  // namespace

TCanvas::TCanvas(TBitmap& target) : FTarget(&target) {}

TRect TCanvas::ClipRect() const {
  if (FHasClip) return FClip;
  return FTarget->ClientRect().Offset(-FOrigin.X, -FOrigin.Y);
}

void TCanvas::SetClipRect(const TRect& clip) {
  FClip = clip;
  FHasClip = true;
}

void TCanvas::ResetClipRect() {
  FClip = {};
  FHasClip = false;
}

TRect TCanvas::DeviceClip() const {
  const TRect all = FTarget->ClientRect();
  if (!FHasClip) return all;
  return FClip.Offset(FOrigin.X, FOrigin.Y).Intersect(all);
}

void TCanvas::PutPixelDevice(int dx, int dy, TColor rgb) {
  if (FTarget->PixelFormat() == pf32bit)
    FTarget->ScanLine(dy)[dx] = rgb;
  else
    FTarget->Bits()[size_t(FTarget->Height() - 1 - dy) * size_t(FTarget->Stride()) + size_t(dx)] =
        FTarget->NearestIndex(rgb);
}

void TCanvas::FillRect(const TRect& rect) {
  if (FBrush.Style() == bsClear) return;
  const TRect r = rect.Offset(FOrigin.X, FOrigin.Y).Intersect(DeviceClip());
  if (r.IsEmpty()) return;
  if (FTarget->HasDetail()) FTarget->ForgetDetail(r);
  const TBitmap* pattern = FBrush.Bitmap();
  const bool direct = FTarget->PixelFormat() == pf32bit;
  if (pattern) {
    // The pattern is anchored at the canvas origin: canvas x selects pattern column x mod width.
    const int pw = pattern->Width(), ph = pattern->Height();
    for (int y = r.Top; y < r.Bottom; ++y) {
      const int py = (((y - FOrigin.Y) % ph) + ph) % ph;
      const uint32_t* prow = pattern->ScanLine(py);
      for (int x = r.Left; x < r.Right; ++x) {
        const int px = (((x - FOrigin.X) % pw) + pw) % pw;
        PutPixelDevice(x, y, prow[px]);
      }
    }
  } else {
    const TColor rgb = ColorToRGB(FBrush.Color()) & 0xFFFFFF;
    if (direct) {
      for (int y = r.Top; y < r.Bottom; ++y) std::fill_n(FTarget->ScanLine(y) + r.Left, r.Width(), rgb);
    } else {
      const uint8_t index = FTarget->NearestIndex(rgb);
      for (int y = r.Top; y < r.Bottom; ++y)
        std::memset(FTarget->Bits() + size_t(FTarget->Height() - 1 - y) * size_t(FTarget->Stride()) + size_t(r.Left),
                    index, size_t(r.Width()));
    }
  }
  Changed();
}

void TCanvas::MoveTo(int x, int y) { FPenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  const TPoint from = FPenPos;
  FPenPos = {x, y};
  if (FPen.Style() == psClear || from == FPenPos) return;
  const TRect clip = DeviceClip();
  const TColor rgb = ColorToRGB(FPen.Color()) & 0xFFFFFF;
  int onLength = 0, period = 0;
  if (FPen.Style() == psDash) onLength = 18, period = 24;
  if (FPen.Style() == psDot) onLength = 3, period = 6;

  // A line wholly outside the clip costs nothing, however long it is.
  const TRect box =
      TRect{std::min(from.X, x), std::min(from.Y, y), std::max(from.X, x) + 1, std::max(from.Y, y) + 1}.Offset(
          FOrigin.X, FOrigin.Y);
  if (!box.Intersects(clip)) return;

  if (from.Y == y || from.X == x) {
    // Horizontal and vertical lines (all the program draws) walk only their visible part; the
    // dash pattern still counts from the start point.
    const bool horizontal = from.Y == y;
    const int start = horizontal ? from.X : from.Y, end = horizontal ? x : y;
    const int step = start < end ? 1 : -1;
    const int lo = horizontal ? clip.Left - FOrigin.X : clip.Top - FOrigin.Y;
    const int hi = horizontal ? clip.Right - FOrigin.X : clip.Bottom - FOrigin.Y;  // exclusive
    bool drew = false;
    for (int v = std::max(std::min(start, end + 1), lo); v < std::min(std::max(start + 1, end), hi); ++v) {
      const int distance = (v - start) * step;
      if (period != 0 && distance % period >= onLength) continue;
      if (horizontal)
        PutPixelDevice(v + FOrigin.X, y + FOrigin.Y, rgb);
      else
        PutPixelDevice(x + FOrigin.X, v + FOrigin.Y, rgb);
      drew = true;
    }
    if (drew) Changed();
    return;
  }

  // Bresenham from the start point towards the end point; the end point is not drawn.
  int cx = from.X, cy = from.Y;
  const int dx = std::abs(x - cx), dy = -std::abs(y - cy);
  const int sx = cx < x ? 1 : -1, sy = cy < y ? 1 : -1;
  int err = dx + dy;
  bool drew = false;
  for (int step = 0; !(cx == x && cy == y); ++step) {
    if (period == 0 || step % period < onLength) {
      const int px = cx + FOrigin.X, py = cy + FOrigin.Y;
      if (clip.Contains(px, py)) {
        PutPixelDevice(px, py, rgb);
        drew = true;
      }
    }
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      cx += sx;
    }
    if (e2 <= dx) {
      err += dx;
      cy += sy;
    }
  }
  if (drew) Changed();
}

void TCanvas::Rectangle(const TRect& rect) {
  if (rect.IsEmpty()) return;
  if (FPen.Style() == psClear) {
    FillRect(rect);
    return;
  }
  FillRect(rect.Inflate(-1, -1));
  const TPoint saved = FPenPos;
  const int r = rect.Right - 1, b = rect.Bottom - 1;
  // Each side runs up to the next corner, which the next side draws; together they close.
  MoveTo(rect.Left, rect.Top);
  LineTo(r, rect.Top);
  LineTo(r, b);
  LineTo(rect.Left, b);
  LineTo(rect.Left, rect.Top);
  if (rect.Width() == 1 || rect.Height() == 1) {
    // A degenerate rectangle has no "next side" to close it.
    MoveTo(r, b);
    LineTo(r + 1, b);
  }
  FPenPos = saved;
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  const TTextMask mask = FFont.Render(text);
  const int w = FFont.TextWidth(text), h = FFont.TextHeight(text);
  // On a bitmap shown enlarged the text is also drawn at the larger size, over what is there. Spaced
  // as the face is at that size, it may run a little longer or shorter than the normal text.
  const int n = TBitmap::DetailScale();
  std::vector<uint32_t> fine;
  TRect area;
  if (n > 1 && FTarget->PixelFormat() == pf32bit) {
    const TTextMask large = FFont.RenderScaled(text, n);
    area = Bounds(x, y, std::max({w, mask.Width, (large.Width + n - 1) / n}),
                  std::max({h, mask.Height, (large.Height + n - 1) / n}))
               .Offset(FOrigin.X, FOrigin.Y)
               .Intersect(DeviceClip());
    if (!area.IsEmpty()) fine = FineText(x, y, large, area, n);
  }
  if (FBrush.Style() != bsClear) {
    // The background is the brush colour, never its pattern.
    const TRect r = Bounds(x, y, w, h).Offset(FOrigin.X, FOrigin.Y).Intersect(DeviceClip());
    const TColor bg = ColorToRGB(FBrush.Color()) & 0xFFFFFF;
    for (int py = r.Top; py < r.Bottom; ++py)
      for (int px = r.Left; px < r.Right; ++px) PutPixelDevice(px, py, bg);
  }
  const TRect clip = DeviceClip();
  const TColor ink = ColorToRGB(FFont.Color()) & 0xFFFFFF;
  for (int my = 0; my < mask.Height; ++my) {
    const int py = y + my + FOrigin.Y;
    if (py < clip.Top || py >= clip.Bottom) continue;
    for (int mx = 0; mx < mask.Width; ++mx) {
      const int px = x + mx + FOrigin.X;
      if (px < clip.Left || px >= clip.Right) continue;
      if (mask.Coverage[size_t(my) * size_t(mask.Width) + size_t(mx)]) PutPixelDevice(px, py, ink);
    }
  }
  if (!fine.empty()) FTarget->AddDetail(area, std::move(fine));
  Changed();
}

std::vector<uint32_t> TCanvas::FineText(int x, int y, const TTextMask& mask, const TRect& area, int n) const {
  const size_t stride = size_t(area.Width()) * size_t(n);
  std::vector<uint32_t> fine(stride * size_t(area.Height()) * size_t(n));
  if (FBrush.Style() == bsClear) FTarget->Enlarge(area, n, fine.data(), stride);
  // Where the text's top-left corner falls in the larger picture.
  const int left = (x + FOrigin.X) * n - area.Left * n, top = (y + FOrigin.Y) * n - area.Top * n;
  const int right = int(stride), bottom = area.Height() * n;
  // The area is the text's extent (the larger text's where that runs longer), all of it filled by
  // an opaque brush.
  if (FBrush.Style() != bsClear) std::fill(fine.begin(), fine.end(), ColorToRGB(FBrush.Color()) & 0xFFFFFF);
  const TColor ink = ColorToRGB(FFont.Color()) & 0xFFFFFF;
  for (int my = std::max(0, -top); my < mask.Height && top + my < bottom; ++my)
    for (int mx = std::max(0, -left); mx < mask.Width && left + mx < right; ++mx)
      if (mask.Coverage[size_t(my) * size_t(mask.Width) + size_t(mx)])
        fine[size_t(top + my) * stride + size_t(left + mx)] = ink;
  return fine;
}

void TCanvas::Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, bool useKey, TColor key,
                   const TRect& sourceClip) {
  if (dest.IsEmpty() || sourceRect.IsEmpty() || source.Empty()) return;
  const TRect d = dest.Offset(FOrigin.X, FOrigin.Y);
  const TRect visible = d.Intersect(DeviceClip());
  if (visible.IsEmpty()) return;

  // Copying within one bitmap reads from a snapshot, so overlapping areas copy as they were. Made
  // only then: even an empty bitmap allocates, and most draws run every few milliseconds.
  std::optional<TBitmap> snapshot;
  const TBitmap* src = &source;
  if (&source == FTarget) {
    snapshot.emplace(source);
    src = &*snapshot;
  }
  const bool fast = src->PixelFormat() == pf32bit && FTarget->PixelFormat() == pf32bit;
  const int dw = d.Width(), dh = d.Height(), sw = sourceRect.Width(), sh = sourceRect.Height();
  const bool oneToOne = dw == sw && dh == sh;
  const TRect srcBounds = sourceClip.Intersect(src->ClientRect());
  // A finer picture of text in what is copied goes along with it; one under an opaque copy is gone.
  std::vector<uint32_t> fine;
  TRect fineArea;
  if (src->HasDetail() && fast && oneToOne) {
    const TPoint shift{d.Left - sourceRect.Left, d.Top - sourceRect.Top};
    fineArea = visible.Intersect(srcBounds.Offset(shift.X, shift.Y));
    const int n = TBitmap::DetailScale();
    if (n > 1 && src->HasDetailIn(fineArea.Offset(-shift.X, -shift.Y), n))
      fine = FineCopy(*src, fineArea, shift, useKey, key, n);
  }
  if (fine.empty() && !useKey && FTarget->HasDetail()) FTarget->ForgetDetail(visible);
  bool drew = false;
  if (fast && oneToOne) {
    // At the same size, source and destination differ by a constant in both directions: the rows and
    // columns that both have are worked out once, and each row is one plain or keyed copy. Most
    // copies are a few dozen short rows every few milliseconds, so what is done per row counts.
    const int dx = sourceRect.Left - d.Left, dy = sourceRect.Top - d.Top;
    const int x0 = std::max(visible.Left, srcBounds.Left - dx), x1 = std::min(visible.Right, srcBounds.Right - dx);
    const int y0 = std::max(visible.Top, srcBounds.Top - dy), y1 = std::min(visible.Bottom, srcBounds.Bottom - dy);
    if (x1 > x0 && y1 > y0) {
      const size_t width = size_t(x1 - x0), dstStride = size_t(FTarget->Width()), srcStride = size_t(src->Width());
      uint32_t* drow = FTarget->ScanLine(y0) + x0;
      const uint32_t* srow = src->ScanLine(y0 + dy) + (x0 + dx);
      for (int y = y0; y < y1; ++y, drow += dstStride, srow += srcStride) {
        if (!useKey)
          std::memcpy(drow, srow, width * 4);
        else if (!CopyKeyed(drow, srow, int(width), key))
          continue;
        drew = true;
      }
    }
  } else {
    for (int y = visible.Top; y < visible.Bottom; ++y) {
      // Nearest neighbour: destination row y takes source row Top + (y - d.Top) * sh / dh.
      const int sy = sourceRect.Top + int(int64_t(y - d.Top) * sh / dh);
      if (sy < srcBounds.Top || sy >= srcBounds.Bottom) continue;
      const uint32_t* srow = fast ? src->ScanLine(sy) : nullptr;
      uint32_t* drow = fast ? FTarget->ScanLine(y) : nullptr;
      for (int x = visible.Left; x < visible.Right; ++x) {
        const int sx = sourceRect.Left + int(int64_t(x - d.Left) * sw / dw);
        if (sx < srcBounds.Left || sx >= srcBounds.Right) continue;
        const TColor c = srow ? srow[sx] : src->Pixel(sx, sy);
        if (useKey && c == key) continue;
        if (drow)
          drow[x] = c;
        else
          PutPixelDevice(x, y, c);
        drew = true;
      }
    }
  }
  if (!fine.empty()) FTarget->AddDetail(fineArea, std::move(fine));
  if (drew) Changed();
}

std::vector<uint32_t> TCanvas::FineCopy(const TBitmap& source, const TRect& area, TPoint shift, bool useKey, TColor key,
                                        int n) const {
  const size_t stride = size_t(area.Width()) * size_t(n);
  std::vector<uint32_t> fine = FTarget->TakeDetailBuffer(stride * size_t(area.Height()) * size_t(n));
  source.Enlarge(area.Offset(-shift.X, -shift.Y), n, fine.data(), stride);
  if (!useKey) return fine;
  // The key leaves out the finer picture's own pixels, so text drawn in the key shows what is under
  // it: the target's blocks, or its own finer picture where it has one.
  if (!FTarget->HasDetailIn(area, n)) {
    for (int y = 0; y < area.Height() * n; ++y) {
      const uint32_t* row = FTarget->ScanLine(area.Top + y / n) + area.Left;
      uint32_t* out = fine.data() + size_t(y) * stride;
      for (size_t x = 0; x < stride; ++x)
        if (out[x] == key) out[x] = row[x / size_t(n)];
    }
    return fine;
  }
  thread_local std::vector<uint32_t> under;
  under.resize(fine.size());
  FTarget->Enlarge(area, n, under.data(), stride);
  for (size_t i = 0; i < fine.size(); ++i)
    if (fine[i] == key) fine[i] = under[i];
  return fine;
}

void TCanvas::Draw(int x, int y, const TBitmap& source) {
  Blit(Bounds(x, y, source.Width(), source.Height()), source, source.ClientRect(), source.Transparent(),
       source.TransparentColor(), source.ClientRect());
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& source) {
  Blit(dest, source, source.ClientRect(), source.Transparent(), source.TransparentColor(), source.ClientRect());
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
  // The source rectangle is in the source canvas's coordinates; only what its clip allows is read.
  Blit(dest, source.Bitmap(), sourceRect.Offset(source.FOrigin.X, source.FOrigin.Y), false, 0, source.DeviceClip());
}

void TCanvas::DrawTransparent(int x, int y, const TBitmap& source, const TRect& sourceRect, TColor key) {
  Blit(Bounds(x, y, sourceRect.Width(), sourceRect.Height()), source, sourceRect, true, ColorToRGB(key),
       source.ClientRect());
}

TColor TCanvas::Pixel(int x, int y) const {
  const int px = x + FOrigin.X, py = y + FOrigin.Y;
  if (!DeviceClip().Contains(px, py)) return clInvalid;
  return FTarget->Pixel(px, py);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  const int px = x + FOrigin.X, py = y + FOrigin.Y;
  if (!DeviceClip().Contains(px, py)) return;
  FTarget->SetPixel(px, py, color);
}
