// SPDX-License-Identifier: MIT
// The main window as the layout description builds it: stored values per control, and the first picture.
#include "MainSkinLayout.h"
#include "PlayerFixture.h"

#include "graphics/TBitmap.h"

namespace {

TBitmap Art(const std::string& name) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.LoadFromFile(MIRA_SKIN_SOURCE_DIR "/art/" + name + ".bmp").Ok()) << name;
  return bitmap;
}

}  // namespace

// Every control carries what its section says; the pinned values below guard the description itself.
TEST_F(PlayerTest, each_control_has_the_values_its_description_stores) {
  WriteTracks(2);
  TMainForm& form = Start();
  int controls = 0;
  for (const TSkinItem& item : MainSkinLayout()->Items()) {
    if (item.Kind() == "form" || item.Kind() == "timer" || item.Kind() == "frames") continue;
    TComponent* component = form.FindComponent(item.Name());
    ASSERT_NE(component, nullptr) << item.Name();
    auto* control = dynamic_cast<TControl*>(component);
    ASSERT_NE(control, nullptr) << item.Name();
    ++controls;
    const TSkinBounds b = item.Bounds("bounds");
    EXPECT_EQ(control->Left(), b.Left) << item.Name();
    EXPECT_EQ(control->Top(), b.Top) << item.Name();
    if (!item.Bool("auto-size", item.Kind() == "label")) {
      EXPECT_EQ(control->Width(), b.Width) << item.Name();
      EXPECT_EQ(control->Height(), b.Height) << item.Name();
    }
    EXPECT_EQ(control->Visible(), item.Bool("visible", true)) << item.Name();
    EXPECT_EQ(control->Enabled(), item.Bool("enabled", true)) << item.Name();
    EXPECT_EQ(control->Hint(), item.Text("hint")) << item.Name();
    if (auto* image = dynamic_cast<TImage*>(control)) {
      EXPECT_EQ(image->Transparent(), item.Bool("transparent", false)) << item.Name();
      // Auto-sized pictures take exactly their artwork's size.
      if (item.Has("picture") && item.Bool("auto-size", false)) {
        const TBitmap art = Art(item.Text("picture"));
        EXPECT_EQ(image->Width(), art.Width()) << item.Name();
        EXPECT_EQ(image->Height(), art.Height()) << item.Name();
      }
    }
  }
  EXPECT_EQ(controls, 28);

  EXPECT_EQ(form.Caption(), "MainForm");
  EXPECT_EQ(form.Color(), clBlack);
  EXPECT_EQ(form.Font().Name(), "MS Sans Serif");
  // The caption starts with the credits line; by now the first track's title has replaced it.
  EXPECT_EQ(MainSkinLayout()->Find("Scroller")->Text("text"), kCreditsLine);
  EXPECT_EQ(form.Scroller->Speed(), 10);
  EXPECT_EQ(form.Scroller->BackgroundColor(), 2103825u);
  EXPECT_EQ(form.Scroller->TextDirection(), tdRightToLeft);
  EXPECT_EQ(form.Scroller->Font().Name(), "Arial Black");
  EXPECT_EQ(form.Scroller->Font().Color(), 29439u);
  EXPECT_EQ(form.Hint_Label->Alignment(), taCenter);
  EXPECT_EQ(form.Hint_Label->Font().Style(), fsBold);
  EXPECT_EQ(form.Hint_Label->BoundsRect(), (TRect{264, 145, 329, 158}));
  EXPECT_EQ(form.Label_Pos->Caption(), "00:00");
  EXPECT_EQ(form.Label_Pos->Font().Height(), -11);
  EXPECT_EQ(form.List_Tracks->Font().Name(), "Arial");
  EXPECT_EQ(form.List_Tracks->LineColorSelected(), 29439u);
  EXPECT_EQ(form.List_Tracks->FontSelectedColor(), 44799u);
  EXPECT_EQ(form.List_Tracks->BorderStyle(), bsNone);
  EXPECT_TRUE(form.ImageShape->Movable());
  EXPECT_TRUE(form.LeftEye.Masked());
  EXPECT_FALSE(form.RightEye.Masked());
  EXPECT_EQ(form.LeftEye.Count(), 6);
  EXPECT_EQ(form.RightEye.Count(), 6);
}

// The composed window at start, read back from the frame buffer: where a hidden picture differs from
// the skin beneath it, the skin shows; where the unlit thumb differs from the lit one, the unlit shows.
TEST_F(PlayerTest, the_first_picture_shows_the_skin_without_lit_buttons_or_markers) {
  WriteTracks(2);
  TMainForm& form = Start();
  Show();
  const TBitmap skin = Art("ImageShape");
  ASSERT_EQ(skin.Width(), 496);

  for (TImage* hidden : {form.Button_Play, form.Button_Pause, form.Button_Stop, form.Button_Next, form.Button_Prev,
                         form.Button_Shuffle, form.Button_Repeat, form.Button_Mute, form.Button_Quit,
                         form.Bitmap_Volume, form.Bitmap_Panning, form.Bitmap_Speed}) {
    const TBitmap lit = Art(hidden->Name());
    int checked = 0;
    for (int y = 0; y < lit.Height(); ++y)
      for (int x = 0; x < lit.Width(); ++x) {
        const int sx = hidden->Left() + x, sy = hidden->Top() + y;
        if (lit.Pixel(x, y) == skin.Pixel(sx, sy)) continue;
        ++checked;
        ASSERT_EQ(Backend->Pixel(sx, sy), skin.Pixel(sx, sy)) << hidden->Name() << " shows at " << sx << "," << sy;
      }
    EXPECT_GT(checked, 0) << hidden->Name() << " cannot be told from the skin";
  }

  // The lit thumb lies over the unlit one at the same place, hidden, so the unlit one shows.
  const TBitmap unlit = Art("Button_Up");
  const TBitmap lit = Art("Button_Up_Rollover");
  int checked = 0;
  for (int y = 0; y < unlit.Height(); ++y)
    for (int x = 0; x < unlit.Width(); ++x)
      if (unlit.Pixel(x, y) != lit.Pixel(x, y)) {
        ++checked;
        EXPECT_EQ(Backend->Pixel(394 + x, 176 + y), unlit.Pixel(x, y)) << x << "," << y;
      }
  EXPECT_GT(checked, 0);

  // Outside the outline the window shows the skin's white, which the window's shape then cuts away.
  EXPECT_EQ(Backend->Pixel(0, 0), clWhite);
  EXPECT_EQ(Backend->Pixel(0, 286), clWhite);
  // A plain spot of the skin with nothing over it.
  EXPECT_EQ(Backend->Pixel(250, 20), skin.Pixel(250, 20));
}
