// SPDX-License-Identifier: MIT
// A text face chosen by name and pixel height, found among the installed fonts and rendered crisply.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphics/TColor.h"
#include "graphics/TObject.h"

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;  // an OR of TFontStyle members

inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;

// The coverage of a rendered line of text: Width x Height bytes, 0 (background) or 255 (ink).
// Text is rendered without grey edges, so a stroke keeps its exact colour on any background and a
// text drawn in a key colour leaves exact holes.
struct TTextMask {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Coverage;
};

// The face is looked up by name through the system's font configuration: "Arial" resolves to the
// installed metric-compatible sans face, "Arial Black" to the boldest weight of it, "MS Sans Serif"
// to the same sans face. Lookup and rendering are safe to call from any one thread at a time per
// font object; the shared font cache behind them is locked.
class TFont : public TObject {
public:
  TFont() = default;
  TFont(const TFont& other);
  TFont& operator=(const TFont& other);  // Assign
  ~TFont() override;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  // Negative: the character height in pixels. Positive: the cell height (ascent + descent) in
  // pixels. 0 means the default, -11.
  int Height() const { return FHeight; }
  void SetHeight(int height);
  // Size in points at 96 pixels per inch (Height = -Size * 96 / 72).
  int Size() const;
  void SetSize(int points);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  int Charset() const { return FCharset; }
  void SetCharset(int charset);

  void Assign(const TFont& other);
  // Fired after any property changed to a different value.
  std::function<void(TObject*)> OnChange;

  // Measuring and rendering. Text is UTF-8; bytes that are not valid UTF-8 are read as Latin-1.
  // The height of every line is the face's cell height (ascent + descent), whatever the text.
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  TTextMask Render(const std::string& text) const;
  // The text drawn in the same face `scale` times as tall, spaced as the face is at that size.
  TTextMask RenderScaled(const std::string& text, int scale) const;

  // The font file the name resolved to (empty if no font is installed at all).
  std::string ResolvedFile() const;

private:
  void Changed();
  struct TFace* Face() const;

  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
  int FCharset = DEFAULT_CHARSET;
  mutable struct TFace* FFace = nullptr;  // resolved lazily; owned by the shared cache
};
