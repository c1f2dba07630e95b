// SPDX-License-Identifier: MIT
// Pixel storage of TBitmap: sizes, formats, pixel access, transparency and change reports.
#include "graphics/TBitmap.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "graphics/TCanvas.h"

namespace {

int RowBytes8(int width) { return (width + 3) & ~3; }

int ColorDistance(TColor a, TColor b) {
  int dr = int(GetRValue(a)) - int(GetRValue(b));
  int dg = int(GetGValue(a)) - int(GetGValue(b));
  int db = int(GetBValue(a)) - int(GetBValue(b));
  return dr * dr + dg * dg + db * db;
}

}  // namespace

TBitmap::TBitmap() : FCanvas(std::make_unique<TCanvas>(*this)) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TBitmap() {
  FFormat = format;
  Resize(width, height, clBlack);
}

TBitmap::TBitmap(const TBitmap& other)
    : TObject(other),
      FWidth(other.FWidth),
      FHeight(other.FHeight),
      FFormat(other.FFormat),
      FPixels(other.FPixels),
      FBits(other.FBits),
      FPalette(other.FPalette),
      FTransparent(other.FTransparent),
      FTransparentColor(other.FTransparentColor),
      FDetail(other.FDetail),
      FCanvas(std::make_unique<TCanvas>(*this)) {
  FCanvas->Brush() = other.FCanvas->Brush();
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this == &other) return *this;
  FWidth = other.FWidth;
  FHeight = other.FHeight;
  FFormat = other.FFormat;
  FPixels = other.FPixels;
  FBits = other.FBits;
  FPalette = other.FPalette;
  FTransparent = other.FTransparent;
  FTransparentColor = other.FTransparentColor;
  FDetail = other.FDetail;
  Changed();
  return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::Changed() {
  if (OnChange) OnChange();
}

void TBitmap::Resize(int width, int height, TColor fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == 0 || height == 0) width = height = 0;
  FDetail.clear();
  const int copyW = std::min(width, FWidth);
  const int copyH = std::min(height, FHeight);
  if (FFormat == pf32bit) {
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), ColorToRGB(fill));
    for (int y = 0; y < copyH; ++y)
      std::memcpy(&pixels[size_t(y) * size_t(width)], &FPixels[size_t(y) * size_t(FWidth)], size_t(copyW) * 4);
    FPixels = std::move(pixels);
  } else {
    const int stride = RowBytes8(width);
    const int oldStride = RowBytes8(FWidth);
    std::vector<uint8_t> bits(size_t(stride) * size_t(height), NearestIndex(fill));
    // Rows are bottom-up: picture line y lives in row (height - 1 - y).
    for (int y = 0; y < copyH; ++y)
      std::memcpy(&bits[size_t(height - 1 - y) * size_t(stride)], &FBits[size_t(FHeight - 1 - y) * size_t(oldStride)],
                  size_t(copyW));
    FBits = std::move(bits);
  }
  FWidth = width;
  FHeight = height;
}

void TBitmap::SetSize(int width, int height) {
  if (width == FWidth && height == FHeight) return;
  Resize(width, height, FCanvas->Brush().Color());
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == FFormat) return;
  FDetail.clear();
  if (format == pf32bit) {
    std::vector<uint32_t> pixels(size_t(FWidth) * size_t(FHeight));
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) pixels[size_t(y) * size_t(FWidth) + size_t(x)] = Pixel(x, y);
    FPixels = std::move(pixels);
    FBits.clear();
  } else {
    const int stride = RowBytes8(FWidth);
    std::vector<uint8_t> bits(size_t(stride) * size_t(FHeight));
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x)
        bits[size_t(FHeight - 1 - y) * size_t(stride) + size_t(x)] =
            NearestIndex(FPixels[size_t(y) * size_t(FWidth) + size_t(x)]);
    FBits = std::move(bits);
    FPixels.clear();
  }
  FFormat = format;
  Changed();
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clInvalid;
  if (FFormat == pf32bit) return FPixels[size_t(y) * size_t(FWidth) + size_t(x)];
  return FPalette[FBits[size_t(FHeight - 1 - y) * size_t(RowBytes8(FWidth)) + size_t(x)]] & 0xFFFFFF;
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  const TColor rgb = ColorToRGB(color) & 0xFFFFFF;
  if (FFormat == pf32bit)
    FPixels[size_t(y) * size_t(FWidth) + size_t(x)] = rgb;
  else
    FBits[size_t(FHeight - 1 - y) * size_t(RowBytes8(FWidth)) + size_t(x)] = NearestIndex(rgb);
  Changed();
}

uint32_t* TBitmap::ScanLine(int y) {
  assert(FFormat == pf32bit && "ScanLine needs a 32-bit bitmap");
  assert(y >= 0 && y < FHeight && "ScanLine row out of range");
  return &FPixels[size_t(y) * size_t(FWidth)];
}

const uint32_t* TBitmap::ScanLine(int y) const {
  assert(FFormat == pf32bit && "ScanLine needs a 32-bit bitmap");
  assert(y >= 0 && y < FHeight && "ScanLine row out of range");
  return &FPixels[size_t(y) * size_t(FWidth)];
}

uint8_t* TBitmap::Bits() {
  assert(FFormat == pf8bit && "Bits needs an 8-bit bitmap");
  return FBits.data();
}

const uint8_t* TBitmap::Bits() const {
  assert(FFormat == pf8bit && "Bits needs an 8-bit bitmap");
  return FBits.data();
}

int TBitmap::Stride() const { return RowBytes8(FWidth); }

uint8_t TBitmap::NearestIndex(TColor color) const {
  const TColor rgb = ColorToRGB(color) & 0xFFFFFF;
  int best = 0;
  int bestDistance = ColorDistance(FPalette[0], rgb);
  for (int i = 1; i < 256 && bestDistance > 0; ++i) {
    const int d = ColorDistance(FPalette[size_t(i)], rgb);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return uint8_t(best);
}

TCanvas& TBitmap::Canvas() { return *FCanvas; }
const TCanvas& TBitmap::Canvas() const { return *FCanvas; }

void TBitmap::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentColor == clDefault) return Pixel(0, FHeight - 1);
  return ColorToRGB(FTransparentColor);
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == FTransparentColor) return;
  FTransparentColor = color;
  Changed();
}
