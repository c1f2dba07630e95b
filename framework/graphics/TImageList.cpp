// SPDX-License-Identifier: MIT
// TImageList: cutting frames from a strip and copying them out by index.
#include "graphics/TImageList.h"

#include <algorithm>
#include <cassert>

#include "graphics/TCanvas.h"

TImageList::TImageList(int width, int height) : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)) {}

void TImageList::SetSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  Clear();
}

void TImageList::Clear() { FFrames.clear(); }

int TImageList::AddStrip(const TBitmap& strip, int count, const TBitmap* mask) {
  const int first = Count();
  for (int k = 0; k < count; ++k) {
    const int left = (k % 4) * FWidth, top = (k / 4) * FHeight;
    TFrame frame{TBitmap(FWidth, FHeight), {}};
    for (int y = 0; y < FHeight; ++y) {
      uint32_t* row = frame.Image.ScanLine(y);
      for (int x = 0; x < FWidth; ++x) {
        const TColor c = strip.Pixel(left + x, top + y);
        row[x] = c == clInvalid ? clBlack : c;
      }
    }
    if (mask) {
      frame.Mask.assign(size_t(FWidth) * size_t(FHeight), 0);
      for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) {
          const TColor m = mask->Pixel(left + x, top + y);
          frame.Mask[size_t(y) * size_t(FWidth) + size_t(x)] = (m != clInvalid && (m & 0xFFFFFF) != 0) ? 1 : 0;
        }
    }
    FFrames.push_back(std::move(frame));
  }
  return first;
}

int TImageList::Add(const TBitmap& image, const TBitmap* mask) { return AddStrip(image, 1, mask); }

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) const {
  if (index < 0 || index >= Count()) return;
  const TFrame& frame = FFrames[size_t(index)];
  if (!FMasked || frame.Mask.empty()) {
    canvas.Draw(x, y, frame.Image);
    return;
  }
  // Masked-out pixels take the background colour; with clNone they are left as they were.
  TBitmap composed = frame.Image;
  const TColor bk = ColorToRGB(FBkColor);
  const bool leaveOut = FBkColor == clNone;
  // A colour no pixel can have marks the left-out pixels for the transparent draw below.
  constexpr TColor kHole = 0x01000000;
  for (int py = 0; py < FHeight; ++py) {
    uint32_t* row = composed.ScanLine(py);
    for (int px = 0; px < FWidth; ++px)
      if (frame.Mask[size_t(py) * size_t(FWidth) + size_t(px)]) row[px] = leaveOut ? kHole : (bk & 0xFFFFFF);
  }
  if (leaveOut)
    canvas.DrawTransparent(x, y, composed, kHole);
  else
    canvas.Draw(x, y, composed);
}

void TImageList::GetBitmap(int index, TBitmap& target) const {
  if (index < 0 || index >= Count()) return;
  target.SetSize(FWidth, FHeight);
  Draw(target.Canvas(), 0, 0, index);
}
