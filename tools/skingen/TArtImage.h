// SPDX-License-Identifier: MIT
// mira.nol skin generator: a floating-point RGB raster with anti-aliased shape filling.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Shape.h"

// A colour with components from 0 to 1; kept in floating point while drawing so that
// soft edges, glows and gradients add up without banding until the final quantisation.
struct TRgb {
  float R = 0, G = 0, B = 0;
};

TRgb Rgb255(int r, int g, int b);
TRgb Mix(TRgb a, TRgb b, float t);
TRgb Scale(TRgb a, float k);
TRgb Add(TRgb a, TRgb b);

// The drawing surface of every picture the generator makes. Pixel centres lie at (x + 0.5, y + 0.5);
// shapes are signed distance fields, so their coverage of a pixel gives the anti-aliasing.
class TArtImage {
public:
  TArtImage() = default;
  TArtImage(int width, int height, TRgb fill = {});

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

  TRgb Pixel(int x, int y) const;
  void SetPixel(int x, int y, TRgb c);
  // Mixes c into the pixel with weight alpha (0 to 1); outside the picture nothing happens.
  void Blend(int x, int y, TRgb c, float alpha);

  void Fill(TRgb c);
  void FillRect(int left, int top, int right, int bottom, TRgb c);
  // Paints every pixel the shape covers with the colour the shader gives for that pixel centre.
  void FillShape(const TShape& shape, const std::function<TRgb(float, float)>& shader, float opacity = 1.0f);
  void FillShape(const TShape& shape, TRgb c, float opacity = 1.0f);
  // A soft halo of colour c around the shape, fading out over radius pixels.
  void Glow(const TShape& shape, TRgb c, float radius, float strength);
  // Lighter on the edges facing the top-left light, darker on the others: a raised or sunken rim.
  // A sunken rim swaps the two sides.
  void Bevel(const TShape& shape, float width, float light, float dark, bool sunken = false);

  // Copies a rectangle of another image to (x, y) of this one.
  void Paste(const TArtImage& src, int srcLeft, int srcTop, int width, int height, int x, int y);
  TArtImage Crop(int left, int top, int width, int height) const;

  // Final 8-bit colour of a pixel, rounded.
  void Bytes(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const;

private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<TRgb> FPixels;
};
