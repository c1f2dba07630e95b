// SPDX-License-Identifier: MIT
// A list of equally sized frames, cut from a strip picture, copied out by index.
#pragma once

#include <vector>

#include "graphics/TBitmap.h"
#include "graphics/TColor.h"
#include "graphics/TObject.h"

class TCanvas;

// Frames are Width() x Height(). A masked list keeps a mask per frame: mask pixels that are black
// belong to the picture, all other mask pixels are masked out. Masked-out pixels are drawn in
// BkColor, or left untouched when BkColor is clNone.
class TImageList : public TObject {
public:
  explicit TImageList(int width = 16, int height = 16);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Changing the frame size empties the list.
  void SetSize(int width, int height);

  bool Masked() const { return FMasked; }
  void SetMasked(bool masked) { FMasked = masked; }
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor color) { FBkColor = color; }
  // Colour for selected/focused drawing styles; kept for completeness, normal drawing ignores it.
  TColor BlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor color) { FBlendColor = color; }

  int Count() const { return int(FFrames.size()); }
  void Clear();

  // Appends `count` frames cut from `strip`, four to a row: frame k is the cell in column k mod 4
  // and row k div 4. `mask`, when given, is cut the same way. Cells that lie (partly) outside the
  // strip are padded with black image pixels and unmasked pixels. Returns the index of the first
  // new frame.
  int AddStrip(const TBitmap& strip, int count, const TBitmap* mask = nullptr);
  // Appends one frame from the top-left Width() x Height() of `image`.
  int Add(const TBitmap& image, const TBitmap* mask = nullptr);

  // Resizes `target` to the frame size and draws frame `index` at (0, 0). An index outside
  // 0..Count()-1 does nothing at all.
  void GetBitmap(int index, TBitmap& target) const;
  // Draws frame `index` with its top-left corner at (x, y); out-of-range indices draw nothing.
  void Draw(TCanvas& canvas, int x, int y, int index) const;

private:
  struct TFrame {
    TBitmap Image;
    std::vector<uint8_t> Mask;  // 1 = masked out; empty when the frame has no mask
  };

  int FWidth;
  int FHeight;
  bool FMasked = false;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  std::vector<TFrame> FFrames;
};
