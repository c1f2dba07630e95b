// SPDX-License-Identifier: MIT
// libFuzzer target: the BMP reader on arbitrary bytes, and drawing whatever it accepts.
#include "graphics/TBitmap.h"
#include "graphics/TCanvas.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap bitmap;
  const TResult<void> r = bitmap.LoadFromMemory(data, size);
  if (!r.Ok()) {
    // A refusal leaves a usable, empty picture.
    if (!bitmap.Empty() && (bitmap.Width() <= 0 || bitmap.Height() <= 0)) abort();
    return 0;
  }
  // An accepted picture must be whole: every pixel readable, and drawable onto another bitmap.
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) abort();
  uint64_t sum = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) sum += bitmap.Pixel(x, y);
  TBitmap target;
  target.SetSize(32, 32);
  target.Canvas().Draw(-3, -3, bitmap);
  bitmap.SetTransparent(true);
  target.Canvas().Draw(5, 5, bitmap);
  return sum == 1 ? 1 : 0;
}
