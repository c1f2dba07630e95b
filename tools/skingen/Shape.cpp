// SPDX-License-Identifier: MIT
// mira.nol skin generator: shapes as signed distance fields (negative inside, in pixels).
#include "Shape.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Shape {

TShape RoundRect(float left, float top, float right, float bottom, float radius) {
  const float cx = (left + right) / 2, cy = (top + bottom) / 2;
  const float hx = (right - left) / 2, hy = (bottom - top) / 2;
  const float r = std::min({radius, hx, hy});
  return [=](float x, float y) {
    const float qx = std::fabs(x - cx) - hx + r;
    const float qy = std::fabs(y - cy) - hy + r;
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - r;
  };
}

TShape Ellipse(float cx, float cy, float rx, float ry) {
  // A close approximation that stays exact on the axes; good enough for one-pixel soft edges.
  return [=](float x, float y) {
    const float px = x - cx, py = y - cy;
    const float k0 = std::hypot(px / rx, py / ry);
    const float k1 = std::hypot(px / (rx * rx), py / (ry * ry));
    if (k1 == 0) return -std::min(rx, ry);
    return k0 * (k0 - 1.0f) / k1;
  };
}

TShape Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

TShape Polygon(std::vector<TVec> points) {
  return [pts = std::move(points)](float x, float y) {
    const size_t n = pts.size();
    float d = 1e30f;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      const TVec a = pts[i], b = pts[j];
      const float ex = b.X - a.X, ey = b.Y - a.Y;
      const float wx = x - a.X, wy = y - a.Y;
      const float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
      d = std::min(d, std::hypot(wx - ex * t, wy - ey * t));
      if ((a.Y > y) != (b.Y > y) && x < (b.X - a.X) * (y - a.Y) / (b.Y - a.Y) + a.X) inside = !inside;
    }
    return inside ? -d : d;
  };
}

TShape Capsule(float x0, float y0, float x1, float y1, float halfWidth) {
  return [=](float x, float y) {
    const float ex = x1 - x0, ey = y1 - y0;
    const float len2 = ex * ex + ey * ey;
    const float t = len2 > 0 ? std::clamp(((x - x0) * ex + (y - y0) * ey) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(x - x0 - ex * t, y - y0 - ey * t) - halfWidth;
  };
}

TShape Union(TShape a, TShape b) {
  return [a = std::move(a), b = std::move(b)](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

TShape SmoothUnion(TShape a, TShape b, float k) {
  return [a = std::move(a), b = std::move(b), k](float x, float y) {
    const float da = a(x, y), db = b(x, y);
    const float h = std::clamp(0.5f + 0.5f * (db - da) / k, 0.0f, 1.0f);
    return db + (da - db) * h - k * h * (1.0f - h);
  };
}

TShape Intersect(TShape a, TShape b) {
  return [a = std::move(a), b = std::move(b)](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

TShape Subtract(TShape a, TShape b) {
  return [a = std::move(a), b = std::move(b)](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

TShape Grow(TShape a, float amount) {
  return [a = std::move(a), amount](float x, float y) { return a(x, y) - amount; };
}

TShape Outline(TShape a, float halfWidth) {
  return [a = std::move(a), halfWidth](float x, float y) { return std::fabs(a(x, y)) - halfWidth; };
}

}  // namespace Shape
