// SPDX-License-Identifier: MIT
// mira.nol skin generator: the two mechanical eyes that watch the music, from asleep to wide awake.
#include "TEyePainter.h"

#include <algorithm>
#include <cmath>

#include "SkinColours.h"

TShape TEyePainter::Ball(TEyeGeometry g) { return Shape::Ellipse(g.Cx, g.Cy, g.Rx, g.Ry); }

float TEyePainter::FrameOpen(int frame) {
  static const float kOpen[] = {0.22f, 0.42f, 0.6f, 0.78f, 0.95f, 1.1f};
  return kOpen[frame];
}

float TEyePainter::FrameLevel(int frame) { return frame / 5.0f; }

namespace {

// The iris with its pupil and the glints on the glass; the iris lifts a little as the eye opens in surprise.
void PaintIris(TArtImage& image, TEyeGeometry g, const TShape& glass, float s, float level) {
  const float ri = std::min(g.Rx, g.Ry) * 0.62f;
  const float ix = g.Cx, iy = g.Cy + ri * (0.18f - 0.22f * level);
  const TRgb deep = Mix(Rgb255(64, 24, 4), Rgb255(190, 62, 0), level);
  const TRgb bright = Mix(Rgb255(150, 66, 14), Rgb255(255, 196, 70), level);
  image.FillShape(Shape::Intersect(Shape::Circle(ix, iy, ri), glass), [=](float x, float y) {
    const float r = std::hypot(x - ix, y - iy) / ri;
    const float a = std::atan2(y - iy, x - ix);
    TRgb c = Mix(bright, deep, std::clamp(r, 0.0f, 1.0f));
    c = Scale(c, 0.85f + 0.15f * std::sin(a * 17.0f));
    if (r > 0.82f) c = Scale(c, 1.0f - (r - 0.82f) * 2.8f);
    return c;
  });

  // The pupil: a dark well when calm; as the music gets louder a white-hot core grows inside it.
  const float rp = ri * (0.44f - 0.04f * level);
  const TShape pupil = Shape::Intersect(Shape::Circle(ix, iy, rp), glass);
  if (level > 0.3f) image.Glow(pupil, SkinColours::Amber(), rp * 1.5f, 0.6f * (level - 0.3f));
  image.FillShape(pupil, Rgb255(5, 5, 7));
  if (level > 0) {
    const float rc = rp * (0.35f + 0.75f * level);
    image.FillShape(
        Shape::Intersect(Shape::Circle(ix, iy, rc), glass),
        [=](float x, float y) {
          const float r = std::min(1.0f, std::hypot(x - ix, y - iy) / rc);
          return Mix(Mix(SkinColours::Amber(), SkinColours::Hot(), level), Rgb255(150, 40, 0), r * r);
        },
        std::min(1.0f, 0.35f + level));
  }

  // Glints on the glass.
  image.FillShape(Shape::Ellipse(ix - ri * 0.45f, iy - ri * 0.5f, 2.3f * s, 1.7f * s), Rgb255(240, 244, 250), 0.85f);
  image.FillShape(Shape::Circle(ix + ri * 0.4f, iy + ri * 0.38f, 0.9f * s), Rgb255(240, 244, 250), 0.45f);
}

// The shutters over the glass, `open` apart.
void PaintShutters(TArtImage& image, TEyeGeometry g, const TShape& glass, float s, float open, float level) {
  // The shutters. Their edges are curves: the upper one bows down, the lower one bows up. `open`
  // says how much of the upper half shows; past 1 both shutters are out of sight.
  const float bulgeU = g.Ry * 0.28f, bulgeL = g.Ry * 0.16f;
  const float yU = g.Cy + g.Ry * (0.2f - 1.2f * open) - bulgeU;
  const float yL = g.Cy + g.Ry * (0.5f + 0.55f * open) + bulgeL;
  const TShape upperEdge = [=](float x, float y) {
    const float u = std::clamp((x - g.Cx) / g.Rx, -1.0f, 1.0f);
    return y - (yU + bulgeU * (1 - u * u));
  };
  const TShape lowerEdge = [=](float x, float y) {
    const float u = std::clamp((x - g.Cx) / g.Rx, -1.0f, 1.0f);
    return (yL - bulgeL * (1 - u * u)) - y;
  };
  const TShape upper = Shape::Intersect(upperEdge, glass);
  const TShape lower = Shape::Intersect(lowerEdge, glass);
  // Shadow cast on the glass just under the upper shutter.
  image.FillShape(Shape::Intersect(Shape::Grow(upperEdge, 2.5f * s), glass), Rgb255(0, 0, 0), 0.45f);
  auto metal = [=](float x, float y) {
    const float t = std::clamp((y - (g.Cy - g.Ry)) / (2 * g.Ry), 0.0f, 1.0f);
    TRgb c = Mix(Rgb255(104, 110, 122), Rgb255(46, 50, 58), t);
    // Slats across the shutter.
    if (static_cast<int>(std::floor(y / (3.0f * s))) % 2 == 0) c = Scale(c, 0.88f);
    const float shade = 1.0f - 0.25f * std::fabs((x - g.Cx) / g.Rx);
    return Scale(c, shade);
  };
  image.FillShape(upper, metal);
  image.FillShape(lower, metal);
  // The shutters' lips carry the accent, brighter the louder.
  const TRgb lip = Mix(Rgb255(120, 48, 6), SkinColours::Amber(), level);
  image.FillShape(Shape::Intersect(Shape::Outline(upperEdge, 0.6f * s), glass), lip);
  image.FillShape(Shape::Intersect(Shape::Outline(lowerEdge, 0.5f * s), glass), lip, 0.8f);
}

}  // namespace

void TEyePainter::Paint(TArtImage& image, TEyeGeometry g, float open, float level) {
  const float s = std::min(g.Rx, g.Ry) / 21.0f;  // scale against the left eye's size
  const TShape ball = Ball(g);
  const float ringWidth = std::max(2.0f, 2.4f * s);
  const TShape glass = Shape::Grow(ball, -ringWidth);

  // The metal ring, lit from the top left.
  image.FillShape(ball, [g](float x, float y) {
    const float t = std::clamp(((x - g.Cx) / g.Rx + (y - g.Cy) / g.Ry) * 0.5f + 0.5f, 0.0f, 1.0f);
    return Mix(Rgb255(150, 156, 166), Rgb255(40, 43, 50), t);
  });

  // The glass: dark, warming towards its centre as the level rises.
  image.FillShape(glass, [g, level](float x, float y) {
    const float r = std::min(1.0f, std::hypot((x - g.Cx) / g.Rx, (y - g.Cy) / g.Ry));
    TRgb c = Mix(Rgb255(40, 50, 62), Rgb255(10, 13, 17), r);
    return Add(c, Scale(SkinColours::Orange(), 0.45f * level * level * (1 - r * r)));
  });

  PaintIris(image, g, glass, s, level);
  PaintShutters(image, g, glass, s, open, level);

  // An inner line of light round the glass when the music is loud.
  if (level > 0)
    image.FillShape(Shape::Intersect(Shape::Outline(glass, 0.6f * s), ball), SkinColours::Orange(),
                    0.25f + 0.6f * level);
}
