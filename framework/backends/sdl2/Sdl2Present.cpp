// SPDX-License-Identifier: MIT
// The SDL2 backend's painting: parts of the window surface go up through the shared-memory painter
// or SDL's surface, and reach the X server at most once a frame, merged where that saves requests.
#include "Sdl2Backend.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include "Sdl2X11.h"
#include "graphics/TBitmap.h"

namespace {

uint32_t NativeOf(uint32_t c) { return (c & 0xFF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16); }

// Past this many separate parts waiting to be shown, one rectangle around them all is cheaper.
constexpr size_t kMaxPendingParts = 16;
// A copy from another thread waits for the message loop's own wake-up if that comes within this
// time, rather than waking the window thread once more by itself.
constexpr auto kCopyLatency = std::chrono::milliseconds(10);

constexpr auto kFrameSlack = std::chrono::milliseconds(4);

// Two parts go to the server as one when the rectangle around both is at most this much larger
// than the two together: one request instead of two, for a few pixels more.
bool WorthMerging(const TRect& a, const TRect& b) {
  const TRect u = a.Union(b);
  const int64_t both = int64_t(a.Width()) * a.Height() + int64_t(b.Width()) * b.Height();
  return int64_t(u.Width()) * u.Height() <= both + both / 4;
}

void MergeParts(std::vector<TRect>& parts) {
  for (size_t i = 0; i < parts.size(); ++i) {
    for (size_t j = i + 1; j < parts.size(); ++j) {
      if (!WorthMerging(parts[i], parts[j])) continue;
      parts[i] = parts[i].Union(parts[j]);
      parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(j));
      // The larger part may now take in one that it could not before.
      j = i;
    }
  }
}
}  // namespace

bool TSdl2Backend::FrameDue() const {
  // A wake-up a little early for its frame still sends it: waiting for the next 10 ms turn would
  // make that frame a whole turn longer.
  return FSendNow || TClock::now() - FLastSent >= kFramePeriod - kFrameSlack;
}

void TSdl2Backend::SendIfDue() {
  if (!FUnsent.empty() && FrameDue()) SendUnsent();
}

std::optional<TTimePoint> TSdl2Backend::FrameHeldUntil() const {
  // Only the shared-memory painter sends in frames.
  if (!FPainter || FrameDue()) return std::nullopt;
  return FLastSent + kFramePeriod;
}

void TSdl2Backend::SendUnsent() {
  FLastSent = TClock::now();
  FSendNow = false;
  if (!FPainter || FUnsent.empty()) return;
  MergeParts(FUnsent);
  {
    // Plain puts copy the pixels into the request here, so another thread must not write them
    // meanwhile; a shared buffer is read by the server later anyway.
    std::unique_lock lock(FSurfaceLock, std::defer_lock);
    if (!FPainter->Shared()) lock.lock();
    for (const TRect& r : FUnsent) FPainter->Put(FScale == 1 ? r : Up(r));
  }
  FUnsent.clear();
  FPainter->Flush();
}

// --- Pixels ----------------------------------------------------------------------------------

void TSdl2Backend::Present(const TBitmap& frame, const std::vector<TRect>& dirty) {
  if (!FWindow || frame.PixelFormat() != pf32bit) return;
  const TRect limit = FClient.Intersect(frame.ClientRect());
  std::vector<TRect>& parts = FShowParts;
  parts.clear();
  if (dirty.empty()) {
    parts.push_back(limit);
  } else {
    for (const TRect& r : dirty) parts.push_back(r.Intersect(limit));
  }
  std::unique_lock lock(FSurfaceLock);
  if (!FHasWindow) return;
  for (const TRect& r : parts) {
    if (FScale != 1) {
      PutScaled(frame, 0, 0, r);
      continue;
    }
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint32_t* dst = FSurface + static_cast<size_t>(y) * FStride + r.Left;
      const uint32_t* src = frame.ScanLine(y) + r.Left;
      if (FNativeOrder)
        CopyAsRedHighWords(dst, src, static_cast<size_t>(r.Width()));
      else
        std::memcpy(dst, src, static_cast<size_t>(r.Width()) * 4);
    }
  }
  // What another thread copied meanwhile goes out with this frame.
  parts.insert(parts.end(), FPendingCopies.begin(), FPendingCopies.end());
  FPendingCopies.clear();
  lock.unlock();
  ShowRects(parts);
}

void TSdl2Backend::CopyToWindow(int x, int y, const TBitmap& bitmap) {
  bool first = false;
  {
    std::lock_guard lock(FSurfaceLock);
    if (!FHasWindow) return;
    const TRect target = Bounds(x, y, bitmap.Width(), bitmap.Height()).Intersect(FClient);
    if (target.IsEmpty()) return;
    if (FScale != 1) PutScaled(bitmap, x, y, target);
    for (int row = target.Top; row < target.Bottom && FScale == 1; ++row) {
      uint32_t* dst = FSurface + static_cast<size_t>(row) * FStride + target.Left;
      const int srcY = row - y;
      if (bitmap.PixelFormat() == pf32bit) {
        const uint32_t* src = bitmap.ScanLine(srcY) + (target.Left - x);
        if (FNativeOrder)
          CopyAsRedHighWords(dst, src, static_cast<size_t>(target.Width()));
        else
          std::memcpy(dst, src, static_cast<size_t>(target.Width()) * 4);
      } else {
        // Indexed rows are stored bottom-up.
        const uint8_t* src = bitmap.Bits() + static_cast<size_t>(bitmap.Height() - 1 - srcY) * bitmap.Stride();
        const TColor* palette = bitmap.Palette().data();
        for (int col = target.Left; col < target.Right; ++col) {
          const TColor c = palette[src[col - x]];
          dst[col - target.Left] = FNativeOrder ? NativeOf(c) : c;
        }
      }
    }
    // Within kCopyLatency of the end of the loop's wait (or while the loop is busy between two
    // waits) the copy is shown by the loop's own wake-up.
    const int64_t deadline = FWaitDeadline.load(std::memory_order_relaxed);
    first = FPendingCopies.empty() &&
            (deadline == kNoDeadline || TTimePoint(TClock::duration(deadline)) - TClock::now() > kCopyLatency);
    if (FPendingCopies.size() >= kMaxPendingParts) {
      TRect all = target;
      for (const TRect& r : FPendingCopies) all = all.Union(r);
      FPendingCopies.assign(1, all);
    } else {
      FPendingCopies.push_back(target);
    }
  }
  // One wake per batch is enough: the UI thread takes every waiting part at once.
  if (first) Wake();
}

void TSdl2Backend::PutScaled(const TBitmap& bitmap, int x, int y, const TRect& r) {
  // Each row goes out once, its pixels widened into blocks; the block's other rows copy it. Only
  // the part asked for is scaled, so a frame that changes a little costs a little.
  const int n = FScale;
  const size_t wide = static_cast<size_t>(r.Width()) * n;
  const TRect own = r.Offset(-x, -y);
  if (bitmap.HasDetailIn(own, n)) {
    // Text in the part: the bitmap enlarges it with the text drawn at this size.
    bitmap.Enlarge(own, n, FSurface + static_cast<size_t>(r.Top) * n * FStride + static_cast<size_t>(r.Left) * n,
                   static_cast<size_t>(FStride), FNativeOrder);
    return;
  }
  const bool indexed = bitmap.PixelFormat() != pf32bit;
  const TColor* palette = indexed ? bitmap.Palette().data() : nullptr;
  for (int row = r.Top; row < r.Bottom; ++row) {
    uint32_t* first = FSurface + static_cast<size_t>(row) * n * FStride + static_cast<size_t>(r.Left) * n;
    const int srcY = row - y;
    // Indexed rows are stored bottom-up.
    const uint8_t* indices =
        indexed ? bitmap.Bits() + static_cast<size_t>(bitmap.Height() - 1 - srcY) * bitmap.Stride() + (r.Left - x)
                : nullptr;
    const uint32_t* words = indexed ? nullptr : bitmap.ScanLine(srcY) + (r.Left - x);
    uint32_t* dst = first;
    for (int col = 0; col < r.Width(); ++col) {
      const TColor c = indexed ? palette[indices[col]] : words[col];
      const uint32_t word = FNativeOrder ? NativeOf(c) : c;
      for (int i = 0; i < n; ++i) *dst++ = word;
    }
    for (int i = 1; i < n; ++i) std::memcpy(first + static_cast<size_t>(i) * FStride, first, wide * 4);
  }
}

void TSdl2Backend::PresentPendingCopies() {
  std::vector<TRect>& parts = FShowParts;
  parts.clear();
  {
    // Swapped, not moved: both lists keep their capacity, so no copy allocates.
    std::lock_guard lock(FSurfaceLock);
    parts.swap(FPendingCopies);
  }
  if (!parts.empty()) ShowRects(parts);
}

void TSdl2Backend::ShowAll() {
  if (!FWindow) return;
  if (!FPainter) {
    SDL_UpdateWindowSurface(FWindow);
    return;
  }
  std::vector<TRect>& parts = FShowParts;
  parts.assign(1, FClient);
  ShowRects(parts);
  // The window was just shown or uncovered: it goes out now.
  FSendNow = true;
}

void TSdl2Backend::ShowRects(std::vector<TRect>& rects) {
  if (FPainter) {
    ApplyShape(false);
    // Sent by a wait, at the next frame time (SendUnsent).
    for (const TRect& raw : rects) {
      const TRect r = raw.Intersect(FClient);
      if (r.IsEmpty()) continue;
      // A part shown again before it went out (the caption, every turn) is sent once.
      if (std::find(FUnsent.begin(), FUnsent.end(), r) == FUnsent.end()) FUnsent.push_back(r);
    }
    if (FUnsent.size() > kMaxPendingParts) {
      TRect all = FUnsent.front();
      for (const TRect& r : FUnsent) all = all.Union(r);
      FUnsent.assign(1, all);
    }
    return;
  }
  SDL_Surface* surface = FWindow ? SDL_GetWindowSurface(FWindow) : nullptr;
  if (!surface) return;
  ApplyShape(false);
  std::vector<SDL_Rect>& sdlRects = FSdlRects;
  sdlRects.clear();
  {
    std::lock_guard lock(FSurfaceLock);
    if (!FHasWindow) return;
    const int stride = FStride;
    const bool mustLock = SDL_MUSTLOCK(surface);
    if (mustLock && SDL_LockSurface(surface) != 0) return;
    const int bpp = surface->format->BytesPerPixel;
    for (const TRect& raw : rects) {
      const TRect r = Up(raw.Intersect(FClient)).Intersect({0, 0, surface->w, surface->h});
      if (r.IsEmpty()) continue;
      const uint32_t* src = FSurface + static_cast<size_t>(r.Top) * stride + r.Left;
      auto* dst = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(r.Top) * surface->pitch + r.Left * bpp;
      SDL_ConvertPixels(r.Width(), r.Height(), SDL_PIXELFORMAT_XBGR8888, src, stride * 4, surface->format->format, dst,
                        surface->pitch);
      sdlRects.push_back({r.Left, r.Top, r.Width(), r.Height()});
    }
    if (mustLock) SDL_UnlockSurface(surface);
  }
  if (!sdlRects.empty()) SDL_UpdateWindowSurfaceRects(FWindow, sdlRects.data(), static_cast<int>(sdlRects.size()));
}
