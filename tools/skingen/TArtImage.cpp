// SPDX-License-Identifier: MIT
// mira.nol skin generator: a floating-point RGB raster with anti-aliased shape filling.
#include "TArtImage.h"

#include <algorithm>
#include <cassert>
#include <cmath>

TRgb Rgb255(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

TRgb Mix(TRgb a, TRgb b, float t) { return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t}; }

TRgb Scale(TRgb a, float k) { return {a.R * k, a.G * k, a.B * k}; }

TRgb Add(TRgb a, TRgb b) { return {a.R + b.R, a.G + b.G, a.B + b.B}; }

TArtImage::TArtImage(int width, int height, TRgb fill)
    : FWidth(width), FHeight(height), FPixels(static_cast<size_t>(width) * height, fill) {
  assert(width > 0 && height > 0 && "an art picture needs a size");
}

TRgb TArtImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return {};
  return FPixels[static_cast<size_t>(y) * FWidth + x];
}

void TArtImage::SetPixel(int x, int y, TRgb c) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  FPixels[static_cast<size_t>(y) * FWidth + x] = c;
}

void TArtImage::Blend(int x, int y, TRgb c, float alpha) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || alpha <= 0) return;
  TRgb& p = FPixels[static_cast<size_t>(y) * FWidth + x];
  p = Mix(p, c, std::min(alpha, 1.0f));
}

void TArtImage::Fill(TRgb c) { std::fill(FPixels.begin(), FPixels.end(), c); }

void TArtImage::FillRect(int left, int top, int right, int bottom, TRgb c) {
  for (int y = std::max(top, 0); y < std::min(bottom, FHeight); ++y)
    for (int x = std::max(left, 0); x < std::min(right, FWidth); ++x) FPixels[static_cast<size_t>(y) * FWidth + x] = c;
}

void TArtImage::FillShape(const TShape& shape, const std::function<TRgb(float, float)>& shader, float opacity) {
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float cover = std::clamp(0.5f - shape(px, py), 0.0f, 1.0f);
      if (cover > 0) Blend(x, y, shader(px, py), cover * opacity);
    }
}

void TArtImage::FillShape(const TShape& shape, TRgb c, float opacity) {
  FillShape(
      shape, [c](float, float) { return c; }, opacity);
}

void TArtImage::Glow(const TShape& shape, TRgb c, float radius, float strength) {
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      const float d = shape(x + 0.5f, y + 0.5f);
      if (d <= 0 || d >= radius) continue;
      const float t = 1.0f - d / radius;
      TRgb& p = FPixels[static_cast<size_t>(y) * FWidth + x];
      p = Add(p, Scale(c, strength * t * t));
    }
}

void TArtImage::Bevel(const TShape& shape, float width, float light, float dark, bool sunken) {
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float d = shape(px, py);
      if (d > 0.5f || d < -width) continue;
      // The outward normal from the field's gradient; light comes from the top left.
      const float gx = shape(px + 0.5f, py) - shape(px - 0.5f, py);
      const float gy = shape(px, py + 0.5f) - shape(px, py - 0.5f);
      const float len = std::hypot(gx, gy);
      if (len == 0) continue;
      float facing = (-gx - gy) / (len * 1.41421356f);  // 1 facing the light, -1 away
      if (sunken) facing = -facing;
      const float cover = std::clamp(0.5f - d, 0.0f, 1.0f) * (1.0f - std::max(0.0f, -d) / width);
      TRgb& p = FPixels[static_cast<size_t>(y) * FWidth + x];
      if (facing > 0)
        p = Mix(p, TRgb{1, 1, 1}, facing * light * cover);
      else
        p = Mix(p, TRgb{0, 0, 0}, -facing * dark * cover);
    }
}

void TArtImage::Paste(const TArtImage& src, int srcLeft, int srcTop, int width, int height, int x, int y) {
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) SetPixel(x + i, y + j, src.Pixel(srcLeft + i, srcTop + j));
}

TArtImage TArtImage::Crop(int left, int top, int width, int height) const {
  TArtImage out(width, height);
  out.Paste(*this, left, top, width, height, 0, 0);
  return out;
}

void TArtImage::Bytes(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const {
  const TRgb c = Pixel(x, y);
  auto q = [](float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  r = q(c.R);
  g = q(c.G);
  b = q(c.B);
}
