// SPDX-License-Identifier: MIT
// mira.nol skin generator: shapes as signed distance fields (negative inside, in pixels).
#pragma once

#include <functional>
#include <vector>

using TShape = std::function<float(float x, float y)>;

struct TVec {
  float X, Y;
};

namespace Shape {
TShape RoundRect(float left, float top, float right, float bottom, float radius);
TShape Ellipse(float cx, float cy, float rx, float ry);
TShape Circle(float cx, float cy, float r);
// A closed polygon in either winding.
TShape Polygon(std::vector<TVec> points);
// A thick line with round ends.
TShape Capsule(float x0, float y0, float x1, float y1, float halfWidth);
TShape Union(TShape a, TShape b);
// A union whose seam is filleted over about k pixels, so joined parts read as one cast piece.
TShape SmoothUnion(TShape a, TShape b, float k);
TShape Intersect(TShape a, TShape b);
TShape Subtract(TShape a, TShape b);
// A shape grown outwards (positive amount) or shrunk inwards (negative amount).
TShape Grow(TShape a, float amount);
// The band |d| < halfWidth around the outline, a stroke of the shape.
TShape Outline(TShape a, float halfWidth);
}  // namespace Shape
