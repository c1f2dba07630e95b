// SPDX-License-Identifier: MIT
// The scrolling caption: rebuilding the strip and the fade backdrop, the scroll step and composing a frame.
#include "controls/ALScrollingText.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "components/Exception.h"
#include "components/TForm.h"

namespace {
// Glyphs are written into the strip in a key colour that is left out when the strip is drawn.
// Green 128 is the usual key; when the text or the background is that very colour, pure red
// takes its place so the text still shows.
constexpr TColor kKeyColor = 0x008000;
constexpr TColor kAlternateKeyColor = 0x0000FF;

// a * b / c with a 64-bit intermediate, rounded to the nearest integer (halves away from zero).
int MulDiv(int a, int b, int c) {
  int64_t product = int64_t(a) * int64_t(b);
  int64_t divisor = c;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const int64_t result = product >= 0 ? (product + divisor / 2) / divisor : (product - divisor / 2) / divisor;
  return int(result);
}
}  // namespace

TALScrollingText::TALScrollingText(TComponent* owner) : TGraphicControl(owner) {
  FFadeBackdrop = std::make_unique<TBitmap>();
  FComposeBuffer = std::make_unique<TBitmap>();
  FTextStrip = std::make_unique<TBitmap>();
  FTextStrip->SetTransparent(true);
  // The compose buffer covers the whole control, so nothing beneath it is painted first.
  SetControlStyle(ControlStyle() | csOpaque);
  FScrollTimer = std::make_unique<TTimer>(nullptr);
  FScrollTimer->OnTimer = [this](TObject* sender) { OnTimer(sender); };
  // Each size change rebuilds the bitmaps from what is set so far: no text, a black background
  // and no fade. The defaults below are stored without a rebuild.
  SetWidth(50);
  SetHeight(18);
  SetParentFont(true);
  FVisible = true;
  FText = "Text";
  SetSpeed(50);
  FEdgeFadeWidth = 15;
  FBackgroundColor = clBtnFace;
  FLayout = tlCenter;
  FTextDirection = tdLeftToRight;
  FPixelJump = 1;
  FScrollPos = -Width();
  Font().SetColor(clWindowText);
}

TALScrollingText::~TALScrollingText() {
  FScrollTimer.reset();
  FFadeBackdrop.reset();
  FComposeBuffer.reset();
  FTextStrip.reset();
}

void TALScrollingText::SetText(const std::string& text) {
  if (text == FText) return;
  FText = text;
  InvalidateEverything();
}

void TALScrollingText::SetSpeed(int speed) {
  if (speed == FSpeed) return;
  FSpeed = speed;
  // A negative interval would wrap to an endless one; it stops the timer instead, as 0 does.
  FScrollTimer->SetInterval(uint32_t(std::max(speed, 0)));
}

void TALScrollingText::SetBackgroundColor(TColor color) {
  if (color == FBackgroundColor) return;
  FBackgroundColor = color;
  InvalidateEverything();
}

void TALScrollingText::SetEdgeFadeWidth(int width) {
  if (width == FEdgeFadeWidth) return;
  FEdgeFadeWidth = width;
  InvalidateEverything();
}

void TALScrollingText::SetLayout(TTextLayout layout) {
  if (layout == FLayout) return;
  FLayout = layout;
  InvalidateEverything();
}

void TALScrollingText::SetTextDirection(TTextDirection direction) {
  if (direction == FTextDirection) return;
  FTextDirection = direction;
  // The start of a pass is measured on the strip as it is now, before the rebuild.
  FScrollPos = direction == tdRightToLeft ? 0 : Width() - StripWidth();
  InvalidateEverything();
}

void TALScrollingText::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  SetEnabled(visible);
  TGraphicControl::SetVisible(visible);
}

void TALScrollingText::Loaded() {
  InvalidateEverything();
  FScrollPos = FTextDirection == tdRightToLeft ? 0 : Width() - StripWidth();
}

TColor TALScrollingText::CalcColorIndex(TColor startColor, TColor endColor, int steps, int index) {
  if (index < 1 || index > steps)
    throw ERangeError("ColorIndex can't be less than 1 or greater than " + std::to_string(steps));
  const TColor s = ColorToRGB(startColor), e = ColorToRGB(endColor);
  // A blend of one step has no second colour to reach; its only step is the start colour, which
  // is what index 1 gives for every longer blend.
  if (steps == 1) return RGB(GetRValue(s), GetGValue(s), GetBValue(s));
  auto channel = [&](uint8_t from, uint8_t to) {
    return uint8_t(from + MulDiv(index - 1, int(to) - int(from), steps - 1));
  };
  return RGB(channel(GetRValue(s), GetRValue(e)), channel(GetGValue(s), GetGValue(e)),
             channel(GetBValue(s), GetBValue(e)));
}

void TALScrollingText::InvalidateEverything() {
  FRebuild = TRebuild{FText, FBackgroundColor, FEdgeFadeWidth, FLayout, Width(), Height(), Font()};
}

void TALScrollingText::Render() {
  if (!FRebuild) return;
  const TRebuild rebuild = std::move(*FRebuild);
  FRebuild.reset();
  const int width = rebuild.Width, height = rebuild.Height;
  const TColor fontColor = rebuild.Font.Color();
  const TColor backgroundColor = rebuild.BackgroundColor;
  const std::string& text = rebuild.Text;

  // The strip: all background, sized for the text with a control's width of space on each side.
  TCanvas& strip = FTextStrip->Canvas();
  strip.Brush().SetStyle(bsSolid);
  strip.Brush().SetColor(backgroundColor);
  strip.FillRect(FTextStrip->ClientRect());
  strip.Font().Assign(rebuild.Font);
  const int textWidth = strip.TextWidth(text);
  FTextStrip->SetSize(textWidth + 2 * width, height);

  const TColor key = fontColor == kKeyColor || backgroundColor == kKeyColor ? kAlternateKeyColor : kKeyColor;
  FTextStrip->SetTransparentColor(key);
  strip.Font().SetColor(key);

  int y = 0;
  const int textHeight = strip.TextHeight(text);
  switch (rebuild.Layout) {
    case tlTop: y = 0; break;
    case tlCenter: y = height / 2 - textHeight / 2; break;
    case tlBottom: y = height - textHeight; break;
  }
  strip.TextOut(width, y, text);

  // The backdrop: the font colour, blended into the background towards both edges. Within a
  // step the right edge is drawn after the left, so overlapping fades end the way they should.
  FFadeBackdrop->SetSize(width, height);
  TCanvas& backdrop = FFadeBackdrop->Canvas();
  backdrop.Brush().SetStyle(bsSolid);
  backdrop.Brush().SetColor(fontColor);
  backdrop.FillRect(FFadeBackdrop->ClientRect());
  backdrop.Pen().SetStyle(psSolid);
  const int backdropWidth = FFadeBackdrop->Width();
  // Steps past the backdrop's width draw outside it on both sides, so they are not walked.
  const int visibleSteps = std::min(rebuild.EdgeFadeWidth, backdropWidth);
  for (int i = 0; i < visibleSteps; ++i) {
    backdrop.Pen().SetColor(CalcColorIndex(backgroundColor, fontColor, rebuild.EdgeFadeWidth, i + 1));
    backdrop.MoveTo(i, 0);
    backdrop.LineTo(i, height);
    backdrop.MoveTo(backdropWidth - i - 1, 0);
    backdrop.LineTo(backdropWidth - i - 1, height);
  }

  FComposeBuffer->SetSize(width, height);

  FPlainLeft = std::max(visibleSteps, 0);
  FPlainRight = backdropWidth - FPlainLeft;
  FInkedStrip.reset();
  if (FPlainLeft >= FPlainRight || height <= 0 || FTextStrip->HasDetail() || FTextStrip->PixelFormat() != pf32bit ||
      FFadeBackdrop->PixelFormat() != pf32bit)
    return;
  const uint32_t middle = FFadeBackdrop->ScanLine(0)[FPlainLeft];
  FInkedStrip = std::make_unique<TBitmap>(*FTextStrip);
  FInkedStrip->SetTransparent(false);
  for (int y = 0; y < FInkedStrip->Height(); ++y) {
    uint32_t* row = FInkedStrip->ScanLine(y);
    for (int x = 0; x < FInkedStrip->Width(); ++x)
      if (row[x] == key) row[x] = middle;
  }
}

void TALScrollingText::OnTimer(TObject* /*sender*/) {
  if (!Enabled()) return;
  if (FTextDirection == tdLeftToRight) {
    FScrollPos += FPixelJump;
    // Once the text has left at the right edge, it comes in again from the left.
    if (FScrollPos >= 0) FScrollPos = Width() - StripWidth();
  } else {
    FScrollPos -= FPixelJump;
    if (FScrollPos <= Width() - StripWidth()) FScrollPos = 0;
  }
  // Between the window's frames a step drawn now would be drawn over by the next before anyone saw
  // it: the window then paints the caption with its frame, once for all the steps made meanwhile.
  if (FPaintWaiting || (Parent() && Parent()->PaintHeld())) {
    FPaintWaiting = true;
    Invalidate();
    return;
  }
  // Straight onto the window, with no erase step in between.
  Paint();
}

void TALScrollingText::Paint() {
  FPaintWaiting = false;
  Render();
  TCanvas& buffer = FComposeBuffer->Canvas();
  if (FInkedStrip) {
    const int height = FComposeBuffer->Height();
    // Where the inked strip lies over the plain middle it covers every pixel, so the backdrop goes
    // only around it: a new title may leave the strip short of the right edge until it wraps.
    const int coverLeft = std::max(FPlainLeft, FScrollPos);
    const int coverRight = std::min(FPlainRight, FScrollPos + FInkedStrip->Width());
    if (coverLeft < coverRight && FInkedStrip->Height() >= height) {
      buffer.SetClipRect({0, 0, coverLeft, height});
      buffer.Draw(0, 0, *FFadeBackdrop);
      buffer.SetClipRect({coverRight, 0, FComposeBuffer->Width(), height});
      buffer.Draw(0, 0, *FFadeBackdrop);
    } else {
      buffer.Draw(0, 0, *FFadeBackdrop);
    }
    buffer.SetClipRect({FPlainLeft, 0, FPlainRight, height});
    buffer.Draw(FScrollPos, 0, *FInkedStrip);
    buffer.SetClipRect({0, 0, FPlainLeft, height});
    buffer.Draw(FScrollPos, 0, *FTextStrip);
    buffer.SetClipRect({FPlainRight, 0, FComposeBuffer->Width(), height});
    buffer.Draw(FScrollPos, 0, *FTextStrip);
    buffer.ResetClipRect();
  } else {
    buffer.Draw(0, 0, *FFadeBackdrop);
    buffer.Draw(FScrollPos, 0, *FTextStrip);
  }
  Canvas().Draw(0, 0, *FComposeBuffer);
}

void TALScrollingText::Resize() {
  TGraphicControl::Resize();
  InvalidateEverything();
}

void TALScrollingText::FontChanged() {
  TGraphicControl::FontChanged();
  InvalidateEverything();
}
