// SPDX-License-Identifier: MIT
// The window's scale as the desktop asks for it: the user's MIRA_SCALE, else GDK_SCALE, else the X
// server's Xft.dpi; and what a scale that does not fit the screen becomes.
#include <gtest/gtest.h>

#include "WindowScale.h"

namespace {

int Chosen(const char* mira, const char* gdk, const char* resources) {
  const TWindowScale s = ChooseWindowScale(mira, gdk, resources);
  EXPECT_TRUE(s.Complaint.empty()) << s.Complaint;
  return s.Scale;
}

}  // namespace

TEST(WindowScale, the_user_overrides_the_desktop_and_the_desktop_variable_overrides_the_resources) {
  for (const char* n : {"1", "2", "3", "4", " 2 "}) {
    const TWindowScale s = ChooseWindowScale(n, "3", "Xft.dpi: 288\n");
    EXPECT_EQ(s.Scale, std::atoi(n)) << n;
    EXPECT_TRUE(s.Explicit) << n;
    EXPECT_TRUE(s.Complaint.empty()) << n;
  }
  EXPECT_EQ(Chosen(nullptr, "2", "Xft.dpi: 96\n"), 2);
  EXPECT_EQ(Chosen(nullptr, "1", "Xft.dpi: 288\n"), 1) << "GDK_SCALE=1 asks for the normal size";
  EXPECT_EQ(Chosen(nullptr, "9", nullptr), kMaxWindowScale);
  EXPECT_FALSE(ChooseWindowScale(nullptr, "2", nullptr).Explicit) << "an automatic choice gives way to the screen";
  // An empty variable is one that is not set.
  EXPECT_EQ(Chosen("", nullptr, "Xft.dpi: 192\n"), 2);
}

TEST(WindowScale, a_bad_user_value_is_named_and_the_automatic_choice_stands) {
  for (const char* bad : {"0", "5", "-1", "2.5", "two", "2x", " ", "99999999999999999999", "0x2"}) {
    const TWindowScale s = ChooseWindowScale(bad, nullptr, "Xft.dpi: 192\n");
    EXPECT_EQ(s.Scale, 2) << bad;
    EXPECT_FALSE(s.Explicit) << bad;
    EXPECT_NE(s.Complaint.find(std::string("MIRA_SCALE=\"") + bad + "\""), std::string::npos) << s.Complaint;
  }
  // GDK_SCALE belongs to every program of the desktop: nonsense there is passed over quietly.
  for (const char* bad : {"0", "-2", "1.5", "big", ""}) EXPECT_EQ(Chosen(nullptr, bad, "Xft.dpi: 192\n"), 2) << bad;
}

TEST(WindowScale, dots_per_inch_give_the_scale_and_garbage_gives_the_normal_size) {
  const std::pair<const char*, int> cases[] = {
      {"Xft.dpi: 96\n", 1},
      {"Xft.dpi:\t191.9\n", 1},
      {"Xft.dpi: 192\n", 2},
      {"Xft.dpi: 192.0\n", 2},
      {"Xft.dpi: 287\n", 2},
      {"Xft.dpi: 288\n", 3},
      {"Xft.dpi: 10000\n", 3},
      // Among the desktop's other resources, and as a wildcard matches it.
      {"Xcursor.size: 48\nXft.antialias: 1\nXft.dpi: 192\nXft.hinting: 1\n", 2},
      {"*dpi: 288\n", 3},
      {"Xft.dpi: -192\n", 1},
      {"Xft.dpi: lots\n", 1},
      {"Xft.dpi: 192 dots\n", 1},
      {"Xft.dpi: nan\n", 1},
      {"Xft.dpi: inf\n", 1},
      {"Xft.dpi:\n", 1},
      {"Xft.dpi 192\n", 1},
      {"\x01\xff garbage", 1},
      {"", 1},
  };
  for (const auto& [resources, scale] : cases) EXPECT_EQ(Chosen(nullptr, nullptr, resources), scale) << resources;
  EXPECT_EQ(Chosen(nullptr, nullptr, nullptr), 1);
}

TEST(WindowScale, a_scale_too_large_for_the_screen_shrinks_until_the_window_fits) {
  EXPECT_EQ(FitToScreen(3, 496, 287, 1024, 768), 2);
  EXPECT_EQ(FitToScreen(3, 496, 287, 1280, 800), 2);
  EXPECT_EQ(FitToScreen(3, 496, 287, 3840, 2160), 3);
  EXPECT_EQ(FitToScreen(2, 496, 287, 992, 574), 2) << "a window exactly as large as the screen fits";
  EXPECT_EQ(FitToScreen(4, 496, 287, 800, 600), 1);
  EXPECT_EQ(FitToScreen(2, 496, 287, 640, 480), 1) << "never below the normal size";
  EXPECT_EQ(FitToScreen(3, 496, 287, 0, 0), 3) << "a screen of unknown size changes nothing";
}
