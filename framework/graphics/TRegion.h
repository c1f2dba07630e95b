// SPDX-License-Identifier: MIT
// A set of pixels kept as non-overlapping rectangles in y-x bands, with set algebra.
#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "graphics/TRect.h"

// The rectangles are kept canonical: sorted by top and then left, grouped into bands (all
// rectangles of a band share top and bottom), rectangles within a band neither overlap nor touch,
// and two bands that touch vertically never have the same columns (they would have been merged).
// So two regions cover the same pixels exactly when their rectangle lists are equal.
class TRegion {
public:
  TRegion() = default;
  explicit TRegion(const TRect& rect);
  // Any rectangles, overlapping or not.
  static TRegion FromRects(std::span<const TRect> rects);

  bool IsEmpty() const { return FRects.empty(); }
  const std::vector<TRect>& Rects() const { return FRects; }
  TRect Bounds() const;
  bool Contains(int x, int y) const;
  bool Contains(TPoint p) const { return Contains(p.X, p.Y); }
  long long Area() const;

  TRegion Union(const TRegion& other) const;
  TRegion Intersect(const TRegion& other) const;
  TRegion Subtract(const TRegion& other) const;  // this minus other
  TRegion Xor(const TRegion& other) const;       // in exactly one of the two
  void Offset(int dx, int dy);

  bool operator==(const TRegion& other) const { return FRects == other.FRects; }

  // Builds a region from horizontal runs given in reading order: rows top to bottom, and within a
  // row left to right. Runs of a row may touch (they are joined) but must not go backwards. This
  // is linear in the number of runs, so a whole picture can be turned into a region one run at a
  // time cheaply.
  class TBuilder {
  public:
    // Adds the pixels left..right-1 of row y. Empty runs are ignored.
    void AddRun(int y, int left, int right);
    // Hands out the region of all runs added so far and starts over empty.
    TRegion Build();

  private:
    void FlushRow();

    std::vector<TRect> FRects;
    std::vector<std::pair<int, int>> FRow;  // spans of the row being collected
    int FRowY = 0;
    bool FHasRow = false;
    size_t FLastBandStart = 0;  // index in FRects where the last finished band starts
  };

  // Gathers rectangles one at a time, as painting marks them, and sorts out their overlaps once, when
  // they are taken. A rectangle inside one already gathered is left out at the cost of a look, while a
  // region kept in its banded form splits what it holds and would sweep again for the same one.
  class TCollector {
  public:
    void Add(const TRect& rect);
    bool IsEmpty() const { return FRects.empty(); }
    // Everything added, into `parts`, as rectangles that do not overlap, leaving the collector
    // empty. Parts apart from each other come back as they were added; only overlapping ones take
    // the region's sweep. The two lists trade their storage, so a collector filled and emptied
    // every frame allocates nothing once both have grown.
    void TakeParts(std::vector<TRect>& parts);

  private:
    std::vector<TRect> FRects;
  };

private:
  enum class TOp { Union, Intersect, Subtract, Xor };
  static TRegion Combine(const TRegion& a, const TRegion& b, TOp op);

  std::vector<TRect> FRects;
};
