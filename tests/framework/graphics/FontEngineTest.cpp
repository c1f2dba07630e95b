// SPDX-License-Identifier: MIT
// What a font asks of the glyph renderer: the face at the size it needs, and text as UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Sdl2FontEngine.h"
#include "graphics/TFontEngine.h"

struct TFontFace {
  int Em = 0;
  TFontStyles Styles = 0;
};

namespace {

// Every face has a cell 5/4 of its em size; every text is 7 pixels a byte.
class TFakeEngine final : public TFontEngine {
public:
  TFontFace* OpenFace(const std::string&, int, int emPixels, TFontStyles synthesized) override {
    Opened.push_back(emPixels);
    // The graphics core keeps faces until the process ends, so these do too.
    return new TFontFace{emPixels, synthesized};
  }
  int CellHeight(TFontFace* face) override { return face->Em * 5 / 4; }
  int TextWidth(TFontFace*, const std::string& utf8) override { return 7 * int(utf8.size()); }
  TTextMask Render(TFontFace* face, const std::string& utf8) override {
    Rendered.push_back(utf8);
    return {1, CellHeight(face), std::vector<uint8_t>(size_t(CellHeight(face)), 255)};
  }

  std::vector<int> Opened;
  std::vector<std::string> Rendered;
};

class FontEngine : public ::testing::Test {
protected:
  void SetUp() override { SetFontEngine(&FFake); }
  void TearDown() override { SetFontEngine(&Sdl2FontEngine()); }

  // A fresh engine for each test, so no test finds a face another opened. It is never freed: the
  // graphics core's table of faces keeps pointing at it.
  TFakeEngine& FFake = *new TFakeEngine;
};

}  // namespace

TEST_F(FontEngine, a_positive_height_reopens_the_face_at_the_em_size_that_gives_that_cell) {
  TFont f;
  f.SetName("Arial");
  f.SetHeight(40);  // a cell of 40 pixels: em 40 gives a cell of 50, so em 32 is asked for
  EXPECT_EQ(f.TextHeight("x"), 40);
  EXPECT_EQ(FFake.Opened, (std::vector<int>{40, 32}));
  f.SetHeight(-40);  // a character height: the em size itself, and the face is already open
  EXPECT_EQ(f.TextHeight("x"), 50);
  EXPECT_EQ(FFake.Opened, (std::vector<int>{40, 32}));
}

TEST_F(FontEngine, text_that_is_not_utf8_reaches_the_renderer_as_windows_1252) {
  TFont f;
  f.SetHeight(-12);
  EXPECT_EQ(f.TextWidth("M\xE4rz \x80"), 7 * 9);  // the umlaut and the euro sign take 2 and 3 bytes
  f.Render("M\xE4rz \x80");
  f.Render("M\xC3\xA4rz");  // valid UTF-8 stays as it is
  EXPECT_EQ(FFake.Rendered, (std::vector<std::string>{"M\xC3\xA4rz \xE2\x82\xAC", "M\xC3\xA4rz"}));
}

TEST_F(FontEngine, without_an_engine_text_is_empty_and_a_new_engine_draws_it_again) {
  SetFontEngine(nullptr);
  TFont f;
  f.SetHeight(-13);
  EXPECT_EQ(f.TextWidth("Play"), 0);
  EXPECT_EQ(f.TextHeight("Play"), 0);
  EXPECT_TRUE(f.Render("Play").Coverage.empty());
  SetFontEngine(&FFake);
  EXPECT_EQ(f.TextWidth("Play"), 28);
  EXPECT_EQ(f.Render("Play").Height, 16);
}
