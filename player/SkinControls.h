// mira.nol — licensed under the terms in the LICENSE file.
// The classes the main window builds its skin from: the shaped skin picture, the caption and the track list.
#pragma once

#include "components/TCustomListBox.h"
#include "components/TImage.h"
#include "components/TLabel.h"

#include <string>

// FIXME: the shaped window, the scrolling caption and the colour-lined list are not written yet.
// Until they are, plain framework controls stand in for them; each alias below is the one line to
// change when the real class arrives.

// A caption that shows its text still, in place of the scrolling one.
class TScrollerStandIn : public TLabel {
public:
  enum class TTextDirection : uint8_t { tdLeftToRight, tdRightToLeft };

  explicit TScrollerStandIn(TComponent* owner) : TLabel(owner) { SetAutoSize(false); }

  const std::string& Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  int Speed() const { return FSpeed; }
  void SetSpeed(int speed) { FSpeed = speed; }
  TColor BackgroundColor() const { return Color(); }
  void SetBackgroundColor(TColor color) { SetParentColor(false); SetColor(color); }
  TTextDirection TextDirection() const { return FTextDirection; }
  void SetTextDirection(TTextDirection direction) { FTextDirection = direction; }

private:
  int FSpeed = 10;
  TTextDirection FTextDirection = TTextDirection::tdLeftToRight;
};

using TSkinShape = TImage;
using TSkinScroller = TScrollerStandIn;
using TSkinList = TCustomListBox;
