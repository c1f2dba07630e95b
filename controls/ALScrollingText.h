// SPDX-License-Identifier: MIT
// A line of text that scrolls endlessly through the control, fading into the background at the edges.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "components/TGraphicControl.h"
#include "components/TTimer.h"
#include "graphics/TBitmap.h"

enum class TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };
using enum TTextLayout;
enum class TTextDirection : uint8_t { tdLeftToRight, tdRightToLeft };
using enum TTextDirection;

// The text is rendered once, whenever something it depends on changes, into a strip: the
// background colour everywhere except the glyphs, which carry a key colour, with Width pixels of
// background before and after the text. A tick only composes: the fade backdrop (the font colour,
// blended into the background over EdgeFadeWidth columns at each edge), then the strip at the
// scroll position with its key colour left out, so the backdrop shows through the glyphs; the
// result is copied straight onto the window.
//
// Setters do nothing when the value does not change; a change rebuilds the bitmaps but does not
// repaint: the next tick shows it. The scroll position is kept across text changes.
//
// A rebuild takes the properties as they are when it is asked for, and renders them when the
// bitmaps are next needed: a paint, a scroll step or the strip's width. A run of changes (the
// layout setting size, font and text one by one, a new track's title before its first paint)
// renders once, and a control never shown never opens its font.
class TALScrollingText : public TGraphicControl {
public:
  using TTextLayout = ::TTextLayout;
  using TTextDirection = ::TTextDirection;

  explicit TALScrollingText(TComponent* owner);
  ~TALScrollingText() override;

  const std::string& Text() const { return FText; }
  void SetText(const std::string& text);
  // The timer's interval in milliseconds (negative values stop it).
  int Speed() const { return FSpeed; }
  void SetSpeed(int speed);
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor color);
  int EdgeFadeWidth() const { return FEdgeFadeWidth; }
  void SetEdgeFadeWidth(int width);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout layout);
  TTextDirection TextDirection() const { return FTextDirection; }
  // Also puts the text at the start of a pass in the new direction.
  void SetTextDirection(TTextDirection direction);
  int PixelJump() const { return FPixelJump; }
  void SetPixelJump(int pixels) { FPixelJump = pixels; }
  // Hiding also disables the control (it stops scrolling); showing enables it again.
  void SetVisible(bool visible) override;

  // The x of the strip's left edge relative to the control's left edge.
  int ScrollPos() const { return FScrollPos; }
  // The width of the rendered strip: text width + 2 x Width.
  int StripWidth() {
    Render();
    return FTextStrip->Width();
  }

  // One scroll step (the timer's handler); nothing happens while the control is disabled.
  void OnTimer(TObject* sender);
  // Rebuilds the strip, the fade backdrop and the compose buffer from the properties as they are
  // now. No repaint is requested.
  void InvalidateEverything();
  // To be called once every property has been applied after creation: rebuilds and puts the text
  // at the start of a pass.
  void Loaded();

  // The colour of step `index` (1..steps) of a linear blend from `startColor` to `endColor`.
  // Throws ERangeError outside 1..steps.
  static TColor CalcColorIndex(TColor startColor, TColor endColor, int steps, int index);

  // The timer that drives the scrolling (tests step it through the message loop's clock).
  TTimer& ScrollTimer() { return *FScrollTimer; }

protected:
  void Paint() override;
  void Resize() override;
  void FontChanged() override;

private:
  std::string FText;
  std::unique_ptr<TTimer> FScrollTimer;
  int FSpeed = 0;
  TColor FBackgroundColor = 0;
  std::unique_ptr<TBitmap> FFadeBackdrop;
  std::unique_ptr<TBitmap> FComposeBuffer;
  std::unique_ptr<TBitmap> FTextStrip;
  // What the last rebuild asked for, until it is rendered.
  struct TRebuild {
    std::string Text;
    TColor BackgroundColor = 0;
    int EdgeFadeWidth = 0;
    TTextLayout Layout = tlTop;
    int Width = 0;
    int Height = 0;
    TFont Font;
  };
  std::optional<TRebuild> FRebuild;
  // The strip with its glyphs in the backdrop's middle colour, and the columns where the backdrop
  // is that colour alone: there a frame is a plain copy of it, and only the faded edges are keyed.
  // Empty while the strip carries a finer picture of its text, which only the keyed copy takes along.
  std::unique_ptr<TBitmap> FInkedStrip;
  int FPlainLeft = 0;
  int FPlainRight = 0;
  // Renders a rebuild still waiting, if any.
  void Render();
  int FScrollPos = 0;
  int FEdgeFadeWidth = 0;
  TTextLayout FLayout = tlTop;
  TTextDirection FTextDirection = tdLeftToRight;
  int FPixelJump = 0;
  bool FVisible = false;
  // A scroll step waits for the window's next paint of the caption.
  bool FPaintWaiting = false;
};
