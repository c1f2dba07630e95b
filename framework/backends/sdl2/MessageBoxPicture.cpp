// SPDX-License-Identifier: MIT
// The picture of a message box: its text and one OK button on the classic dialog face.
#include "MessageBoxPicture.h"

#include <algorithm>

#include "graphics/TCanvas.h"

namespace {

// Splits `line` at spaces so that each piece fits `maxWidth`; a single word wider than that stays
// whole on a line of its own.
void Wrap(const TFont& font, const std::string& line, int maxWidth, std::vector<std::string>& out) {
  std::string current;
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    const std::string word = line.substr(start, end - start);
    const std::string joined = current.empty() ? word : current + " " + word;
    if (!current.empty() && font.TextWidth(joined) > maxWidth) {
      out.push_back(current);
      current = word;
    } else {
      current = joined;
    }
    start = end + 1;
  }
  out.push_back(current);
}

}  // namespace

TMessageBoxPicture::TMessageBoxPicture(const std::string& text, int maxTextWidth) {
  FFont.SetColor(clWindowText);
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Wrap(FFont, line, std::max(maxTextWidth, kButtonWidth), FLines);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  FLineHeight = FFont.TextHeight("Ag");
  int textWidth = 0;
  for (const std::string& line : FLines) textWidth = std::max(textWidth, FFont.TextWidth(line));
  FWidth = std::max({textWidth + 2 * kMargin, kButtonWidth + 2 * kMargin, kMinWidth});
  const int textBottom = kMargin + 4 + static_cast<int>(FLines.size()) * FLineHeight;
  const int buttonTop = textBottom + kMargin + 4;
  FButton = Bounds((FWidth - kButtonWidth) / 2, buttonTop, kButtonWidth, kButtonHeight);
  FHeight = FButton.Bottom + kMargin;
  FPicture = TBitmap(FWidth, FHeight);
}

const TBitmap& TMessageBoxPicture::Draw(bool pressed) {
  TCanvas& canvas = FPicture.Canvas();
  canvas.Brush().SetColor(clBtnFace);
  canvas.FillRect(FPicture.ClientRect());

  canvas.Font().Assign(FFont);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  int y = kMargin + 4;
  for (const std::string& line : FLines) {
    canvas.TextOut(kMargin, y, line);
    y += FLineHeight;
  }

  // The default button: a black frame around the raised (or, held down, sunken) face, and the
  // dotted frame of the focus inside, since Enter presses it.
  const TRect b = FButton;
  auto frame = [&canvas](const TRect& r, TColor topLeft, TColor bottomRight) {
    canvas.Pen().SetColor(topLeft);
    canvas.MoveTo(r.Left, r.Bottom - 2);
    canvas.LineTo(r.Left, r.Top);
    canvas.LineTo(r.Right - 1, r.Top);
    canvas.Pen().SetColor(bottomRight);
    canvas.MoveTo(r.Right - 1, r.Top);
    canvas.LineTo(r.Right - 1, r.Bottom - 1);
    canvas.LineTo(r.Left - 1, r.Bottom - 1);
  };
  frame(b, clBlack, clBlack);
  const TRect face{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1};
  if (pressed) {
    frame(face, clBtnShadow, clBtnShadow);
  } else {
    frame(face, clBtnHighlight, clBlack);
    frame({face.Left + 1, face.Top + 1, face.Right - 1, face.Bottom - 1}, clBtnHighlight, clBtnShadow);
  }
  const int shift = pressed ? 1 : 0;
  const std::string caption = "OK";
  canvas.Font().SetColor(clBtnText);
  canvas.TextOut(b.Left + (b.Width() - canvas.TextWidth(caption)) / 2 + shift,
                 b.Top + (b.Height() - canvas.TextHeight(caption)) / 2 + shift, caption);
  for (int x = b.Left + 4; x < b.Right - 4; x += 2) {
    canvas.SetPixel(x, b.Top + 4, clBlack);
    canvas.SetPixel(x, b.Bottom - 5, clBlack);
  }
  for (int yy = b.Top + 4; yy < b.Bottom - 4; yy += 2) {
    canvas.SetPixel(b.Left + 4, yy, clBlack);
    canvas.SetPixel(b.Right - 5, yy, clBlack);
  }
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  return FPicture;
}
