// SPDX-License-Identifier: MIT
// The main window's controls: their names in stacking order, where they sit and what shows at start.
#include "PlayerFixture.h"

#include "WindowIcon.h"
#include "components/TTimer.h"
#include "skin/MainSkinLayout.h"

#include <fstream>
#include <iterator>
#include <typeinfo>

TEST_F(PlayerTest, controls_and_timers_exist_by_name_in_creation_order) {
  WriteTracks(2);
  TMainForm& form = Start();
  const std::vector<std::string> expected{
      "ImageShape",         "Scroller",           "Button_Play",      "Button_Pause",   "Button_Stop",
      "Button_Next",        "Button_Prev",        "Button_Shuffle",   "Button_Repeat",  "Button_Mute",
      "Button_Quit",        "Label_Pos",          "LeftEye_Image",    "RightEye_Image", "Hint_Label",
      "FadeBitmap_Volume",  "Slider_Volume",      "FadeBitmap_Speed", "Slider_Speed",   "FadeBitmap_Panning_Temp",
      "FadeBitmap_Panning", "Slider_Panning",     "Bitmap_Volume",    "Bitmap_Panning", "Bitmap_Speed",
      "Button_Up",          "Button_Up_Rollover", "List_Tracks",      "Timer",          "Eye_Timer",
      "StartTimer"};
  std::vector<std::string> names;
  for (int i = 0; i < form.ComponentCount(); ++i) names.push_back(form.Components(i)->Name());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(form.Timer->Interval(), 1000u);
  EXPECT_EQ(form.Eye_Timer->Interval(), 2u);
  EXPECT_EQ(form.StartTimer->Interval(), 50u);
  EXPECT_FALSE(form.StartTimer->OnTimer);
}

TEST_F(PlayerTest, only_the_skin_caption_clock_list_sliders_thumb_and_eyes_show_at_start) {
  WriteTracks(2);
  TMainForm& form = Start();
  Show();
  for (TImage* lit : {form.Button_Play, form.Button_Pause, form.Button_Stop, form.Button_Next, form.Button_Prev,
                      form.Button_Shuffle, form.Button_Repeat, form.Button_Mute, form.Button_Quit, form.Bitmap_Volume,
                      form.Bitmap_Panning, form.Bitmap_Speed, form.Button_Up_Rollover, form.FadeBitmap_Panning_Temp})
    EXPECT_FALSE(lit->Visible()) << lit->Name();
  for (TControl* shown : std::initializer_list<TControl*>{
           form.ImageShape, form.Scroller, form.Label_Pos, form.LeftEye_Image, form.RightEye_Image, form.Hint_Label,
           form.FadeBitmap_Volume, form.Slider_Volume, form.FadeBitmap_Speed, form.Slider_Speed,
           form.FadeBitmap_Panning, form.Slider_Panning, form.Button_Up, form.List_Tracks})
    EXPECT_TRUE(shown->Visible()) << shown->Name();
  // The unlit thumb lets the pointer through to what lies beneath.
  EXPECT_FALSE(form.Button_Up->Enabled());
  EXPECT_EQ(form.Slider_Volume->Cursor(), crSizeWE);
  EXPECT_EQ(form.Button_Up_Rollover->Cursor(), crSizeNS);
  EXPECT_EQ(form.Button_Prev->Hint(), "Previous");

  // Borderless, 496 x 287, centred on the screen whatever position is stored.
  EXPECT_EQ(form.Width(), 496);
  EXPECT_EQ(form.Height(), 287);
  EXPECT_EQ(Backend->WindowPos().X, (1920 - 496) / 2);
  EXPECT_EQ(Backend->WindowPos().Y, (1080 - 287) / 2);
  EXPECT_EQ(form.BorderStyle(), bsNone);
}

TEST_F(PlayerTest, pictures_keep_their_places_and_auto_sized_ones_take_the_pictures_size) {
  WriteTracks(2);
  TMainForm& form = Start();
  EXPECT_EQ(form.ImageShape->BoundsRect(), (TRect{0, 0, 496, 287}));
  EXPECT_EQ(form.Button_Play->BoundsRect(), (TRect{128, 151, 145, 159}));
  EXPECT_EQ(form.Button_Quit->BoundsRect(), (TRect{353, 277, 381, 283}));
  EXPECT_EQ(form.RightEye_Image->BoundsRect(), (TRect{431, 65, 494, 161}));
  EXPECT_EQ(form.FadeBitmap_Speed->BoundsRect(), (TRect{243, 113, 305, 122}));
  EXPECT_EQ(form.List_Tracks->BoundsRect(), (TRect{104, 176, 393, 254}));
  EXPECT_EQ(form.List_Tracks->ItemHeight(), 16);
  EXPECT_EQ(form.Scroller->BoundsRect(), (TRect{102, 41, 399, 56}));
  if (form.ImageShape->Picture().HasGraphic()) {
    EXPECT_EQ(form.LeftEye.Count(), 6);
    EXPECT_EQ(form.RightEye.Count(), 6);
  }
}

TEST_F(PlayerTest, the_window_gets_the_application_icon_in_every_embedded_size) {
  WriteTracks(1);
  Start();
  const std::vector<TIconPicture>& icon = Backend->WindowIcon();
  std::vector<int> sizes;
  for (const TIconPicture& picture : icon) {
    sizes.push_back(picture.Width);
    ASSERT_EQ(picture.Height, picture.Width);
    ASSERT_EQ(picture.Pixels.size(), static_cast<size_t>(picture.Width) * picture.Height);
    const int n = picture.Width;
    auto at = [&](int x, int y) { return picture.Pixels[static_cast<size_t>(y) * n + x]; };
    // The rounded plate leaves the corners see-through and covers the middle.
    EXPECT_EQ(at(0, 0) >> 24, 0u) << n;
    EXPECT_EQ(at(n - 1, n - 1) >> 24, 0u) << n;
    EXPECT_EQ(at(n / 2, n / 2) >> 24, 0xffu) << n;
    // The lit eye in the middle is orange: far more red than blue in the 0xAARRGGBB word, so a
    // swapped channel order shows.
    const uint32_t eye = at(n / 2, n / 2);
    EXPECT_GT(static_cast<int>((eye >> 16) & 0xff), static_cast<int>(eye & 0xff) + 60) << n << std::hex << " " << eye;
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64}));
}

TEST(WindowIcon, what_is_no_png_decodes_to_nothing) {
  const std::vector<TIconPicture> pictures = WindowIconPictures();
  ASSERT_FALSE(pictures.empty());
  EXPECT_FALSE(DecodeIconPicture(nullptr, 0));
  const unsigned char junk[] = "\x89PNG\r\n\x1a\n but nothing after";
  EXPECT_FALSE(DecodeIconPicture(junk, sizeof junk));
  // A PNG cut short after its header decodes to nothing rather than to half a picture.
  std::vector<unsigned char> bytes;
  {
    std::ifstream in(std::string(MIRA_ART_DIR) + "/icon-32.png", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ASSERT_GT(bytes.size(), 200u);
  EXPECT_TRUE(DecodeIconPicture(bytes.data(), bytes.size()));
  EXPECT_FALSE(DecodeIconPicture(bytes.data(), 120));
}

TEST_F(PlayerTest, a_layout_that_lacks_a_control_or_is_damaged_is_said_and_nothing_of_the_player_starts) {
  WriteTracks(2);
  struct TUseLayout {
    explicit TUseLayout(std::string_view text) { UseMainSkinLayoutForTesting(text); }
    ~TUseLayout() { UseMainSkinLayoutForTesting({}); }
  };
  std::string withoutTimer(MainSkinLayoutText());
  withoutTimer.replace(withoutTimer.find("[timer Timer]"), 13, "[timer Clock]");
  const std::pair<std::string, std::string> cases[] = {
      {withoutTimer, "The window layout has no control \"Timer\" of the kind the program needs"},
      {"[form F]\ncaption = x\n", "The window layout is damaged: line 1: F has no \"bounds\""},
  };
  bool first = true;
  for (const auto& [text, message] : cases) {
    if (!first) {
      TearDown();
      SetUp();
      WriteTracks(2);
    }
    first = false;
    const TUseLayout layout(text);
    TMainForm& form = Start();
    ASSERT_EQ(Backend->MessageBoxes().size(), 1u) << message;
    EXPECT_EQ(Backend->MessageBoxes()[0].Text, message);
    EXPECT_TRUE(Application.Terminated());
    EXPECT_TRUE(form.StartupFailed());
    // The sound library was never started, and nothing runs afterwards.
    Ticks(3);
    EXPECT_TRUE(Calls().empty()) << message;
    EXPECT_FALSE(form.Playing);
    EXPECT_FALSE(Backend->WindowVisible());
  }
}
