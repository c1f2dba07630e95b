// SPDX-License-Identifier: MIT
// An off-screen picture of 32-bit colour words, or 8-bit palette indices in bottom-up rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/TResult.h"
#include "graphics/TColor.h"
#include "graphics/TObject.h"
#include "graphics/TRect.h"

class TCanvas;

enum class TPixelFormat : uint8_t { pf8bit, pf32bit };
using enum TPixelFormat;

// The colour depth SaveToFile writes.
enum class TBmpDepth : uint8_t { bd1bit, bd24bit, bd32bit };
using enum TBmpDepth;

// A bitmap owns its pixels and one canvas that draws on them.
//
// pf32bit: each pixel is a colour word (red in the lowest byte, top byte 0), rows top-down;
//   ScanLine(y) is row y.
// pf8bit: each pixel is an index into Palette(); Bits() is one plain byte array of rows padded to
//   4 bytes (Stride()), stored bottom-up: row 0 of Bits() is the bottom line of the picture. This is
//   the layout a device-independent section has, so code can write indices straight into it.
//
// Every change made through the bitmap or its canvas calls OnChange, which the owning TPicture uses
// to pass the change on.
class TBitmap : public TObject {
public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf32bit);
  TBitmap(const TBitmap& other);             // copies pixels, palette, transparency; not OnChange
  TBitmap& operator=(const TBitmap& other);  // the same, then reports a change
  void Assign(const TBitmap& other) { *this = other; }
  ~TBitmap() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  TRect ClientRect() const { return {0, 0, FWidth, FHeight}; }

  // Resizing keeps the old pixels where they were and fills the new area with the canvas's brush
  // colour (pf8bit: the palette entry closest to it). Negative sizes count as 0.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, FHeight); }
  void SetHeight(int height) { SetSize(FWidth, height); }

  TPixelFormat PixelFormat() const { return FFormat; }
  // Converting keeps the picture: pf8bit -> pf32bit through the palette, pf32bit -> pf8bit to the
  // closest palette entry.
  void SetPixelFormat(TPixelFormat format);

  // The colour at (x, y), resolved through the palette for pf8bit; clInvalid outside the bitmap.
  TColor Pixel(int x, int y) const;
  // Writes a colour (system references resolved; pf8bit: closest palette entry). Outside: ignored.
  void SetPixel(int x, int y, TColor color);

  // pf32bit only: row y (0 = top line), Width() words.
  uint32_t* ScanLine(int y);
  const uint32_t* ScanLine(int y) const;
  // pf32bit only: all rows, top-down and contiguous (pitch Width() * 4 bytes); nullptr when empty.
  uint32_t* Pixels() { return FPixels.empty() ? nullptr : FPixels.data(); }
  const uint32_t* Pixels() const { return FPixels.empty() ? nullptr : FPixels.data(); }

  // pf8bit only.
  std::array<TColor, 256>& Palette() { return FPalette; }
  const std::array<TColor, 256>& Palette() const { return FPalette; }
  uint8_t* Bits();
  const uint8_t* Bits() const;
  int Stride() const;  // bytes per row of Bits(): Width() rounded up to a multiple of 4
  // The palette index closest to `color` (exact match first).
  uint8_t NearestIndex(TColor color) const;

  TCanvas& Canvas();
  const TCanvas& Canvas() const;

  // Drawing a transparent bitmap leaves out its transparent colour. The transparent colour is the
  // bottom-left pixel unless one was set; SetTransparentColor(clDefault) returns to that.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

  // Uncompressed BMP files: 1, 4, 8, 24 and 32 bits per pixel are read (always into pf32bit);
  // malformed or unsupported files are refused with a readable reason and leave the bitmap as it was.
  TResult<void> LoadFromFile(const std::string& path);
  TResult<void> LoadFromMemory(const void* data, size_t size);
  // pf8bit bitmaps are written as they look. bd1bit writes black for black pixels and white for all
  // others.
  TResult<void> SaveToFile(const std::string& path, TBmpDepth depth = bd24bit) const;
  std::vector<uint8_t> SaveToMemory(TBmpDepth depth = bd24bit) const;

  // Called after every change of size, pixels or transparency.
  std::function<void()> OnChange;
  void Changed();

  // --- Finer pictures of text -------------------------------------------------------------------
  // A window shown at N times its size shows each pixel as an N x N block, but text is sharper
  // drawn at N times its size. While the detail scale is above 1, text drawn on a 32-bit bitmap
  // leaves a picture of its area at that scale beside the pixels, and copies carry such pictures on
  // to other bitmaps. A picture counts for a pixel only while the pixel still holds what it held
  // when the picture was made, so anything drawn over it later, by whatever means, shows as blocks.
  // At scale 1, the default, bitmaps keep no such pictures.
  static void SetDetailScale(int scale);
  static int DetailScale();
  bool HasDetail() const { return !FDetail.empty(); }
  // Whether a finer picture at `scale` covers any of `area`.
  bool HasDetailIn(const TRect& area, int scale) const;
  // Writes `area` (inside the bitmap) at `scale`: the finer pictures where they count, elsewhere
  // each pixel as a block. Rows of area.Width() * scale words go `stride` words apart. With
  // `swapRedBlue` the words are written as 0x00RRGGBB, the order of the usual X visual.
  void Enlarge(const TRect& area, int scale, uint32_t* out, size_t stride, bool swapRedBlue = false) const;
  // Keeps `fine`, `area` (inside the bitmap) at the detail scale, as that area's finer picture for
  // the pixels it holds now.
  void AddDetail(const TRect& area, std::vector<uint32_t> fine);
  // A buffer of `words` words, with any contents, for the next finer picture made for this bitmap:
  // the one a replaced picture left, so that an area redrawn every tick (the scrolling caption)
  // reuses its buffer instead of allocating and clearing a new one.
  std::vector<uint32_t> TakeDetailBuffer(size_t words);
  // The finer pictures no longer count in `area`.
  void ForgetDetail(const TRect& area);

private:
  struct TDetailPiece {
    TRect Area;
    int Scale = 1;
    size_t Live = 0;             // pixels of Area the picture still counts for
    std::vector<uint32_t> Seen;  // Area's pixels when the picture was made; kGone once forgotten
    std::vector<uint32_t> Fine;  // Area at Scale, rows of Area.Width() * Scale words
  };
  void Resize(int width, int height, TColor fill);

  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FFormat = pf32bit;
  std::vector<uint32_t> FPixels;  // pf32bit
  std::vector<uint8_t> FBits;     // pf8bit
  std::array<TColor, 256> FPalette{};
  bool FTransparent = false;
  TColor FTransparentColor = clDefault;
  std::vector<TDetailPiece> FDetail;  // oldest first
  std::vector<uint32_t> FSpareFine;   // the buffer of the last picture replaced
  std::unique_ptr<TCanvas> FCanvas;
};
