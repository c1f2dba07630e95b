// SPDX-License-Identifier: MIT
// mira.nol skin generator: paints the skin and every picture that is laid over it.
#pragma once

#include "SkinLayout.h"
#include "TArtImage.h"

enum class TButtonGlyph { Prev, Play, Pause, Stop, Next, Shuffle, Repeat, Mute, Quit };
enum class TLight { Unlit, Lit };
enum class TSliderKind { Volume, Panning, Speed };

// Every overlay picture is cut from the skin as it was before its item was painted, then the lit
// item is painted on that cut-out; so an overlay fits the skin beneath it pixel for pixel.
class TSkinPainter {
public:
  TSkinPainter();

  // The whole skin: white outside the outline (and therefore in the bottom-left corner), dark panel inside.
  const TArtImage& Skin() const { return FSkin; }
  // Inside/outside of the outline for each pixel, as the window's shape will cut it.
  bool Inside(int x, int y) const;

  TArtImage LitButton(TButtonGlyph glyph) const;
  TArtImage Knob() const;
  TArtImage FillBar(TSliderKind kind) const;
  TArtImage Marker(TSliderKind kind) const;
  TArtImage Thumb(TLight light) const;

  static TArtRect ButtonRect(TButtonGlyph glyph);

private:
  void PaintPanel();
  void PaintHeader();
  void PaintDisplays();
  void PaintSliderBay();
  void PaintButtonBays();
  void PaintListFrame();
  void PaintEyeSockets();
  void PaintGrille();
  void PaintScrews();
  void PaintItems(TArtImage& image);
  void CutOutline();

  void Recess(float left, float top, float right, float bottom, float radius, TRgb fill);
  void PaintButton(TArtImage& image, TButtonGlyph glyph, TLight light) const;
  void PaintGlyph(TArtImage& image, TButtonGlyph glyph, TArtRect r, TRgb colour) const;
  void PaintCells(TArtImage& image, TSliderKind kind, TLight light) const;
  void PaintMarkerText(TArtImage& image, TSliderKind kind, TLight light) const;
  void PaintThumb(TArtImage& image, TLight light) const;

  TArtImage FBase;  // the panel before any button, cell or label was painted on it
  TArtImage FSkin;
  std::vector<bool> FInside;
};
