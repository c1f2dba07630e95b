// SPDX-License-Identifier: MIT
// The glyph renderer on SDL2_ttf: faces hinted to whole pixels and drawn solid, without grey edges.
#include "Sdl2FontEngine.h"

#include <SDL_ttf.h>

#include <algorithm>

struct TFontFace {
  TTF_Font* Font = nullptr;
};

namespace {

class TSdl2FontEngine final : public TFontEngine {
public:
  TFontFace* OpenFace(const std::string& file, int index, int emPixels, TFontStyles synthesized) override {
    static const bool initialised = TTF_WasInit() || TTF_Init() == 0;
    if (!initialised) return nullptr;
    // At SDL_ttf's 72 dots per inch a point is a pixel, so the size is the em height in pixels.
    TTF_Font* font = TTF_OpenFontIndex(file.c_str(), std::max(emPixels, 1), index);
    if (!font) return nullptr;
    // Outlines snapped to whole pixels and drawn without grey edges keep small text sharp and its
    // strokes in their exact colour.
    TTF_SetFontHinting(font, TTF_HINTING_MONO);
    TTF_SetFontStyle(font, RendererStyle(synthesized));
    // Faces live until the process ends, as the graphics core keeps pointers to them.
    return new TFontFace{font};
  }

  int CellHeight(TFontFace* face) override { return TTF_FontHeight(face->Font); }

  int TextWidth(TFontFace* face, const std::string& utf8) override {
    int w = 0, h = 0;
    return TTF_SizeUTF8(face->Font, utf8.c_str(), &w, &h) == 0 ? w : 0;
  }

  TTextMask Render(TFontFace* face, const std::string& utf8) override {
    TTextMask mask;
    SDL_Surface* surface = TTF_RenderUTF8_Solid(face->Font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!surface) return mask;
    // A solid rendering is 8-bit: index 0 is the background, anything else is ink.
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    mask.Width = surface->w;
    mask.Height = surface->h;
    mask.Coverage.assign(size_t(mask.Width) * size_t(mask.Height), 0);
    const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
    for (int y = 0; y < mask.Height; ++y)
      for (int x = 0; x < mask.Width; ++x)
        if (pixels[size_t(y) * size_t(surface->pitch) + size_t(x)])
          mask.Coverage[size_t(y) * size_t(mask.Width) + size_t(x)] = 255;
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return mask;
  }

private:
  static int RendererStyle(TFontStyles styles) {
    int style = TTF_STYLE_NORMAL;
    if (styles & fsBold) style |= TTF_STYLE_BOLD;
    if (styles & fsItalic) style |= TTF_STYLE_ITALIC;
    if (styles & fsUnderline) style |= TTF_STYLE_UNDERLINE;
    if (styles & fsStrikeOut) style |= TTF_STYLE_STRIKETHROUGH;
    return style;
  }
};

}  // namespace

TFontEngine& Sdl2FontEngine() {
  // Never destroyed: fonts of components torn down at exit still point into it.
  static auto* engine = new TSdl2FontEngine;
  return *engine;
}
