// SPDX-License-Identifier: MIT
// Region algebra checked against a plain pixel set, and the canonical form it keeps.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "graphics/TRegion.h"

namespace {

using TPixels = std::set<std::pair<int, int>>;

TPixels PixelsOf(const TRegion& r) {
  TPixels p;
  for (const TRect& rect : r.Rects())
    for (int y = rect.Top; y < rect.Bottom; ++y)
      for (int x = rect.Left; x < rect.Right; ++x) p.insert({x, y});
  return p;
}

// The invariants every region keeps: rectangles non-empty, not overlapping, covering exactly its
// area, sorted in bands, touching rectangles in a band joined, touching equal bands merged.
void ExpectCanonical(const TRegion& r) {
  long long sum = 0;
  const auto& rects = r.Rects();
  for (size_t i = 0; i < rects.size(); ++i) {
    ASSERT_FALSE(rects[i].IsEmpty());
    sum += (long long)rects[i].Width() * rects[i].Height();
    if (i > 0) {
      const TRect& a = rects[i - 1];
      const TRect& b = rects[i];
      if (a.Top == b.Top) {
        ASSERT_EQ(a.Bottom, b.Bottom);
        ASSERT_LT(a.Right, b.Left);  // not even touching
      } else {
        ASSERT_GE(b.Top, a.Bottom);
      }
    }
  }
  EXPECT_EQ(sum, (long long)PixelsOf(r).size());  // no overlap: areas add up to the pixel count
  EXPECT_EQ(sum, r.Area());
  // Merged bands: rebuilding from the rectangles gives the same list.
  EXPECT_EQ(TRegion::FromRects(rects).Rects(), rects);
}

TRegion RandomRegion(std::mt19937& rng, int rects) {
  std::uniform_int_distribution<int> pos(0, 24), size(1, 9);
  std::vector<TRect> list;
  for (int i = 0; i < rects; ++i) list.push_back(Bounds(pos(rng), pos(rng), size(rng), size(rng)));
  return TRegion::FromRects(list);
}

}  // namespace

TEST(Region, algebra_matches_pixel_sets_and_stays_canonical) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    const TRegion a = RandomRegion(rng, 1 + round % 6), b = RandomRegion(rng, 1 + round % 5);
    const TPixels pa = PixelsOf(a), pb = PixelsOf(b);
    TPixels u = pa, i, d, x;
    u.insert(pb.begin(), pb.end());
    for (auto p : pa) (pb.count(p) ? i : d).insert(p);
    for (auto p : u)
      if (pa.count(p) != pb.count(p)) x.insert(p);

    const TRegion ru = a.Union(b), ri = a.Intersect(b), rd = a.Subtract(b), rx = a.Xor(b);
    ExpectCanonical(ru);
    ExpectCanonical(ri);
    ExpectCanonical(rd);
    ExpectCanonical(rx);
    ASSERT_EQ(PixelsOf(ru), u);
    ASSERT_EQ(PixelsOf(ri), i);
    ASSERT_EQ(PixelsOf(rd), d);
    ASSERT_EQ(PixelsOf(rx), x);
    // A minus B never meets B; union is the same either way round (canonical equality).
    EXPECT_TRUE(rd.Intersect(b).IsEmpty());
    EXPECT_EQ(ru, b.Union(a));
    EXPECT_EQ(rd.Union(ri), a);
    for (int y = -1; y < 36; y += 3)
      for (int px = -1; px < 36; px += 2) ASSERT_EQ(ru.Contains(px, y), u.count({px, y}) == 1);
    // The unions a paint makes most: into nothing, of nothing, and of a part already held.
    EXPECT_EQ(TRegion().Union(b), b);
    EXPECT_EQ(a.Union(TRegion()), a);
    const TRect held = a.Rects()[size_t(round) % a.Rects().size()];
    const TRect inner = Rect(held.Left + round % 2, held.Top, held.Right, held.Bottom - round % 3 % 2);
    EXPECT_EQ(a.Union(TRegion(inner)), a);
    const TRegion partly = a.Union(TRegion(inner.Offset(1, 0)));
    ExpectCanonical(partly);
    TPixels pp = pa, shifted = PixelsOf(TRegion(inner.Offset(1, 0)));
    pp.insert(shifted.begin(), shifted.end());
    ASSERT_EQ(PixelsOf(partly), pp);
  }
}

TEST(Region, bounds_offset_and_copies) {
  TRegion r = TRegion(Rect(2, 3, 5, 4)).Union(TRegion(Rect(10, 0, 12, 2)));
  EXPECT_EQ(r.Bounds(), Rect(2, 0, 12, 4));
  TRegion copy = r;
  copy.Offset(-2, 5);
  EXPECT_EQ(copy.Bounds(), Rect(0, 5, 10, 9));
  EXPECT_TRUE(copy.Contains(0, 8));
  EXPECT_FALSE(copy.Contains(0, 9));
  EXPECT_NE(copy, r);
  copy.Offset(2, -5);
  EXPECT_EQ(copy, r);
  EXPECT_TRUE(TRegion(Rect(3, 3, 3, 9)).IsEmpty());
  EXPECT_EQ(TRegion().Bounds(), TRect{});
  EXPECT_TRUE(r.Subtract(r).IsEmpty());
}

TEST(Region, builder_from_runs_equals_the_union_of_its_runs) {
  // A picture whose key pixels form a ring with a hole and some scattered runs.
  const int w = 40, h = 30;
  auto key = [](int x, int y) {
    const int dx = x - 20, dy = y - 15;
    const int d = dx * dx + dy * dy;
    return (d > 60 && d < 150) || (y % 7 == 0 && x % 5 < 2);
  };
  TRegion::TBuilder builder;
  std::vector<TRect> runs;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w;) {
      const int start = x;
      while (x < w && key(x, y)) ++x;
      builder.AddRun(y, start, x);
      if (x > start) runs.push_back(Rect(start, y, x, y + 1));
      while (x < w && !key(x, y)) ++x;
    }
  const TRegion built = builder.Build();
  ExpectCanonical(built);
  EXPECT_EQ(built, TRegion::FromRects(runs));
  // The window outline: everything minus the holes.
  const TRegion shape = TRegion(Rect(0, 0, w, h)).Subtract(built);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(shape.Contains(x, y), !key(x, y));
  // Equal rows one under another become one band.
  TRegion::TBuilder block;
  for (int y = 5; y < 9; ++y) block.AddRun(y, 1, 4), block.AddRun(y, 4, 6);
  EXPECT_EQ(block.Build().Rects(), std::vector<TRect>{Rect(1, 5, 6, 9)});
}

TEST(Region, collector_takes_the_union_of_what_was_added_however_many) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pos(0, 24), size(0, 9);
  // One collector and one list for every round, as a form keeps them: what a round took must not
  // come back in the next.
  TRegion::TCollector collector;
  std::vector<TRect> parts;
  for (int round = 0; round < 50; ++round) {
    std::vector<TRect> added;
    // Past the collector's fold, and with repeats and rectangles inside others.
    const int count = 1 + round * 2;
    for (int i = 0; i < count; ++i) {
      const TRect r = i % 5 == 4 && !added.empty() ? added[size_t(i) % added.size()]
                                                   : Bounds(pos(rng), pos(rng), size(rng), size(rng));
      collector.Add(r);
      added.push_back(r);
    }
    collector.TakeParts(parts);
    long long area = 0;
    for (const TRect& r : parts) area += (long long)r.Width() * r.Height();
    // The same pixels, none of them twice.
    EXPECT_EQ(PixelsOf(TRegion::FromRects(parts)), PixelsOf(TRegion::FromRects(added)));
    EXPECT_EQ(area, TRegion::FromRects(added).Area());
    EXPECT_TRUE(collector.IsEmpty());
    std::vector<TRect> again{Rect(0, 0, 1, 1)};
    collector.TakeParts(again);
    EXPECT_TRUE(again.empty());
  }
}
