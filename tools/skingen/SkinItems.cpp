// SPDX-License-Identifier: MIT
// mira.nol skin generator: buttons, slider cells, value markers, knobs and the list thumb.
#include <cmath>
#include <string_view>

#include "SkinColours.h"
#include "TPixelFont.h"
#include "TSkinPainter.h"

namespace {

using namespace SkinLayout;

constexpr TButtonGlyph kAllButtons[] = {TButtonGlyph::Prev,   TButtonGlyph::Play, TButtonGlyph::Pause,
                                        TButtonGlyph::Stop,   TButtonGlyph::Next, TButtonGlyph::Shuffle,
                                        TButtonGlyph::Repeat, TButtonGlyph::Mute, TButtonGlyph::Quit};

TArtRect TrackRect(TSliderKind kind) {
  switch (kind) {
    case TSliderKind::Volume: return kVolumeTrack;
    case TSliderKind::Panning: return kPanningTrack;
    case TSliderKind::Speed: return kSpeedTrack;
  }
  return kVolumeTrack;
}

TArtRect MarkerRect(TSliderKind kind) {
  switch (kind) {
    case TSliderKind::Volume: return kVolumeMarker;
    case TSliderKind::Panning: return kPanningMarker;
    case TSliderKind::Speed: return kSpeedMarker;
  }
  return kVolumeMarker;
}

std::string_view MarkerText(TSliderKind kind) {
  switch (kind) {
    case TSliderKind::Volume: return "VOLUME";
    case TSliderKind::Panning: return "PANNING";
    case TSliderKind::Speed: return "SPEED";
  }
  return "";
}

TShape Triangle(float left, float top, float right, float bottom, bool pointsRight) {
  const float mid = (top + bottom) / 2;
  if (pointsRight) return Shape::Polygon({{left, top}, {right, mid}, {left, bottom}});
  return Shape::Polygon({{right, top}, {left, mid}, {right, bottom}});
}

}  // namespace

TArtRect TSkinPainter::ButtonRect(TButtonGlyph glyph) {
  switch (glyph) {
    case TButtonGlyph::Prev: return kPrev;
    case TButtonGlyph::Play: return kPlay;
    case TButtonGlyph::Pause: return kPause;
    case TButtonGlyph::Stop: return kStop;
    case TButtonGlyph::Next: return kNext;
    case TButtonGlyph::Shuffle: return kShuffle;
    case TButtonGlyph::Repeat: return kRepeat;
    case TButtonGlyph::Mute: return kMute;
    case TButtonGlyph::Quit: return kQuit;
  }
  return kPlay;
}

void TSkinPainter::PaintItems(TArtImage& image) {
  for (TButtonGlyph g : kAllButtons) PaintButton(image, g, TLight::Unlit);
  for (TSliderKind k : {TSliderKind::Volume, TSliderKind::Panning, TSliderKind::Speed}) {
    PaintCells(image, k, TLight::Unlit);
    PaintMarkerText(image, k, TLight::Unlit);
  }
}

void TSkinPainter::PaintButton(TArtImage& image, TButtonGlyph glyph, TLight light) const {
  const TArtRect r = ButtonRect(glyph);
  const bool lit = light == TLight::Lit;
  if (glyph == TButtonGlyph::Quit) {
    // Quit is a word on a flat plate rather than a key.
    image.FillShape(Shape::RoundRect(r.Left, r.Top, r.Right(), r.Bottom(), 2),
                    lit ? Rgb255(70, 34, 8) : Rgb255(34, 38, 44));
    const int w = TPixelFont::TextWidth("QUIT");
    if (lit)
      image.Glow(Shape::RoundRect(r.Left + 4, r.Top + 1, r.Right() - 4, r.Bottom() - 1, 2), SkinColours::Orange(), 3,
                 0.25f);
    TPixelFont::Draw(image, r.Left + (r.Width - w) / 2, r.Top + 1, "QUIT",
                     lit ? SkinColours::Hot() : SkinColours::GlyphUnlit());
    return;
  }
  const float radius = r.Height >= 12 ? 3.0f : 2.5f;
  const TShape key = Shape::RoundRect(r.Left, r.Top, r.Right(), r.Bottom(), radius);
  const float top = r.Top, height = r.Height;
  image.FillShape(key, [=](float, float y) {
    const float t = (y - top) / height;
    if (lit) return Mix(Rgb255(112, 50, 12), Rgb255(56, 20, 4), t);
    return Mix(Rgb255(74, 80, 90), Rgb255(38, 42, 48), t);
  });
  image.Bevel(key, 1.0f, lit ? 0.35f : 0.25f, 0.45f);
  const TRgb colour = lit ? SkinColours::Hot() : SkinColours::GlyphUnlit();
  if (lit) {
    // A lit key glows from inside: a soft warm light behind the glyph.
    TArtImage glowLayer = image;
    PaintGlyph(glowLayer, glyph, r, SkinColours::Amber());
    for (int y = r.Top; y < r.Bottom(); ++y)
      for (int x = r.Left; x < r.Right(); ++x) {
        float sum = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const TRgb a = glowLayer.Pixel(x + dx, y + dy), b = image.Pixel(x + dx, y + dy);
            sum += std::fabs(a.R - b.R) + std::fabs(a.G - b.G);
          }
        image.Blend(x, y, SkinColours::Orange(), std::min(1.0f, sum / 9.0f) * 0.45f);
      }
  }
  PaintGlyph(image, glyph, r, colour);
}

void TSkinPainter::PaintGlyph(TArtImage& image, TButtonGlyph glyph, TArtRect r, TRgb colour) const {
  const float cx = r.Left + r.Width / 2.0f, cy = r.Top + r.Height / 2.0f;
  const float h = 3.0f;  // half height of the transport glyphs: six whole rows between the bevels
  auto fill = [&](const TShape& s) { image.FillShape(s, colour); };
  switch (glyph) {
    case TButtonGlyph::Play: fill(Triangle(cx - 2.5f, cy - h, cx + 3, cy + h, true)); break;
    case TButtonGlyph::Pause:
      fill(Shape::RoundRect(cx - 2.5f, cy - h, cx - 0.5f, cy + h, 0.2f));
      fill(Shape::RoundRect(cx + 0.5f, cy - h, cx + 2.5f, cy + h, 0.2f));
      break;
    case TButtonGlyph::Stop: fill(Shape::RoundRect(cx - 2.5f, cy - h, cx + 2.5f, cy + h, 0.3f)); break;
    case TButtonGlyph::Next:
      fill(Triangle(cx - 4.5f, cy - h, cx - 0.5f, cy + h, true));
      fill(Triangle(cx - 0.5f, cy - h, cx + 3.5f, cy + h, true));
      fill(Shape::RoundRect(cx + 3.5f, cy - h, cx + 5, cy + h, 0.1f));
      break;
    case TButtonGlyph::Prev:
      fill(Shape::RoundRect(cx - 5, cy - h, cx - 3.5f, cy + h, 0.1f));
      fill(Triangle(cx - 3.5f, cy - h, cx + 0.5f, cy + h, false));
      fill(Triangle(cx + 0.5f, cy - h, cx + 4.5f, cy + h, false));
      break;
    case TButtonGlyph::Shuffle: {
      const float l = cx - 4, rr = cx + 2.5f, t = cy - 2.5f, b = cy + 2.5f;
      fill(Shape::Capsule(l, t, rr, b, 0.55f));
      fill(Shape::Capsule(l, b, rr, t, 0.55f));
      fill(Triangle(rr - 0.5f, t - 2, rr + 2.5f, t + 2, true));
      fill(Triangle(rr - 0.5f, b - 2, rr + 2.5f, b + 2, true));
      break;
    }
    case TButtonGlyph::Repeat: {
      // A circular arrow: a ring open at its upper right, its end pointing down into the turn.
      const float r = 3.4f, ry = cy + 0.3f;
      const TShape ring = Shape::Outline(Shape::Circle(cx - 0.3f, ry, r), 0.6f);
      fill(Shape::Subtract(
          ring, Shape::Polygon({{cx - 0.3f, ry}, {cx + 0.7f, ry - 6}, {cx + 6, ry - 6}, {cx + 6, ry - 0.8f}})));
      fill(Shape::Polygon({{cx + r - 2.6f, ry - 1.0f}, {cx + r + 2.0f, ry - 1.0f}, {cx + r - 0.3f, ry + 1.9f}}));
      break;
    }
    case TButtonGlyph::Mute:
      fill(Shape::RoundRect(cx - 4.5f, cy - 1.3f, cx - 2.5f, cy + 1.3f, 0.2f));
      fill(Shape::Polygon({{cx - 2.5f, cy - 1.3f}, {cx, cy - 3.5f}, {cx, cy + 3.5f}, {cx - 2.5f, cy + 1.3f}}));
      fill(Shape::Capsule(cx + 1.5f, cy - 1.8f, cx + 4.5f, cy + 1.8f, 0.5f));
      fill(Shape::Capsule(cx + 1.5f, cy + 1.8f, cx + 4.5f, cy - 1.8f, 0.5f));
      break;
    case TButtonGlyph::Quit: break;
  }
}

void TSkinPainter::PaintCells(TArtImage& image, TSliderKind kind, TLight light) const {
  const TArtRect t = TrackRect(kind);
  const bool lit = light == TLight::Lit;
  // Cells three pixels wide with a one-pixel gap; the bottom row of the track stays clear.
  for (int left = 1; left + 3 <= t.Width - 1; left += 4) {
    const float centre = left + 1.5f;
    float level;  // 0 to 1: how tall this cell stands
    if (kind == TSliderKind::Panning)
      level = 1.0f - std::fabs(centre - 68.5f) / 68.5f;
    else
      level = centre / (t.Width - 1.0f);
    const int cellHeight = 1 + static_cast<int>(std::lround(level * 6));
    const int bottom = t.Top + t.Height - 1;
    for (int row = 0; row < cellHeight; ++row) {
      const int y = bottom - 1 - row;
      TRgb c;
      if (lit) {
        c = Mix(Rgb255(190, 50, 0), SkinColours::Amber(), level);
        if (row == cellHeight - 1) c = Mix(c, SkinColours::Hot(), 0.5f);
      } else {
        c = Mix(Rgb255(34, 38, 44), Rgb255(48, 52, 60), level);
      }
      for (int i = 0; i < 3; ++i) image.SetPixel(t.Left + left + i, y, c);
    }
  }
}

void TSkinPainter::PaintMarkerText(TArtImage& image, TSliderKind kind, TLight light) const {
  const TArtRect r = MarkerRect(kind);
  const std::string_view text = MarkerText(kind);
  if (light == TLight::Lit) {
    // A faint underglow behind the lit word.
    const int w = TPixelFont::TextWidth(text);
    image.Glow(Shape::RoundRect(r.Left + 2, r.Top + 2, r.Left + 2 + w, r.Top + 5, 1), SkinColours::Orange(), 3, 0.18f);
    TPixelFont::Draw(image, r.Left + 2, r.Top + 1, text, SkinColours::Orange());
  } else {
    TPixelFont::Draw(image, r.Left + 2, r.Top + 1, text, Rgb255(60, 66, 76));
  }
}

void TSkinPainter::PaintThumb(TArtImage& image, TLight light) const {
  const TArtRect r = kThumb;
  const bool lit = light == TLight::Lit;
  const TShape grip = Shape::RoundRect(r.Left, r.Top, r.Right(), r.Bottom(), 2);
  const float left = r.Left;
  image.FillShape(grip, [=](float x, float) {
    const float t = (x - left) / 7.0f;
    if (lit) return Mix(SkinColours::Amber(), Rgb255(200, 70, 0), t);
    return Mix(Rgb255(120, 126, 136), Rgb255(62, 66, 74), t);
  });
  image.Bevel(grip, 1.0f, 0.3f, 0.4f);
  for (int y : {r.Top + 2, r.Top + 4, r.Top + 6})
    for (int x = r.Left + 2; x < r.Right() - 2; ++x) image.Blend(x, y, Rgb255(0, 0, 0), lit ? 0.45f : 0.35f);
}

TArtImage TSkinPainter::LitButton(TButtonGlyph glyph) const {
  TArtImage image = FBase;
  PaintButton(image, glyph, TLight::Lit);
  const TArtRect r = ButtonRect(glyph);
  return image.Crop(r.Left, r.Top, r.Width, r.Height);
}

TArtImage TSkinPainter::FillBar(TSliderKind kind) const {
  TArtImage image = FBase;
  PaintCells(image, kind, TLight::Lit);
  const TArtRect r = TrackRect(kind);
  return image.Crop(r.Left, r.Top, r.Width, r.Height);
}

TArtImage TSkinPainter::Marker(TSliderKind kind) const {
  TArtImage image = FBase;
  PaintMarkerText(image, kind, TLight::Lit);
  const TArtRect r = MarkerRect(kind);
  return image.Crop(r.Left, r.Top, r.Width, r.Height);
}

TArtImage TSkinPainter::Thumb(TLight light) const {
  TArtImage image = FBase;
  PaintThumb(image, light);
  return image.Crop(kThumb.Left, kThumb.Top, kThumb.Width, kThumb.Height);
}

TArtImage TSkinPainter::Knob() const {
  // Drawn on black, the knob's see-through colour; partly covered edge pixels either count as knob
  // (mixed with a dark tone, never pure black) or stay black, so the cut-out is clean.
  TArtImage image(kKnobWidth, kKnobHeight, Rgb255(0, 0, 0));
  const TShape body = Shape::RoundRect(0, 0, kKnobWidth, kKnobHeight, 2);
  for (int y = 0; y < kKnobHeight; ++y)
    for (int x = 0; x < kKnobWidth; ++x) {
      const float cover = std::clamp(0.5f - body(x + 0.5f, y + 0.5f), 0.0f, 1.0f);
      if (cover < 0.5f) continue;
      const float t = (x + 0.5f) / kKnobWidth;
      TRgb c = Mix(Rgb255(214, 218, 226), Rgb255(96, 102, 112), t);
      if (y == 0 || y == kKnobHeight - 1) c = Mix(c, Rgb255(60, 64, 72), 0.5f);
      if (x == 2 && y >= 3 && y <= kKnobHeight - 4) c = SkinColours::Orange();
      image.SetPixel(x, y, Mix(Rgb255(30, 32, 36), c, cover));
    }
  return image;
}
