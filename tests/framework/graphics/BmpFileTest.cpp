// SPDX-License-Identifier: MIT
// BMP files: round trips in every written depth, the read-only depths, and refusal of bad files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "graphics/TBitmap.h"
#include "graphics/TCanvas.h"

namespace {

TBitmap Sample() {
  TBitmap b(5, 3);  // odd width: rows need padding in every depth
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) b.SetPixel(x, y, RGB(uint8_t(x * 50), uint8_t(y * 100), uint8_t(x + y)));
  return b;
}

void Put(std::vector<uint8_t>& v, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) v[at + size_t(i)] = uint8_t(value >> (8 * i));
}

// A well-formed 2 x 2 8-bit file with a 2-entry palette, for breaking in the tests.
std::vector<uint8_t> Indexed8() {
  std::vector<uint8_t> f(14 + 40 + 8 + 8, 0);
  f[0] = 'B', f[1] = 'M';
  Put(f, 2, uint32_t(f.size()), 4);
  Put(f, 10, 14 + 40 + 8, 4);
  Put(f, 14, 40, 4);
  Put(f, 18, 2, 4);
  Put(f, 22, 2, 4);
  Put(f, 26, 1, 2);
  Put(f, 28, 8, 2);
  Put(f, 46, 2, 4);             // colours used
  Put(f, 54 + 4, 0x0000FF, 4);  // entry 1: blue
  f[62] = 1, f[63] = 0;         // bottom row: blue, black
  f[66] = 0, f[67] = 7;         // top row: black, index 7 (past the palette)
  return f;
}

}  // namespace

TEST(BmpFile, round_trips_in_24_and_32_bits) {
  const TBitmap src = Sample();
  for (TBmpDepth depth : {bd24bit, bd32bit}) {
    const std::vector<uint8_t> data = src.SaveToMemory(depth);
    TBitmap back;
    ASSERT_TRUE(back.LoadFromMemory(data.data(), data.size()));
    ASSERT_EQ(back.Width(), 5);
    ASSERT_EQ(back.Height(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(back.Pixel(x, y), src.Pixel(x, y)) << x << "," << y;
  }
}

TEST(BmpFile, one_bit_masks_keep_black_and_white_through_a_file) {
  TBitmap mask(11, 2);  // 11 bits: the row is padded to 4 bytes
  mask.Canvas().Brush().SetColor(clBlack);
  mask.Canvas().FillRect(mask.ClientRect());
  mask.SetPixel(0, 0, clWhite);
  mask.SetPixel(10, 1, clWhite);
  mask.SetPixel(5, 1, RGB(3, 0, 0));  // any non-black becomes white
  const std::string path = (std::filesystem::temp_directory_path() / "mira_mask_test.bmp").string();
  ASSERT_TRUE(mask.SaveToFile(path, bd1bit));
  TBitmap back;
  ASSERT_TRUE(back.LoadFromFile(path));
  std::remove(path.c_str());
  EXPECT_EQ(back.Pixel(0, 0), clWhite);
  EXPECT_EQ(back.Pixel(10, 1), clWhite);
  EXPECT_EQ(back.Pixel(5, 1), clWhite);
  EXPECT_EQ(back.Pixel(1, 0), clBlack);
  EXPECT_EQ(back.Pixel(10, 0), clBlack);
}

TEST(BmpFile, reads_indexed_top_down_and_bit_field_files) {
  std::vector<uint8_t> f = Indexed8();
  TBitmap b;
  ASSERT_TRUE(b.LoadFromMemory(f.data(), f.size()));
  EXPECT_EQ(b.Pixel(0, 1), clBlue);   // entries are stored blue, green, red
  EXPECT_EQ(b.Pixel(1, 0), clBlack);  // an index past the palette reads black, not beyond it
  Put(f, 22, uint32_t(-2), 4);        // negative height: rows top-down
  ASSERT_TRUE(b.LoadFromMemory(f.data(), f.size()));
  EXPECT_EQ(b.Pixel(0, 0), clBlue);

  // 32 bits with explicit masks, red in the top byte.
  std::vector<uint8_t> g(14 + 40 + 12 + 4, 0);
  g[0] = 'B', g[1] = 'M';
  Put(g, 10, 14 + 40 + 12, 4);
  Put(g, 14, 40, 4);
  Put(g, 18, 1, 4);
  Put(g, 22, 1, 4);
  Put(g, 26, 1, 2);
  Put(g, 28, 32, 2);
  Put(g, 30, 3, 4);
  Put(g, 54, 0xFF000000, 4);
  Put(g, 58, 0x00FF0000, 4);
  Put(g, 62, 0x0000FF00, 4);
  Put(g, 66, 0x11223300, 4);
  ASSERT_TRUE(b.LoadFromMemory(g.data(), g.size()));
  EXPECT_EQ(b.Pixel(0, 0), RGB(0x11, 0x22, 0x33));
}

TEST(BmpFile, malformed_files_are_refused_and_leave_the_bitmap_alone) {
  const std::vector<uint8_t> good = Indexed8();
  struct TCase {
    const char* What;
    std::vector<uint8_t> Data;
  };
  std::vector<TCase> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 30)});
  auto with = [&](const char* what, size_t at, uint32_t value, int bytes) {
    std::vector<uint8_t> f = good;
    Put(f, at, value, bytes);
    cases.push_back({what, f});
  };
  with("signature", 0, 'X', 1);
  with("header size", 14, 20, 4);
  with("absurd width", 18, 1u << 30, 4);
  with("absurd height", 22, 1u << 30, 4);
  with("zero width", 18, 0, 4);
  with("planes", 26, 3, 2);
  with("bit depth 16", 28, 16, 2);
  with("bit depth 7", 28, 7, 2);
  with("compressed", 30, 1, 4);
  with("palette larger than the depth allows", 46, 300, 4);
  with("pixel offset past the end", 10, 4000, 4);
  with("pixel offset inside the header", 10, 20, 4);
  cases.push_back({"truncated pixels", std::vector<uint8_t>(good.begin(), good.end() - 3)});
  cases.push_back({"truncated palette", std::vector<uint8_t>(good.begin(), good.begin() + 57)});

  for (const TCase& c : cases) {
    TBitmap b(1, 1);
    b.SetPixel(0, 0, clLime);
    const TResult<void> r = b.LoadFromMemory(c.Data.data(), c.Data.size());
    EXPECT_FALSE(r.Ok()) << c.What;
    EXPECT_FALSE(r.Error().empty()) << c.What;
    EXPECT_EQ(b.Width(), 1) << c.What;
    EXPECT_EQ(b.Pixel(0, 0), clLime) << c.What;
  }
  TBitmap b;
  const TResult<void> missing = b.LoadFromFile("/nonexistent/mira/none.bmp");
  EXPECT_NE(missing.Error().find("/nonexistent/mira/none.bmp"), std::string::npos);
}
