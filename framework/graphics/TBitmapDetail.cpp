// SPDX-License-Identifier: MIT
// Finer pictures of text on bitmaps shown enlarged: kept, counted per pixel, forgotten, enlarged.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

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

void TBitmap::Enlarge(const TRect& area, int scale, uint32_t* out, size_t stride, bool swapRedBlue) const {
  const int n = scale;
  const auto word = [swapRedBlue](uint32_t c) { return swapRedBlue ? AsRedHigh(c) : c; };
  // Which picture each pixel of a row comes from (an index into FDetail), or -1 for a block: the
  // latest picture that still counts there, since later pictures were made over earlier ones.
  // Kept per thread: the window thread and the display thread enlarge alike.
  thread_local std::vector<int> from;
  from.resize(size_t(std::max(area.Width(), 0)));
  for (int y = area.Top; y < area.Bottom; ++y) {
    std::fill(from.begin(), from.end(), -1);
    const uint32_t* now = FFormat == pf32bit ? FPixels.data() + size_t(y) * size_t(FWidth) : nullptr;
    for (size_t k = FDetail.size(); k-- > 0;) {
      const TDetailPiece& p = FDetail[k];
      if (p.Scale != n || y < p.Area.Top || y >= p.Area.Bottom) continue;
      const uint32_t* seen = p.Seen.data() + size_t(y - p.Area.Top) * size_t(p.Area.Width()) - p.Area.Left;
      for (int x = std::max(area.Left, p.Area.Left); x < std::min(area.Right, p.Area.Right); ++x)
        if (from[size_t(x - area.Left)] < 0 && seen[x] == now[x]) from[size_t(x - area.Left)] = int(k);
    }
    uint32_t* row = out + size_t(y - area.Top) * size_t(n) * stride;
    for (int x = area.Left; x < area.Right;) {
      const int k = from[size_t(x - area.Left)];
      const int start = x;
      while (x < area.Right && from[size_t(x - area.Left)] == k) ++x;
      if (k < 0) {
        // Blocks: one row widened, its other rows copied.
        uint32_t* dst = row + size_t(start - area.Left) * size_t(n);
        for (int c = start; c < x; ++c) {
          const uint32_t w = word(now ? now[c] : Pixel(c, y));
          for (int i = 0; i < n; ++i) *dst++ = w;
        }
        for (int i = 1; i < n; ++i)
          std::memcpy(row + size_t(i) * stride + size_t(start - area.Left) * size_t(n),
                      row + size_t(start - area.Left) * size_t(n), size_t(x - start) * size_t(n) * 4);
        continue;
      }
      const TDetailPiece& p = FDetail[size_t(k)];
      const size_t pieceWide = size_t(p.Area.Width()) * size_t(n);
      for (int i = 0; i < n; ++i) {
        const uint32_t* src = p.Fine.data() + (size_t(y - p.Area.Top) * size_t(n) + size_t(i)) * pieceWide +
                              size_t(start - p.Area.Left) * size_t(n);
        uint32_t* dst = row + size_t(i) * stride + size_t(start - area.Left) * size_t(n);
        if (swapRedBlue)
          CopyAsRedHighWords(dst, src, size_t(x - start) * size_t(n));
        else
          std::memcpy(dst, src, size_t(x - start) * size_t(n) * 4);
      }
    }
  }
}

void TBitmap::AddDetail(const TRect& area, std::vector<uint32_t> fine) {
  const int n = DetailScale();
  if (FFormat != pf32bit || n == 1 || area.IsEmpty() || !Inside(area, ClientRect()) ||
      fine.size() != size_t(area.Width()) * size_t(area.Height()) * size_t(n) * size_t(n))
    return;
  std::erase_if(FDetail, [&](TDetailPiece& p) {
    if (!Inside(p.Area, area)) return false;
    if (p.Fine.capacity() > FSpareFine.capacity()) FSpareFine = std::move(p.Fine);
    return true;
  });
  if (FDetail.size() >= kMaxPieces) FDetail.erase(FDetail.begin());
  TDetailPiece piece{area, n, size_t(area.Width()) * size_t(area.Height()), {}, std::move(fine)};
  piece.Seen.reserve(piece.Live);
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint32_t* row = FPixels.data() + size_t(y) * size_t(FWidth);
    piece.Seen.insert(piece.Seen.end(), row + area.Left, row + area.Right);
  }
  FDetail.push_back(std::move(piece));
}

std::vector<uint32_t> TBitmap::TakeDetailBuffer(size_t words) {
  std::vector<uint32_t> buffer = std::exchange(FSpareFine, {});
  buffer.resize(words);
  return buffer;
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
