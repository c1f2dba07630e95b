// SPDX-License-Identifier: MIT
// A line of text on the form: its caption in its font, optionally see-through and auto-sized.
#pragma once

#include <string>

#include "components/TGraphicControl.h"

enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

// With AutoSize on (the default) the label's size follows its text: the text's width and the
// font's line height. A transparent label paints only its text; otherwise it first fills its area
// with Color (the parent's colour while ParentColor is on, the default). Alignment places the text
// horizontally inside a fixed-size label.
class TLabel : public TGraphicControl {
public:
  explicit TLabel(TComponent* owner);

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);

protected:
  void Paint() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;

private:
  std::string FCaption;
  bool FTransparent = false;
  TAlignment FAlignment = taLeftJustify;
};
