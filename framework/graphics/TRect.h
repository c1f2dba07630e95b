// SPDX-License-Identifier: MIT
// Points and rectangles in pixel coordinates (y downwards; right and bottom edges exclusive).
#pragma once

#include <algorithm>

struct TPoint {
  int X = 0;
  int Y = 0;
  constexpr bool operator==(const TPoint&) const = default;
};

// Covers the pixels Left..Right-1 by Top..Bottom-1. A rectangle with Right <= Left or
// Bottom <= Top is empty.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  constexpr bool Contains(int x, int y) const { return Contains(TPoint{x, y}); }

  // The common part of both; an empty result is normalised to (0, 0, 0, 0).
  constexpr TRect Intersect(const TRect& o) const {
    TRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right), std::min(Bottom, o.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
  }
  constexpr bool Intersects(const TRect& o) const { return !Intersect(o).IsEmpty(); }
  // The smallest rectangle holding both; an empty operand does not count.
  constexpr TRect Union(const TRect& o) const {
    if (IsEmpty()) return o.IsEmpty() ? TRect{} : o;
    if (o.IsEmpty()) return *this;
    return {std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right), std::max(Bottom, o.Bottom)};
  }
  // A copy moved by (dx, dy).
  constexpr TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  // A copy grown by dx on the left and right and dy on the top and bottom (negative values shrink).
  constexpr TRect Inflate(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }

  constexpr bool operator==(const TRect&) const = default;
};

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
