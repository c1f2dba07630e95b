// SPDX-License-Identifier: MIT
// TRegion: banded rectangle sets, combined band by band.
#include "graphics/TRegion.h"

#include <algorithm>
#include <cassert>

namespace {

using TSpans = std::vector<std::pair<int, int>>;

// Past this many gathered rectangles a collector folds them into a region's.
constexpr size_t kMaxGathered = 32;

// True when one of `rects` covers all of `inner`.
bool AnyCovers(const std::vector<TRect>& rects, const TRect& inner) {
  return std::any_of(rects.begin(), rects.end(), [&](const TRect& outer) {
    return outer.Left <= inner.Left && outer.Top <= inner.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
  });
}

struct TBand {
  int Top, Bottom;
  TSpans Spans;
};

std::vector<TBand> ToBands(const std::vector<TRect>& rects) {
  std::vector<TBand> bands;
  for (const TRect& r : rects) {
    if (bands.empty() || bands.back().Top != r.Top) bands.push_back({r.Top, r.Bottom, {}});
    bands.back().Spans.emplace_back(r.Left, r.Right);
  }
  return bands;
}

// Appends a band, joining it to the previous one when they touch and have the same columns, so the
// result stays canonical.
void AppendBand(std::vector<TRect>& out, size_t& lastBandStart, int top, int bottom, const TSpans& spans) {
  if (spans.empty() || top >= bottom) return;
  if (!out.empty() && out.back().Bottom == top && out.size() - lastBandStart == spans.size()) {
    bool same = true;
    for (size_t i = 0; i < spans.size() && same; ++i) {
      const TRect& r = out[lastBandStart + i];
      same = r.Left == spans[i].first && r.Right == spans[i].second;
    }
    if (same) {
      for (size_t i = lastBandStart; i < out.size(); ++i) out[i].Bottom = bottom;
      return;
    }
  }
  lastBandStart = out.size();
  for (const auto& [l, r] : spans) out.push_back({l, top, r, bottom});
}

template <typename TKeep>
void CombineSpans(const TSpans& a, const TSpans& b, TKeep keep, TSpans& out) {
  out.clear();
  std::vector<int> xs;
  xs.reserve((a.size() + b.size()) * 2);
  for (const auto& [l, r] : a) xs.push_back(l), xs.push_back(r);
  for (const auto& [l, r] : b) xs.push_back(l), xs.push_back(r);
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    const int x0 = xs[i], x1 = xs[i + 1];
    while (ia < a.size() && a[ia].second <= x0) ++ia;
    while (ib < b.size() && b[ib].second <= x0) ++ib;
    const bool inA = ia < a.size() && a[ia].first <= x0;
    const bool inB = ib < b.size() && b[ib].first <= x0;
    if (!keep(inA, inB)) continue;
    if (!out.empty() && out.back().second == x0)
      out.back().second = x1;
    else
      out.emplace_back(x0, x1);
  }
}

}  // namespace

TRegion::TRegion(const TRect& rect) {
  if (!rect.IsEmpty()) FRects.push_back(rect);
}

TRegion TRegion::FromRects(std::span<const TRect> rects) {
  std::vector<int> ys;
  for (const TRect& r : rects)
    if (!r.IsEmpty()) ys.push_back(r.Top), ys.push_back(r.Bottom);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  TRegion result;
  size_t lastBandStart = 0;
  TSpans spans, merged;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    spans.clear();
    for (const TRect& r : rects)
      if (!r.IsEmpty() && r.Top <= ys[i] && r.Bottom > ys[i]) spans.emplace_back(r.Left, r.Right);
    std::sort(spans.begin(), spans.end());
    merged.clear();
    for (const auto& s : spans) {
      if (!merged.empty() && s.first <= merged.back().second)
        merged.back().second = std::max(merged.back().second, s.second);
      else
        merged.push_back(s);
    }
    AppendBand(result.FRects, lastBandStart, ys[i], ys[i + 1], merged);
  }
  return result;
}

TRect TRegion::Bounds() const {
  if (FRects.empty()) return {};
  TRect b{FRects.front().Left, FRects.front().Top, FRects.front().Right, FRects.back().Bottom};
  for (const TRect& r : FRects) b.Left = std::min(b.Left, r.Left), b.Right = std::max(b.Right, r.Right);
  return b;
}

bool TRegion::Contains(int x, int y) const {
  // Bands are sorted by top; skip to the first rectangle whose bottom lies below y.
  auto it = std::partition_point(FRects.begin(), FRects.end(), [y](const TRect& r) { return r.Bottom <= y; });
  for (; it != FRects.end() && it->Top <= y; ++it)
    if (x >= it->Left && x < it->Right) return true;
  return false;
}

long long TRegion::Area() const {
  long long area = 0;
  for (const TRect& r : FRects) area += (long long)r.Width() * r.Height();
  return area;
}

TRegion TRegion::Combine(const TRegion& a, const TRegion& b, TOp op) {
  const std::vector<TBand> ba = ToBands(a.FRects), bb = ToBands(b.FRects);
  std::vector<int> ys;
  ys.reserve((ba.size() + bb.size()) * 2);
  for (const TBand& band : ba) ys.push_back(band.Top), ys.push_back(band.Bottom);
  for (const TBand& band : bb) ys.push_back(band.Top), ys.push_back(band.Bottom);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  auto keep = [op](bool inA, bool inB) {
    switch (op) {
      case TOp::Union: return inA || inB;
      case TOp::Intersect: return inA && inB;
      case TOp::Subtract: return inA && !inB;
      case TOp::Xor: return inA != inB;
    }
    return false;
  };
  static const TSpans kNone;
  TRegion result;
  size_t lastBandStart = 0, ia = 0, ib = 0;
  TSpans spans;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const int y0 = ys[i], y1 = ys[i + 1];
    while (ia < ba.size() && ba[ia].Bottom <= y0) ++ia;
    while (ib < bb.size() && bb[ib].Bottom <= y0) ++ib;
    const TSpans& sa = (ia < ba.size() && ba[ia].Top <= y0) ? ba[ia].Spans : kNone;
    const TSpans& sb = (ib < bb.size() && bb[ib].Top <= y0) ? bb[ib].Spans : kNone;
    if (sa.empty() && sb.empty()) continue;
    CombineSpans(sa, sb, keep, spans);
    AppendBand(result.FRects, lastBandStart, y0, y1, spans);
  }
  return result;
}

TRegion TRegion::Union(const TRegion& other) const {
  // A paint's bookkeeping unions a rectangle at a time, mostly into nothing yet or into an area that
  // already holds it: both regions are kept in their banded form, so those cases need no sweep.
  if (other.IsEmpty()) return *this;
  if (IsEmpty()) return other;
  if (other.FRects.size() == 1 && AnyCovers(FRects, other.FRects.front())) return *this;
  return Combine(*this, other, TOp::Union);
}

void TRegion::TCollector::Add(const TRect& rect) {
  if (rect.IsEmpty() || AnyCovers(FRects, rect)) return;
  // Many small parts: the region of them, often fewer, takes their place.
  if (FRects.size() >= kMaxGathered) FRects = TRegion::FromRects(FRects).FRects;
  FRects.push_back(rect);
}

void TRegion::TCollector::TakeParts(std::vector<TRect>& parts) {
  bool apart = true;
  for (size_t i = 0; i < FRects.size() && apart; ++i)
    for (size_t j = i + 1; j < FRects.size() && apart; ++j) apart = FRects[i].Intersect(FRects[j]).IsEmpty();
  if (apart)
    parts.swap(FRects);
  else
    parts = TRegion::FromRects(FRects).FRects;
  FRects.clear();
}

TRegion TRegion::Intersect(const TRegion& other) const { return Combine(*this, other, TOp::Intersect); }
TRegion TRegion::Subtract(const TRegion& other) const { return Combine(*this, other, TOp::Subtract); }
TRegion TRegion::Xor(const TRegion& other) const { return Combine(*this, other, TOp::Xor); }

void TRegion::Offset(int dx, int dy) {
  for (TRect& r : FRects) r = r.Offset(dx, dy);
}

void TRegion::TBuilder::AddRun(int y, int left, int right) {
  if (left >= right) return;
  if (!FHasRow || y != FRowY) {
    assert((!FHasRow || y > FRowY) && "region runs must come row by row, top to bottom");
    FlushRow();
    FRowY = y;
    FHasRow = true;
  }
  if (!FRow.empty() && left <= FRow.back().second) {
    assert(left >= FRow.back().first && "region runs of a row must come left to right");
    FRow.back().second = std::max(FRow.back().second, right);
  } else {
    FRow.emplace_back(left, right);
  }
}

void TRegion::TBuilder::FlushRow() {
  if (!FHasRow) return;
  AppendBand(FRects, FLastBandStart, FRowY, FRowY + 1, FRow);
  FRow.clear();
  FHasRow = false;
}

TRegion TRegion::TBuilder::Build() {
  FlushRow();
  TRegion result;
  result.FRects = std::move(FRects);
  FRects.clear();
  FLastBandStart = 0;
  return result;
}
