// SPDX-License-Identifier: MIT
// mira.nol skin generator: paints the skin and every picture that is laid over it.
#include "TSkinPainter.h"

#include <cmath>
#include <cstdint>

#include "SkinColours.h"
#include "TPixelFont.h"

namespace {

using namespace SkinLayout;

// A repeatable hash, so the brushed texture is the same on every run.
float Noise(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xffff) / 65535.0f;
}

// The window's outline: a body with two eye pods and a tab for Quit, cut at the corners.
TShape Silhouette() {
  TShape body = Shape::RoundRect(84, 24, 414, 268, 18);
  // The bottom-left corner is cut at 45 degrees instead of rounded.
  body = Shape::Subtract(body, Shape::Polygon({{60, 240}, {112, 292}, {60, 292}}));
  // A raised brow over the caption, with chamfered ends.
  const TShape brow = Shape::Polygon({{126, 48}, {126, 26}, {142, 10}, {358, 10}, {374, 26}, {374, 48}});
  body = Shape::SmoothUnion(body, brow, 6);
  const TShape leftPod = Shape::Union(Shape::Ellipse(45, 91.5f, 42, 39), Shape::RoundRect(56, 62, 100, 121, 6));
  body = Shape::SmoothUnion(body, leftPod, 10);
  const TShape rightPod = Shape::RoundRect(400, 46, 496, 178, 24);
  body = Shape::SmoothUnion(body, rightPod, 10);
  const TShape quitTab = Shape::RoundRect(328, 240, 408, 287, 9);
  body = Shape::SmoothUnion(body, quitTab, 8);
  // Notches in both flanks.
  body = Shape::Subtract(body, Shape::Circle(84, 206, 8));
  body = Shape::Subtract(body, Shape::Circle(414, 222, 8));
  return body;
}

}  // namespace

TSkinPainter::TSkinPainter() : FBase(kWidth, kHeight), FInside(static_cast<size_t>(kWidth) * kHeight) {
  PaintPanel();
  PaintHeader();
  PaintDisplays();
  PaintSliderBay();
  PaintButtonBays();
  PaintListFrame();
  PaintEyeSockets();
  PaintGrille();
  PaintScrews();
  CutOutline();
  FSkin = FBase;
  PaintItems(FSkin);
}

bool TSkinPainter::Inside(int x, int y) const {
  return x >= 0 && y >= 0 && x < kWidth && y < kHeight && FInside[static_cast<size_t>(y) * kWidth + x];
}

void TSkinPainter::PaintPanel() {
  const TShape outline = Silhouette();
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) FInside[static_cast<size_t>(y) * kWidth + x] = outline(x + 0.5f, y + 0.5f) < 0;

  FBase.Fill(SkinColours::PanelBottom());
  // Brushed metal: a vertical fall-off, faint horizontal streaks, a little grain.
  FBase.FillShape(Shape::Grow(outline, 1), [](float x, float y) {
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    const float t = std::clamp(y / kHeight, 0.0f, 1.0f);
    TRgb c = Mix(SkinColours::PanelTop(), SkinColours::PanelBottom(), std::pow(t, 0.8f));
    const float streak = (Noise(ix / 23, iy) - 0.5f) * 0.035f + (Noise(ix, iy) - 0.5f) * 0.02f;
    return Add(c, TRgb{streak, streak, streak * 1.1f});
  });
  // An inner face plate, a shade darker, leaves a raised rim around the whole window.
  const TShape plate = Shape::Grow(outline, -7);
  FBase.FillShape(plate, Rgb255(0, 0, 0), 0.18f);
  FBase.Bevel(plate, 2.0f, 0.10f, 0.45f, true);
  FBase.Bevel(outline, 3.0f, 0.30f, 0.55f);
  // The orange accent runs round the rim like an inlay.
  FBase.FillShape(Shape::Outline(Shape::Grow(outline, -3.5f), 0.55f), SkinColours::Orange(), 0.9f);
}

void TSkinPainter::Recess(float left, float top, float right, float bottom, float radius, TRgb fill) {
  const TShape hole = Shape::RoundRect(left, top, right, bottom, radius);
  FBase.Glow(hole, Rgb255(255, 255, 255), 1.5f, 0.05f);
  FBase.FillShape(hole, fill);
  FBase.Bevel(hole, 2.0f, 0.25f, 0.6f, true);
}

void TSkinPainter::PaintHeader() {
  // The caption sits in a long slot under the brow.
  Recess(kScroller.Left - 4, kScroller.Top - 4, kScroller.Right() + 4, kScroller.Bottom() + 4, 5,
         SkinColours::Display());
  FBase.FillRect(kScroller.Left, kScroller.Top, kScroller.Right(), kScroller.Bottom(), SkinColours::Display());
  const char* brand = "MIRA.NOL";
  const float scale = 2.6f;
  const float w = TPixelFont::TextWidth(brand) * scale;
  const float x = (kWidth - w) / 2, y = 13.5f;
  TPixelFont::DrawStroked(FBase, x + 0.8f, y + 1.0f, brand, Rgb255(0, 0, 0), scale, 2.1f, 0.6f);
  TPixelFont::DrawStroked(FBase, x, y, brand, SkinColours::Orange(), scale, 2.1f);
  // Two thin rules either side of the name.
  FBase.FillShape(Shape::Capsule(158, 20, x - 9, 20, 0.6f), SkinColours::Orange(), 0.6f);
  FBase.FillShape(Shape::Capsule(x + w + 9, 20, 342, 20, 0.6f), SkinColours::Orange(), 0.6f);
}

void TSkinPainter::PaintDisplays() {
  // Spectrum and clock share one display window.
  Recess(100, 74, 164, 118, 5, SkinColours::Display());
  FBase.FillRect(kSpectrum.Left - 1, kSpectrum.Top - 1, kSpectrum.Right() + 1, kSpectrum.Bottom() + 1,
                 Rgb255(8, 12, 15));
  FBase.FillRect(kSpectrum.Left, kSpectrum.Top, kSpectrum.Right(), kSpectrum.Bottom(), Rgb255(0, 0, 0));
  // The hint label's own little display between the transport keys and the mode keys.
  Recess(kHint.Left - 3, kHint.Top - 3, kHint.Right() + 3, kHint.Bottom() + 3, 4, SkinColours::Display());
}

void TSkinPainter::PaintSliderBay() {
  Recess(236, 64, 388, 132, 6, Rgb255(21, 25, 30));
  for (const TArtRect& t : {kVolumeTrack, kPanningTrack, kSpeedTrack}) {
    const TShape trough = Shape::RoundRect(t.Left - 1, t.Top - 1, t.Right() + 1, t.Bottom() + 1, 1.5f);
    FBase.FillShape(trough, SkinColours::Trough());
    FBase.Bevel(trough, 1.0f, 0.25f, 0.5f, true);
    FBase.FillRect(t.Left, t.Top, t.Right(), t.Bottom(), SkinColours::Trough());
  }
  // Small marks at the rest positions the knobs snap to: normal speed and centred panning.
  FBase.FillShape(Shape::Polygon({{300.5f, 107}, {304.5f, 107}, {302.5f, 110}}), SkinColours::Orange(), 0.7f);
  FBase.FillShape(Shape::Polygon({{309.5f, 87}, {313.5f, 87}, {311.5f, 90}}), SkinColours::Orange(), 0.7f);
}

void TSkinPainter::PaintButtonBays() {
  Recess(kPrev.Left - 4, kPrev.Top - 4, kNext.Right() + 4, kNext.Bottom() + 4, 5, Rgb255(20, 23, 28));
  Recess(kShuffle.Left - 4, kShuffle.Top - 4, kMute.Right() + 4, kMute.Bottom() + 4, 5, Rgb255(20, 23, 28));
  Recess(kQuit.Left - 3, kQuit.Top - 3, kQuit.Right() + 3, kQuit.Bottom() + 3, 4, Rgb255(20, 23, 28));
}

void TSkinPainter::PaintListFrame() {
  Recess(kList.Left - 4, kList.Top - 4, kThumbSlot.Right() + 4, kList.Bottom() + 4, 6, Rgb255(0, 0, 0));
  // The thumb's slot must look the same at every height: each column has one colour.
  const TRgb slotColumns[7] = {Rgb255(14, 16, 20), Rgb255(24, 27, 32), Rgb255(20, 23, 28), Rgb255(12, 14, 17),
                               Rgb255(20, 23, 28), Rgb255(24, 27, 32), Rgb255(14, 16, 20)};
  for (int i = 0; i < 7; ++i)
    FBase.FillRect(kThumbSlot.Left + i, kThumbSlot.Top, kThumbSlot.Left + i + 1, kThumbSlot.Bottom(), slotColumns[i]);
}

void TSkinPainter::PaintEyeSockets() {
  // Deep black sockets: an eye frame's masked-out corners are black, so they vanish into these.
  // The round left pod already carries the accent round its socket; the right one gets its own ring.
  Recess(kLeftEye.Left - 3, kLeftEye.Top - 3, kLeftEye.Right() + 3, kLeftEye.Bottom() + 3, 9, Rgb255(0, 0, 0));
  Recess(kRightEye.Left - 3, kRightEye.Top - 3, kRightEye.Right() + 3, kRightEye.Bottom() + 3, 9, Rgb255(0, 0, 0));
  FBase.FillShape(Shape::Outline(Shape::RoundRect(kRightEye.Left - 6.5f, kRightEye.Top - 6.5f, kRightEye.Right() + 6.5f,
                                                  kRightEye.Bottom() + 6.5f, 12),
                                 0.5f),
                  SkinColours::Orange(), 0.5f);
}

void TSkinPainter::PaintGrille() {
  // Cooling slots under the right eye.
  for (int i = 0; i < 3; ++i) {
    const TShape slot = Shape::Capsule(442, 140.5f + i * 8, 470, 140.5f + i * 8, 2.0f);
    FBase.FillShape(slot, Rgb255(6, 7, 9));
    FBase.Bevel(slot, 1.0f, 0.25f, 0.5f, true);
  }
  // A speaker grille of drilled holes beside the display.
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 8; ++col) {
      const float cx = 174 + col * 8 + (row % 2) * 4, cy = 80 + row * 8;
      if (cx > 232) continue;
      const TShape hole = Shape::Circle(cx, cy, 2.2f);
      FBase.FillShape(hole, Rgb255(6, 7, 9));
      FBase.Bevel(hole, 1.0f, 0.25f, 0.5f, true);
    }
}

void TSkinPainter::PaintScrews() {
  for (const TVec p : {TVec{98, 36}, TVec{400, 36}, TVec{413, 64}, TVec{412, 166}}) {
    const TShape head = Shape::Circle(p.X, p.Y, 3.0f);
    FBase.FillShape(head, [p](float x, float y) {
      const float t = std::clamp((x - p.X + y - p.Y) / 8 + 0.5f, 0.0f, 1.0f);
      return Mix(Rgb255(120, 126, 136), Rgb255(42, 46, 52), t);
    });
    FBase.Bevel(head, 1.0f, 0.2f, 0.5f);
    FBase.FillShape(Shape::Capsule(p.X - 1.8f, p.Y + 1.8f, p.X + 1.8f, p.Y - 1.8f, 0.45f), Rgb255(20, 22, 26));
  }
}

void TSkinPainter::CutOutline() {
  // The white key colour marks the outside of the window, and nowhere inside may use it.
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (!Inside(x, y)) FBase.SetPixel(x, y, SkinColours::White());
}
