// SPDX-License-Identifier: MIT
// Finer pictures of text on bitmaps shown enlarged: kept, counted per pixel, forgotten, enlarged.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "graphics/TBitmap.h"

namespace {

std::atomic<int> gDetailScale{1};

// A pixel word no 32-bit bitmap holds (their top byte is 0): the picture no longer counts there.
constexpr uint32_t kGone = 0xFFFFFFFFu;

// Text areas are redrawn over and over (the caption every turn, list lines on every scroll); each
// new picture replaces those wholly inside it, and past this many the oldest go.
constexpr size_t kMaxPieces = 64;

bool Inside(const TRect& inner, const TRect& outer) { return inner.Intersect(outer) == inner; }

}  // namespace

void TBitmap::SetDetailScale(int scale) { gDetailScale.store(std::clamp(scale, 1, 8), std::memory_order_relaxed); }

int TBitmap::DetailScale() { return gDetailScale.load(std::memory_order_relaxed); }

bool TBitmap::HasDetailIn(const TRect& area, int scale) const {
  return std::any_of(FDetail.begin(), FDetail.end(),
                     [&](const TDetailPiece& p) { return p.Scale == scale && p.Area.Intersects(area); });
}

void TBitmap::Enlarge(const TRect& area, int scale, uint32_t* out, size_t stride) const {
  const int n = scale;
  const size_t wide = size_t(area.Width()) * size_t(n);
  for (int y = area.Top; y < area.Bottom; ++y) {
    uint32_t* first = out + size_t(y - area.Top) * size_t(n) * stride;
    uint32_t* dst = first;
    for (int x = area.Left; x < area.Right; ++x) {
      const uint32_t c = FFormat == pf32bit ? FPixels[size_t(y) * size_t(FWidth) + size_t(x)] : Pixel(x, y);
      for (int i = 0; i < n; ++i) *dst++ = c;
    }
    for (int i = 1; i < n; ++i) std::memcpy(first + size_t(i) * stride, first, wide * 4);
  }
  // Later pictures were made over earlier ones, so they are laid on last.
  for (const TDetailPiece& p : FDetail) {
    const TRect both = p.Area.Intersect(area);
    if (p.Scale != n || both.IsEmpty()) continue;
    const size_t pieceWide = size_t(p.Area.Width()) * size_t(n);
    for (int y = both.Top; y < both.Bottom; ++y) {
      const uint32_t* seen = p.Seen.data() + size_t(y - p.Area.Top) * size_t(p.Area.Width());
      const uint32_t* now = FPixels.data() + size_t(y) * size_t(FWidth);
      for (int x = both.Left; x < both.Right; ++x) {
        if (seen[x - p.Area.Left] != now[x]) continue;
        for (int i = 0; i < n; ++i) {
          const uint32_t* from = p.Fine.data() + (size_t(y - p.Area.Top) * size_t(n) + size_t(i)) * pieceWide +
                                 size_t(x - p.Area.Left) * size_t(n);
          uint32_t* to =
              out + (size_t(y - area.Top) * size_t(n) + size_t(i)) * stride + size_t(x - area.Left) * size_t(n);
          std::memcpy(to, from, size_t(n) * 4);
        }
      }
    }
  }
}

void TBitmap::AddDetail(const TRect& area, std::vector<uint32_t> fine) {
  const int n = DetailScale();
  if (FFormat != pf32bit || n == 1 || area.IsEmpty() || !Inside(area, ClientRect()) ||
      fine.size() != size_t(area.Width()) * size_t(area.Height()) * size_t(n) * size_t(n))
    return;
  std::erase_if(FDetail, [&](const TDetailPiece& p) { return Inside(p.Area, area); });
  if (FDetail.size() >= kMaxPieces) FDetail.erase(FDetail.begin());
  TDetailPiece piece{area, n, size_t(area.Width()) * size_t(area.Height()), {}, std::move(fine)};
  piece.Seen.reserve(piece.Live);
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint32_t* row = FPixels.data() + size_t(y) * size_t(FWidth);
    piece.Seen.insert(piece.Seen.end(), row + area.Left, row + area.Right);
  }
  FDetail.push_back(std::move(piece));
}

void TBitmap::ForgetDetail(const TRect& area) {
  for (TDetailPiece& p : FDetail) {
    const TRect both = p.Area.Intersect(area);
    if (both.IsEmpty()) continue;
    for (int y = both.Top; y < both.Bottom; ++y) {
      uint32_t* seen = p.Seen.data() + size_t(y - p.Area.Top) * size_t(p.Area.Width());
      for (int x = both.Left - p.Area.Left; x < both.Right - p.Area.Left; ++x) {
        if (seen[x] == kGone) continue;
        seen[x] = kGone;
        --p.Live;
      }
    }
  }
  std::erase_if(FDetail, [](const TDetailPiece& p) { return p.Live == 0; });
}
