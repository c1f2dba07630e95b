// SPDX-License-Identifier: MIT
// What the skin controls cost: the window outline from the real skin, and one caption tick.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "backends/headless/HeadlessBackend.h"
#include "components/TApplication.h"
#include "components/TForm.h"
#include "controls/ALScrollingText.h"
#include "controls/ImageShape.h"

namespace {
TBitmap LoadSkin() {
  TBitmap skin;
  if (!skin.LoadFromFile(MIRA_SKIN_DIR "/ImageShape.bmp")) {
    std::fprintf(stderr, "the skin picture is missing\n");
    std::exit(1);
  }
  return skin;
}

TForm& FreshForm() {
  Application.Reset();
  Application.SetBackend(std::make_unique<THeadlessBackend>());
  TForm* form = Application.CreateForm<TForm>();
  form->SetBounds(100, 100, 496, 287);
  return *form;
}

// The outline alone: every pixel read, the non-key runs collected into a region.
void BM_SkinOutline(benchmark::State& state) {
  const TBitmap skin = LoadSkin();
  for (auto _ : state) {
    TRegion region = GetFrgn(skin, {0, 0, 496, 287}, {0, 0, 496, 287});
    benchmark::DoNotOptimize(region);
  }
}
BENCHMARK(BM_SkinOutline)->Unit(benchmark::kMicrosecond);

// A whole reaction to a drawing-property change: outline, combination with the window's region,
// applying it.
void BM_SkinPictureChanged(benchmark::State& state) {
  TForm& form = FreshForm();
  auto& shape = form.Add<TImageShape>("ImageShape");
  shape.SetBounds(0, 0, 496, 287);
  shape.Picture().Assign(LoadSkin());
  bool center = false;
  for (auto _ : state) {
    center = !center;
    shape.SetCenter(center);  // the same place for a picture of the control's size
  }
  Application.Reset();
}
BENCHMARK(BM_SkinPictureChanged)->Unit(benchmark::kMicrosecond);

// One tick of the player's caption: backdrop copy, transparent strip draw, copy onto the window's
// frame buffer.
void BM_CaptionTick(benchmark::State& state) {
  TForm& form = FreshForm();
  auto& scroller = form.Add<TALScrollingText>("Scroller");
  scroller.SetBounds(102, 41, 297, 15);
  scroller.SetSpeed(10);
  scroller.SetBackgroundColor(2103825);
  scroller.SetTextDirection(tdRightToLeft);
  scroller.SetParentFont(false);
  scroller.Font().SetName("Arial Black");
  scroller.Font().SetColor(29439);
  scroller.SetText("mira.nol - code: varlo & tesko - gfx: pell & tesko");
  scroller.Loaded();
  form.Show();
  Application.ProcessMessages();
  for (auto _ : state) scroller.OnTimer(&scroller);
  Application.Reset();
}
BENCHMARK(BM_CaptionTick)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
