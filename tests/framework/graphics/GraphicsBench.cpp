// SPDX-License-Identifier: MIT
// Costs of the two heavy graphics paths: a window outline from a skin picture, and a full compose.
#include <benchmark/benchmark.h>

#include <cmath>

#include "graphics/TBitmap.h"
#include "graphics/TCanvas.h"
#include "graphics/TRegion.h"

namespace {

constexpr int kW = 496, kH = 287;

// A skin-like picture: a dark body with rounded corners, a white outside (the key colour, also in
// the bottom-left pixel), a notch along the top and a few white holes inside, about 23,000 key
// pixels in all.
TBitmap MakeSkin(int* keyPixels) {
  TBitmap skin(kW, kH);
  int count = 0;
  for (int y = 0; y < kH; ++y) {
    uint32_t* row = skin.ScanLine(y);
    for (int x = 0; x < kW; ++x) {
      const int r = 90;
      const int cx = x < r ? r : x >= kW - r ? kW - 1 - r : x;
      const int cy = y < r + 12 ? r + 12 : y >= kH - r ? kH - 1 - r : y;
      const bool corner = (x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r;
      const bool top = y < 14 || (y < 30 && (x < 120 || x > 376));
      const bool rim = y >= kH - 8 || x < 8 || x >= kW - 8;
      const bool hole = (x - 60) * (x - 60) + (y - 140) * (y - 140) < 18 * 18 ||
                        (x > 250 && x < 300 && y > 200 && y < 230 && ((x + y) % 3 == 0));
      const bool key = corner || top || rim || hole;
      row[x] = key ? clWhite : RGB(uint8_t(40 + x % 50), uint8_t(30 + y % 60), 60);
      count += key;
    }
  }
  skin.SetPixel(0, kH - 1, clWhite);
  if (keyPixels) *keyPixels = count;
  return skin;
}

// The outline of a picture: every run of key-coloured pixels becomes a hole, as a shaped image
// control builds it.
TRegion OutlineOf(const TBitmap& picture) {
  const TColor key = picture.TransparentColor();
  TRegion::TBuilder holes;
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t* row = picture.ScanLine(y);
    int x = 0;
    while (x < picture.Width()) {
      const int start = x;
      while (x < picture.Width() && row[x] == key) ++x;
      holes.AddRun(y, start, x);
      while (x < picture.Width() && row[x] != key) ++x;
    }
  }
  return TRegion(picture.ClientRect()).Subtract(holes.Build());
}

void BM_RegionFromSkin(benchmark::State& state) {
  int keyPixels = 0;
  const TBitmap skin = MakeSkin(&keyPixels);
  size_t rects = 0;
  for (auto _ : state) {
    TRegion outline = OutlineOf(skin);
    rects = outline.Rects().size();
    benchmark::DoNotOptimize(outline);
  }
  state.counters["key_pixels"] = keyPixels;
  state.counters["rects"] = double(rects);
}
BENCHMARK(BM_RegionFromSkin)->Unit(benchmark::kMillisecond);

TBitmap Solid(int w, int h, TColor c, bool transparent) {
  TBitmap b(w, h);
  b.Canvas().Brush().SetColor(c);
  b.Canvas().FillRect(b.ClientRect());
  // A black border: the bottom-left pixel is the see-through colour of transparent pictures.
  b.Canvas().Pen().SetColor(clBlack);
  b.Canvas().Brush().SetStyle(bsClear);
  b.Canvas().Rectangle(b.ClientRect());
  b.SetTransparent(transparent);
  return b;
}

// The frame buffer of the main window, painted as the form paints it: the skin, then about thirty
// pictures on top, a third of them with a see-through colour.
void BM_ComposeWindow(benchmark::State& state) {
  const TBitmap skin = MakeSkin(nullptr);
  std::vector<std::pair<TPoint, TBitmap>> pictures;
  for (int i = 0; i < 9; ++i) pictures.push_back({{102 + i * 30, 151}, Solid(17, 8, RGB(255, 114, 0), false)});
  for (int i = 0; i < 3; ++i) pictures.push_back({{346 + i * 16, 147}, Solid(13, 12, RGB(255, 174, 0), false)});
  for (int i = 0; i < 3; ++i) pictures.push_back({{243, 73 + i * 20}, Solid(137, 9, RGB(200, 90, 0), i == 1)});
  for (int i = 0; i < 3; ++i) pictures.push_back({{300, 69 + i * 20}, Solid(5, 14, clSilver, true)});
  for (int i = 0; i < 3; ++i) pictures.push_back({{243, 82 + i * 20}, Solid(47, 7, clWhite, false)});
  pictures.push_back({{19, 69}, Solid(52, 45, RGB(16, 32, 42), true)});
  pictures.push_back({{431, 65}, Solid(49, 61, RGB(16, 32, 42), false)});
  pictures.push_back({{394, 176}, Solid(7, 8, clGray, true)});
  pictures.push_back({{102, 41}, Solid(297, 15, RGB(17, 26, 32), false)});
  pictures.push_back({{104, 176}, Solid(289, 78, clBlack, false)});
  for (int i = 0; i < 4; ++i) pictures.push_back({{118 + i * 40, 99}, Solid(27, 14, RGB(255, 114, 0), true)});

  TBitmap frame(kW, kH);
  for (auto _ : state) {
    TCanvas& c = frame.Canvas();
    c.Draw(0, 0, skin);
    for (const auto& [at, picture] : pictures) c.Draw(at.X, at.Y, picture);
    benchmark::DoNotOptimize(frame.ScanLine(0));
  }
  state.counters["pictures"] = double(pictures.size());
}
BENCHMARK(BM_ComposeWindow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
