// SPDX-License-Identifier: MIT
// mira.nol skin generator: the committed pictures fit the window and match what the generator draws.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SkinLayout.h"
#include "TSkinArt.h"
#include "graphics/TBitmap.h"

namespace {

namespace fs = std::filesystem;
using namespace SkinLayout;

const std::string kArt = MIRA_ART_DIR;

struct TExpected {
  const char* Name;
  int Width, Height, Depth;
};

const TExpected kPictures[] = {
    {"ImageShape.bmp", 496, 287, 24},
    {"Button_Play.bmp", 17, 8, 24},
    {"Button_Pause.bmp", 17, 8, 24},
    {"Button_Stop.bmp", 17, 8, 24},
    {"Button_Next.bmp", 17, 8, 24},
    {"Button_Prev.bmp", 17, 8, 24},
    {"Button_Shuffle.bmp", 13, 12, 24},
    {"Button_Repeat.bmp", 13, 12, 24},
    {"Button_Mute.bmp", 13, 12, 24},
    {"Button_Quit.bmp", 28, 6, 24},
    {"LeftEye_Image.bmp", 52, 45, 24},
    {"RightEye_Image.bmp", 49, 61, 24},
    {"FadeBitmap_Volume.bmp", 137, 9, 24},
    {"FadeBitmap_Speed.bmp", 137, 9, 24},
    {"FadeBitmap_Panning_Temp.bmp", 137, 9, 24},
    {"Slider_Volume.bmp", 5, 14, 24},
    {"Slider_Speed.bmp", 5, 14, 24},
    {"Slider_Panning.bmp", 5, 14, 24},
    {"Bitmap_Volume.bmp", 47, 7, 24},
    {"Bitmap_Panning.bmp", 47, 7, 24},
    {"Bitmap_Speed.bmp", 47, 7, 24},
    {"Button_Up.bmp", 7, 8, 24},
    {"Button_Up_Rollover.bmp", 7, 8, 24},
    {"LeftEye.bmp", 208, 90, 32},
    {"LeftEye_Mask.bmp", 208, 90, 1},
    {"RightEye.bmp", 196, 122, 32},
};

TBitmap Load(const std::string& path) {
  TBitmap b;
  const TResult<void> r = b.LoadFromFile(path);
  EXPECT_TRUE(r.Ok()) << path << ": " << r.Error();
  return b;
}

int BitsPerPixel(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char header[30] = {};
  in.read(header, sizeof header);
  return static_cast<unsigned char>(header[28]) | (static_cast<unsigned char>(header[29]) << 8);
}

// Lit parts of this skin glow orange on a grey-blue panel, so "how lit" is how much red outweighs blue.
double MeanWarmth(const TBitmap& b, TRect r) {
  double sum = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) sum += std::max(0, GetRValue(b.Pixel(x, y)) - GetBValue(b.Pixel(x, y)));
  return sum / (r.Width() * r.Height());
}

TEST(SkinArtFiles, every_picture_has_its_size_and_depth) {
  for (const TExpected& e : kPictures) {
    const std::string path = kArt + "/" + e.Name;
    ASSERT_TRUE(fs::exists(path)) << e.Name;
    const TBitmap b = Load(path);
    EXPECT_EQ(b.Width(), e.Width) << e.Name;
    EXPECT_EQ(b.Height(), e.Height) << e.Name;
    EXPECT_EQ(BitsPerPixel(path), e.Depth) << e.Name;
  }
  // The icons: square RGBA pictures (PNG colour type 6, 8 bits) of every size the icon theme and the
  // window's own icon use, as the PNG header states them.
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const std::string icon = "icon-" + std::to_string(size) + ".png";
    std::ifstream in(kArt + "/" + icon, std::ios::binary);
    ASSERT_TRUE(in) << icon;
    unsigned char header[26] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    ASSERT_EQ(in.gcount(), 26) << icon;
    auto be32 = [&](int at) {
      return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
    };
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header) + 12, 4), "IHDR") << icon;
    EXPECT_EQ(be32(16), size) << icon;
    EXPECT_EQ(be32(20), size) << icon;
    EXPECT_EQ(header[24], 8) << icon;
    EXPECT_EQ(header[25], 6) << icon;
  }
}

TEST(SkinArtFiles, white_is_only_the_outside_of_the_skin) {
  const TBitmap skin = Load(kArt + "/ImageShape.bmp");
  EXPECT_EQ(skin.Pixel(0, skin.Height() - 1), clWhite);
  // Every white pixel must be reachable from the picture's border through white pixels: no white
  // hole inside the window, which would punch through the window's shape.
  std::vector<bool> seen(static_cast<size_t>(skin.Width()) * skin.Height());
  std::deque<TPoint> todo;
  auto visit = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= skin.Width() || y >= skin.Height()) return;
    const size_t i = static_cast<size_t>(y) * skin.Width() + x;
    if (seen[i] || skin.Pixel(x, y) != clWhite) return;
    seen[i] = true;
    todo.push_back({x, y});
  };
  for (int x = 0; x < skin.Width(); ++x) {
    visit(x, 0);
    visit(x, skin.Height() - 1);
  }
  for (int y = 0; y < skin.Height(); ++y) {
    visit(0, y);
    visit(skin.Width() - 1, y);
  }
  while (!todo.empty()) {
    const TPoint p = todo.front();
    todo.pop_front();
    visit(p.X + 1, p.Y);
    visit(p.X - 1, p.Y);
    visit(p.X, p.Y + 1);
    visit(p.X, p.Y - 1);
  }
  int outside = 0;
  for (int y = 0; y < skin.Height(); ++y)
    for (int x = 0; x < skin.Width(); ++x)
      if (skin.Pixel(x, y) == clWhite) {
        ASSERT_TRUE(seen[static_cast<size_t>(y) * skin.Width() + x]) << "white inside at " << x << "," << y;
        ++outside;
      }
  // Clearly not a rectangle: all four corners are cut, and a good share of the picture is outside.
  for (TPoint corner : {TPoint{0, 0}, TPoint{495, 0}, TPoint{0, 286}, TPoint{495, 286}})
    EXPECT_EQ(skin.Pixel(corner.X, corner.Y), clWhite);
  EXPECT_GT(outside, skin.Width() * skin.Height() / 10);
}

TEST(SkinArtFiles, every_control_lies_inside_the_outline) {
  const TBitmap skin = Load(kArt + "/ImageShape.bmp");
  const TArtRect rects[] = {kScroller, kSpectrum,  kClock,
                            kHint,     kPrev,      kPlay,
                            kPause,    kStop,      kNext,
                            kShuffle,  kRepeat,    kMute,
                            kQuit,     kLeftEye,   kRightEyeControl,
                            kList,     kThumbSlot, {kKnobMinLeft, 69, kKnobMaxLeft + kKnobWidth - kKnobMinLeft, 54}};
  for (const TArtRect& r : rects)
    for (int y = r.Top; y < r.Bottom(); ++y)
      for (int x = r.Left; x < r.Right(); ++x)
        ASSERT_NE(skin.Pixel(x, y), clWhite) << "control area cut at " << x << "," << y;
}

TEST(SkinArtFiles, see_through_colours_come_from_the_bottom_left_pixel) {
  for (const char* knob : {"Slider_Volume.bmp", "Slider_Speed.bmp", "Slider_Panning.bmp"}) {
    const TBitmap b = Load(kArt + "/" + knob);
    EXPECT_EQ(b.Pixel(0, b.Height() - 1), clBlack) << knob;
    // The knob itself must show: most of its middle column is not the key.
    int solid = 0;
    for (int y = 0; y < b.Height(); ++y) solid += b.Pixel(2, y) != clBlack;
    EXPECT_GE(solid, 12) << knob;
  }
  const TBitmap eye = Load(kArt + "/LeftEye_Image.bmp");
  EXPECT_EQ(eye.Pixel(0, eye.Height() - 1), RGB(16, 32, 42));
  EXPECT_NE(eye.Pixel(eye.Width() / 2, eye.Height() / 2), RGB(16, 32, 42));
  // The panning bar is copied onto white that then turns see-through, so its source holds no white.
  const TBitmap panning = Load(kArt + "/FadeBitmap_Panning_Temp.bmp");
  for (int y = 0; y < panning.Height(); ++y)
    for (int x = 0; x < panning.Width(); ++x) ASSERT_NE(panning.Pixel(x, y), clWhite);
}

TEST(SkinArtFiles, overlays_fit_the_skin_and_read_as_lit) {
  const TBitmap skin = Load(kArt + "/ImageShape.bmp");
  const struct {
    const char* Name;
    TArtRect Place;
  } overlays[] = {{"Button_Play.bmp", kPlay},
                  {"Button_Pause.bmp", kPause},
                  {"Button_Stop.bmp", kStop},
                  {"Button_Next.bmp", kNext},
                  {"Button_Prev.bmp", kPrev},
                  {"Button_Shuffle.bmp", kShuffle},
                  {"Button_Repeat.bmp", kRepeat},
                  {"Button_Mute.bmp", kMute},
                  {"Button_Quit.bmp", kQuit},
                  {"Bitmap_Volume.bmp", kVolumeMarker},
                  {"Bitmap_Panning.bmp", kPanningMarker},
                  {"Bitmap_Speed.bmp", kSpeedMarker},
                  {"FadeBitmap_Volume.bmp", kVolumeTrack},
                  {"FadeBitmap_Speed.bmp", kSpeedTrack},
                  {"FadeBitmap_Panning_Temp.bmp", kPanningTrack}};
  for (const auto& o : overlays) {
    const TBitmap lit = Load(kArt + "/" + o.Name);
    const TRect place{o.Place.Left, o.Place.Top, o.Place.Right(), o.Place.Bottom()};
    EXPECT_GT(MeanWarmth(lit, lit.ClientRect()), MeanWarmth(skin, place) + 10) << o.Name << " looks lit";
  }
}

TEST(SkinArtFiles, fill_bars_rise_as_wedges) {
  // Lit cells in the three columns round x (cells are three wide with one-column gaps).
  auto columnLight = [](const TBitmap& b, int x) {
    int lit = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int dx = -1; dx <= 1; ++dx) lit += GetRValue(b.Pixel(x + dx, y)) > 150;
    return lit;
  };
  for (const char* name : {"FadeBitmap_Volume.bmp", "FadeBitmap_Speed.bmp"}) {
    const TBitmap bar = Load(kArt + "/" + name);
    EXPECT_LT(columnLight(bar, 2), columnLight(bar, 134)) << name;
    EXPECT_LE(columnLight(bar, 34), columnLight(bar, 102)) << name;
  }
  const TBitmap panning = Load(kArt + "/FadeBitmap_Panning_Temp.bmp");
  EXPECT_GT(columnLight(panning, 68), columnLight(panning, 10));
  EXPECT_GT(columnLight(panning, 68), columnLight(panning, 126));
  EXPECT_EQ(columnLight(panning, 40), columnLight(panning, 96));
  EXPECT_GT(columnLight(panning, 40), 0);
}

TEST(SkinArtFiles, eye_strips_hold_six_frames_from_quiet_to_loud) {
  const struct {
    const char* Name;
    int W, H;
  } strips[] = {{"LeftEye.bmp", 52, 45}, {"RightEye.bmp", 49, 61}};
  for (const auto& s : strips) {
    const TBitmap strip = Load(kArt + "/" + s.Name);
    double previous = -1;
    for (int k = 0; k < 6; ++k) {
      const TRect cell{(k % 4) * s.W, (k / 4) * s.H, (k % 4) * s.W + s.W, (k / 4) * s.H + s.H};
      const double light = MeanWarmth(strip, cell);
      EXPECT_GT(light, previous + 2) << s.Name << " frame " << k << " is brighter than the one before";
      previous = light;
    }
  }
  const TBitmap mask = Load(kArt + "/LeftEye_Mask.bmp");
  for (int k = 0; k < 8; ++k) {
    const int ox = (k % 4) * 52, oy = (k / 4) * 45;
    int shown = 0;
    for (int y = 0; y < 45; ++y)
      for (int x = 0; x < 52; ++x) shown += mask.Pixel(ox + x, oy + y) == clBlack;
    if (k < 6) {
      EXPECT_GT(shown, 52 * 45 / 2) << "frame " << k << " shows its eye";
      EXPECT_LT(shown, 52 * 45) << "frame " << k << " masks its corners";
      EXPECT_NE(mask.Pixel(ox, oy + 44), clBlack);
    } else {
      EXPECT_EQ(shown, 0) << "unused cell " << k << " is masked out";
    }
  }
}

TEST(SkinArtGenerator, redraws_the_committed_pictures) {
  const fs::path dir = fs::temp_directory_path() / ("skingen-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::vector<std::string> written = TSkinArt::WriteAll(dir.string());
  EXPECT_EQ(written.size(), std::size(kPictures) + 7);  // and the seven icons
  for (const TExpected& e : kPictures) {
    const TBitmap fresh = Load((dir / e.Name).string());
    const TBitmap committed = Load(kArt + "/" + e.Name);
    ASSERT_EQ(fresh.Width(), committed.Width()) << e.Name;
    ASSERT_EQ(fresh.Height(), committed.Height()) << e.Name;
    // A compiler may round a float differently, so a step of one or two is forgiven; key colours
    // are checked exactly by the generator itself.
    int worst = 0;
    for (int y = 0; y < fresh.Height(); ++y)
      for (int x = 0; x < fresh.Width(); ++x) {
        const TColor a = fresh.Pixel(x, y), b = committed.Pixel(x, y);
        worst = std::max({worst, std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                          std::abs(GetBValue(a) - GetBValue(b))});
      }
    EXPECT_LE(worst, 2) << e.Name << " differs from what the generator draws: run the skin-art target";
  }
  fs::remove_all(dir);
}

}  // namespace
