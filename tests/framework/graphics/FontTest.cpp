// SPDX-License-Identifier: MIT
// Font lookup by the classic face names and measuring of text.
#include <gtest/gtest.h>

#include "graphics/TFont.h"

TEST(Font, classic_face_names_find_an_installed_face) {
  for (const char* name : {"Arial", "Arial Black", "MS Sans Serif", "No Such Face 123"}) {
    TFont f;
    f.SetName(name);
    EXPECT_FALSE(f.ResolvedFile().empty()) << name;
    EXPECT_GT(f.TextWidth("Play"), 0) << name;
  }
}

TEST(Font, height_sets_the_pixel_size_and_bold_is_heavier) {
  TFont f;
  f.SetName("Arial");
  f.SetHeight(-11);
  const int h11 = f.TextHeight("x");
  EXPECT_GE(h11, 11);
  EXPECT_LE(h11, 15);
  const int w11 = f.TextWidth("00:00");
  f.SetHeight(-22);
  EXPECT_GT(f.TextWidth("00:00"), w11 * 3 / 2);
  // A positive height is the cell height.
  f.SetHeight(20);
  EXPECT_NEAR(f.TextHeight("x"), 20, 1);

  TFont regular, bold;
  regular.SetName("Arial");
  bold.SetName("Arial");
  bold.SetStyle(fsBold);
  TTextMask r = regular.Render("mira.nol"), b = bold.Render("mira.nol");
  auto ink = [](const TTextMask& m) {
    int n = 0;
    for (uint8_t c : m.Coverage) n += c != 0;
    return n;
  };
  EXPECT_GT(ink(b), ink(r));
}

TEST(Font, measuring_is_additive_and_odd_text_does_not_fail) {
  TFont f;
  f.SetName("Arial");
  EXPECT_EQ(f.TextWidth(""), 0);
  EXPECT_GT(f.TextWidth("ab"), f.TextWidth("a"));
  // Bytes that are not UTF-8 (an old playlist title) still render as something.
  EXPECT_GT(f.TextWidth("Caf\xe9 \x92quote"), 0);
  const TTextMask m = f.Render("Caf\xe9");
  EXPECT_EQ(int(m.Coverage.size()), m.Width * m.Height);
  EXPECT_GT(m.Width, 0);
  // Change notification and copying.
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetHeight(-11);  // same value: no change
  f.SetHeight(-12);
  f.SetColor(clRed);
  EXPECT_EQ(changes, 2);
  TFont copy = f;
  EXPECT_EQ(copy.Height(), -12);
  EXPECT_EQ(copy.Color(), clRed);
  EXPECT_EQ(copy.TextWidth("abc"), f.TextWidth("abc"));
}
