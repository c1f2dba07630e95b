// SPDX-License-Identifier: MIT
// mira.nol skin generator: the whole set of pictures, drawn and written into one folder.
#include "TSkinArt.h"

#include <stdexcept>

#include "SkinLayout.h"
#include "TArtWriter.h"
#include "TEyePainter.h"
#include "TIconPainter.h"
#include "TSkinPainter.h"
#include "graphics/TCanvas.h"

namespace {

using namespace SkinLayout;

constexpr int kFrames = 6;
constexpr int kFramesPerRow = 4;
constexpr TEyeGeometry kLeftEyeShape{26, 22.5f, 25, 21.5f};
constexpr TEyeGeometry kRightEyeShape{24.5f, 30.5f, 23.5f, 29.5f};
// The left eye's resting picture is drawn transparently; this colour around the eye is its key.
constexpr TColor kLeftEyeKey = RGB(16, 32, 42);

void Check(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error("art check failed: " + what);
}

bool Shown(const TShape& ball, int x, int y) { return ball(x + 0.5f, y + 0.5f) < 0.5f; }

TArtImage Eye(TEyeGeometry shape, int width, int height, float open, float level) {
  TArtImage image(width, height, Rgb255(0, 0, 0));
  TEyePainter::Paint(image, shape, open, level);
  return image;
}

// Six frames, four to a row; with a mask strip when `mask` is given (black = eye, white = masked out).
void WriteStrip(TArtWriter& writer, TEyeGeometry shape, int width, int height, const std::string& name,
                const std::string& maskName) {
  const int rows = (kFrames + kFramesPerRow - 1) / kFramesPerRow;
  TBitmap strip(width * kFramesPerRow, height * rows, pf32bit);
  TBitmap mask(width * kFramesPerRow, height * rows, pf32bit);
  strip.Canvas().Brush().SetColor(clBlack);
  strip.Canvas().FillRect(strip.ClientRect());
  mask.Canvas().Brush().SetColor(clWhite);
  mask.Canvas().FillRect(mask.ClientRect());
  const TShape ball = TEyePainter::Ball(shape);
  for (int k = 0; k < kFrames; ++k) {
    const TBitmap frame =
        TArtWriter::ToBitmap(Eye(shape, width, height, TEyePainter::FrameOpen(k), TEyePainter::FrameLevel(k)));
    const int ox = (k % kFramesPerRow) * width, oy = (k / kFramesPerRow) * height;
    strip.Canvas().Draw(ox, oy, frame);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (Shown(ball, x, y)) mask.SetPixel(ox + x, oy + y, clBlack);
  }
  writer.Save(strip, name, bd32bit);
  if (!maskName.empty()) writer.Save(mask, maskName, bd1bit);
}

void WriteSkin(TArtWriter& writer, const TSkinPainter& painter) {
  TBitmap skin = TArtWriter::ToBitmap(painter.Skin());
  // White is the key colour: it must appear outside the outline only.
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool inside = painter.Inside(x, y);
      if (inside && skin.Pixel(x, y) == clWhite) skin.SetPixel(x, y, RGB(254, 254, 254));
      Check(inside || skin.Pixel(x, y) == clWhite, "outside of the skin is white");
    }
  Check(!painter.Inside(0, kHeight - 1) && skin.Pixel(0, kHeight - 1) == clWhite, "skin's key pixel is white");
  writer.Save(skin, "ImageShape.bmp", bd24bit);
}

void WriteOverlays(TArtWriter& writer, const TSkinPainter& painter) {
  const struct {
    TButtonGlyph Glyph;
    const char* Name;
  } buttons[] = {{TButtonGlyph::Play, "Button_Play.bmp"},     {TButtonGlyph::Pause, "Button_Pause.bmp"},
                 {TButtonGlyph::Stop, "Button_Stop.bmp"},     {TButtonGlyph::Next, "Button_Next.bmp"},
                 {TButtonGlyph::Prev, "Button_Prev.bmp"},     {TButtonGlyph::Shuffle, "Button_Shuffle.bmp"},
                 {TButtonGlyph::Repeat, "Button_Repeat.bmp"}, {TButtonGlyph::Mute, "Button_Mute.bmp"},
                 {TButtonGlyph::Quit, "Button_Quit.bmp"}};
  for (const auto& b : buttons) writer.Save(painter.LitButton(b.Glyph), b.Name);

  writer.Save(painter.FillBar(TSliderKind::Volume), "FadeBitmap_Volume.bmp");
  writer.Save(painter.FillBar(TSliderKind::Speed), "FadeBitmap_Speed.bmp");
  const TBitmap panning = TArtWriter::ToBitmap(painter.FillBar(TSliderKind::Panning));
  // The panning bar is laid on a white ground that is then see-through, so its source must hold no white.
  for (int y = 0; y < panning.Height(); ++y)
    for (int x = 0; x < panning.Width(); ++x) Check(panning.Pixel(x, y) != clWhite, "panning fill holds no white");
  writer.Save(panning, "FadeBitmap_Panning_Temp.bmp", bd24bit);

  const TBitmap knob = TArtWriter::ToBitmap(painter.Knob());
  Check(knob.Pixel(0, knob.Height() - 1) == clBlack, "knob's key pixel is black");
  for (const char* name : {"Slider_Volume.bmp", "Slider_Speed.bmp", "Slider_Panning.bmp"})
    writer.Save(knob, name, bd24bit);

  writer.Save(painter.Marker(TSliderKind::Volume), "Bitmap_Volume.bmp");
  writer.Save(painter.Marker(TSliderKind::Panning), "Bitmap_Panning.bmp");
  writer.Save(painter.Marker(TSliderKind::Speed), "Bitmap_Speed.bmp");
  writer.Save(painter.Thumb(TLight::Unlit), "Button_Up.bmp");
  writer.Save(painter.Thumb(TLight::Lit), "Button_Up_Rollover.bmp");
}

void WriteEyes(TArtWriter& writer) {
  // Left eye at rest: everything round the eye carries the key colour, and the eye itself never does.
  TBitmap left = TArtWriter::ToBitmap(Eye(kLeftEyeShape, kLeftEye.Width, kLeftEye.Height, TEyePainter::kRestOpen, 0));
  const TShape leftBall = TEyePainter::Ball(kLeftEyeShape);
  for (int y = 0; y < left.Height(); ++y)
    for (int x = 0; x < left.Width(); ++x) {
      if (!Shown(leftBall, x, y))
        left.SetPixel(x, y, kLeftEyeKey);
      else if (left.Pixel(x, y) == kLeftEyeKey)
        left.SetPixel(x, y, RGB(16, 32, 43));
    }
  Check(left.Pixel(0, left.Height() - 1) == kLeftEyeKey, "left eye's key pixel");
  writer.Save(left, "LeftEye_Image.bmp", bd24bit);
  writer.Save(Eye(kRightEyeShape, kRightEye.Width, kRightEye.Height, TEyePainter::kRestOpen, 0), "RightEye_Image.bmp");
  WriteStrip(writer, kLeftEyeShape, kLeftEye.Width, kLeftEye.Height, "LeftEye.bmp", "LeftEye_Mask.bmp");
  WriteStrip(writer, kRightEyeShape, kRightEye.Width, kRightEye.Height, "RightEye.bmp", "");
}

void WriteIcons(TArtWriter& writer) {
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const TIconPainter icon(size);
    writer.SavePng(icon.Image(), icon.Alpha(), "icon-" + std::to_string(size) + ".png");
  }
}

}  // namespace

std::vector<std::string> TSkinArt::WriteAll(const std::string& folder) {
  TArtWriter writer(folder);
  const TSkinPainter painter;
  WriteSkin(writer, painter);
  WriteOverlays(writer, painter);
  WriteEyes(writer);
  WriteIcons(writer);
  return writer.Written();
}
