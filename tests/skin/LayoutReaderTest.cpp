// SPDX-License-Identifier: MIT
// The layout reader: the committed description reads cleanly, and malformed ones are refused by line.
#include "EmbedUnpack.h"
#include "MainSkinLayout.h"
#include "SkinArt.h"
#include "TSkinLayout.h"

#include "graphics/TBitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

const std::string kForm = "[form F]\nbounds = 0 0 10 10\n";

}  // namespace

// The pictures travel packed; each must come back as the very file in art/, and a damaged packing
// must give nothing rather than a picture cut short.
TEST(SkinArt, every_picture_in_the_art_folder_is_carried_byte_for_byte_and_a_damaged_one_gives_nothing) {
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(MIRA_SKIN_SOURCE_DIR "/art")) {
    if (entry.path().extension() != ".bmp") continue;
    ++pictures;
    const std::string onDisk = ReadFile(entry.path().string());
    const std::vector<unsigned char> carried = SkinArtFile(entry.path().stem().string());
    EXPECT_EQ(std::string(carried.begin(), carried.end()), onDisk) << entry.path();
  }
  EXPECT_GT(pictures, 20);
  EXPECT_TRUE(SkinArtFile("NoSuchPicture").empty());

  const TSkinArt* art = FindSkinArt("ImageShape");
  ASSERT_NE(art, nullptr);
  EXPECT_LT(art->Size, art->UnpackedSize / 4);
  EXPECT_TRUE(UnpackEmbedded({art->Data, art->Size / 2}, art->UnpackedSize).empty());
  EXPECT_TRUE(UnpackEmbedded({art->Data, art->Size}, art->UnpackedSize + 1).empty());
}

TEST(MainSkinLayout, the_committed_description_reads_and_is_what_the_program_carries) {
  const std::string onDisk = ReadFile(MIRA_SKIN_SOURCE_DIR "/layout.txt");
  ASSERT_FALSE(onDisk.empty());
  EXPECT_EQ(MainSkinLayoutText(), onDisk);
  const TResult<TSkinLayout> result = TSkinLayout::Parse(onDisk);
  ASSERT_TRUE(result) << result.Error();
  EXPECT_EQ(&MainSkinLayout(), &MainSkinLayout());  // read once
  EXPECT_EQ(MainSkinLayout()->Items().size(), result->Items().size());
}

TEST(MainSkinLayout, every_item_in_creation_order_with_its_kind) {
  const std::vector<std::pair<std::string, std::string>> expected{{"form", "MainForm"},
                                                                  {"shape", "ImageShape"},
                                                                  {"scroller", "Scroller"},
                                                                  {"image", "Button_Play"},
                                                                  {"image", "Button_Pause"},
                                                                  {"image", "Button_Stop"},
                                                                  {"image", "Button_Next"},
                                                                  {"image", "Button_Prev"},
                                                                  {"image", "Button_Shuffle"},
                                                                  {"image", "Button_Repeat"},
                                                                  {"image", "Button_Mute"},
                                                                  {"image", "Button_Quit"},
                                                                  {"label", "Label_Pos"},
                                                                  {"image", "LeftEye_Image"},
                                                                  {"image", "RightEye_Image"},
                                                                  {"label", "Hint_Label"},
                                                                  {"image", "FadeBitmap_Volume"},
                                                                  {"image", "Slider_Volume"},
                                                                  {"image", "FadeBitmap_Speed"},
                                                                  {"image", "Slider_Speed"},
                                                                  {"image", "FadeBitmap_Panning_Temp"},
                                                                  {"image", "FadeBitmap_Panning"},
                                                                  {"image", "Slider_Panning"},
                                                                  {"image", "Bitmap_Volume"},
                                                                  {"image", "Bitmap_Panning"},
                                                                  {"image", "Bitmap_Speed"},
                                                                  {"image", "Button_Up"},
                                                                  {"image", "Button_Up_Rollover"},
                                                                  {"list", "List_Tracks"},
                                                                  {"timer", "Timer"},
                                                                  {"timer", "Eye_Timer"},
                                                                  {"timer", "StartTimer"},
                                                                  {"frames", "LeftEye"},
                                                                  {"frames", "RightEye"}};
  std::vector<std::pair<std::string, std::string>> actual;
  for (const TSkinItem& item : MainSkinLayout()->Items()) actual.emplace_back(item.Kind(), item.Name());
  EXPECT_EQ(actual, expected);
}

TEST(MainSkinLayout, every_picture_it_names_is_in_the_artwork) {
  int pictures = 0;
  for (const TSkinItem& item : MainSkinLayout()->Items())
    for (const char* key : {"picture", "mask"})
      if (item.Has(key)) {
        TBitmap bitmap;
        EXPECT_TRUE(bitmap.LoadFromFile(MIRA_SKIN_SOURCE_DIR "/art/" + item.Text(key) + ".bmp").Ok())
            << item.Name() << " " << key;
        ++pictures;
      }
  EXPECT_EQ(pictures, 26);
  // Each eye strip holds its frames in rows of cells of the eye's own size, enough cells for the count.
  for (auto [name, width, height] : {std::tuple{"LeftEye", 52, 45}, std::tuple{"RightEye", 49, 61}}) {
    const TSkinItem* eye = MainSkinLayout()->Find(name);
    ASSERT_NE(eye, nullptr);
    EXPECT_EQ(eye->Int("count"), 6);
    TBitmap strip;
    ASSERT_TRUE(strip.LoadFromFile(MIRA_SKIN_SOURCE_DIR "/art/" + eye->Text("picture") + ".bmp").Ok());
    EXPECT_EQ(strip.Width() % width, 0) << name;
    EXPECT_EQ(strip.Height() % height, 0) << name;
    EXPECT_GE((strip.Width() / width) * (strip.Height() / height), eye->Int("count")) << name;
  }
}

TEST(SkinLayoutReader, values_convert_to_their_types) {
  const TResult<TSkinLayout> result = TSkinLayout::Parse(
      "# a note\r\n[form F]\r\n  caption = The  window  \r\nbounds = -5 7 100   20\ncolor = clWindowText\n"
      "font = Arial Black, -11, 29439, bold\n\n[image I]\nbounds=1 2 3 4\nvisible = no\nhint =\n"
      "[timer T]\ninterval = 2");
  ASSERT_TRUE(result) << result.Error();
  const TSkinLayout& layout = *result;
  ASSERT_EQ(layout.Items().size(), 3u);
  const TSkinItem& form = layout.Items()[0];
  EXPECT_EQ(form.Text("caption"), "The  window");
  const TSkinBounds b = form.Bounds("bounds");
  EXPECT_EQ((std::vector<int>{b.Left, b.Top, b.Width, b.Height}), (std::vector<int>{-5, 7, 100, 20}));
  EXPECT_EQ(form.Color("color", 0), clWindowText);
  const TSkinFont font = form.Font("font");
  EXPECT_EQ(font.Name, "Arial Black");
  EXPECT_EQ(font.Height, -11);
  EXPECT_EQ(font.Color, 29439u);
  EXPECT_TRUE(font.Bold);
  const TSkinItem* image = layout.Find("I");
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(image->Bool("visible", true));
  EXPECT_TRUE(image->Bool("enabled", true));  // absent: the fallback
  EXPECT_TRUE(image->Has("hint"));
  EXPECT_EQ(image->Text("hint", "x"), "");
  EXPECT_EQ(layout.Find("T")->Int("interval"), 2);
  EXPECT_EQ(layout.Find("nothing"), nullptr);
}

TEST(SkinLayoutReader, malformed_descriptions_are_refused_with_the_line_and_the_fault) {
  const struct {
    std::string Text;
    std::string Error;
  } cases[] = {
      {"", "line 0: the description is empty"},
      {"# only notes\n\n", "line 2: the description is empty"},
      {"bounds = 0 0 1 1\n", "line 1: a value before the first section"},
      {"[image I]\nbounds = 0 0 1 1\n", "line 1: the description starts with the one form section"},
      {kForm + "[form G]\nbounds = 0 0 1 1\n", "line 3: the description starts with the one form section"},
      {kForm + "[widget W]\n", "line 3: unknown kind \"widget\""},
      {kForm + "[image]\n", "line 3: a section must read \"[kind Name]\""},
      {kForm + "[image A B]\n", "line 3: a section must read \"[kind Name]\""},
      {kForm + "[image I\n", "line 3: a section must read \"[kind Name]\""},
      {kForm + "[image 9lives]\nbounds = 0 0 1 1\n", "line 3: \"9lives\" is not a valid name"},
      {kForm + "[image F]\nbounds = 0 0 1 1\n", "line 3: the name \"F\" is used twice"},
      {kForm + "[image I]\nbounds 0 0 1 1\n", "line 4: \"key = value\" or \"[kind Name]\" was expected"},
      {kForm + "[image I]\nbounds = 0 0 1 1\nvisble = no\n", "line 5: \"visble\" is not a key of [image]"},
      {kForm + "[image I]\nbounds = 0 0 1 1\nhint = a\nhint = b\n", "line 6: \"hint\" is given twice"},
      {kForm + "[image I]\nbounds = 0 0 1\n",
       "line 4: bounds: four whole numbers \"left top width height\" were expected"},
      {kForm + "[image I]\nbounds = 0 0 -1 1\n",
       "line 4: bounds: four whole numbers \"left top width height\" were expected"},
      {kForm + "[image I]\nbounds = 0 0 1 1x\n",
       "line 4: bounds: four whole numbers \"left top width height\" were expected"},
      {kForm + "[image I]\nbounds = 0 0 1 1\nvisible = true\n", "line 5: visible: \"yes\" or \"no\" was expected"},
      {kForm + "[image I]\nbounds = 0 0 1 1\ncursor = hand\n",
       "line 5: cursor: one of default, arrow, size-we, size-ns was expected"},
      {kForm + "[image I]\nbounds = 0 0 1 1\npicture = ../../etc/passwd\n",
       "line 5: picture: a picture name (letters, digits, '_') was expected"},
      {kForm + "[timer T]\ninterval = 99999999999\n", "line 4: interval: a whole number was expected"},
      {kForm + "[timer T]\ninterval =\n", "line 4: interval: a whole number was expected"},
      {kForm + "[list L]\nbounds = 0 0 1 1\ncolor = 16777216\n",
       "line 5: color: a colour (clBlack, clWhite, clWindowText or 0..16777215) was expected"},
      {kForm + "[label L]\nbounds = 0 0 1 1\nfont = Arial, big, clBlack\n",
       "line 5: font: \"name, height, colour[, bold]\" was expected"},
      {kForm + "[label L]\nbounds = 0 0 1 1\nfont = Arial, -11, clBlack, italic\n",
       "line 5: font: \"name, height, colour[, bold]\" was expected"},
      {kForm + "[label L]\nbounds = 0 0 1 1\nfont = , -11, clBlack\n",
       "line 5: font: \"name, height, colour[, bold]\" was expected"},
      // Missing required values are reported at the section that lacks them.
      {kForm + "[image I]\nhint = x\n[timer T]\ninterval = 1\n", "line 3: I has no \"bounds\""},
      {kForm + "[frames E]\npicture = E\n", "line 3: E has no \"count\""},
      {"[form F]\ncaption = x\n", "line 1: F has no \"bounds\""},
      {kForm + "[timer T]\ninterval = 1" + std::string(1, '\0') + "\n", "line 4: a zero byte in the text"},
  };
  for (const auto& c : cases) {
    // A refused description keeps nothing: the result holds only the reason.
    const TResult<TSkinLayout> result = TSkinLayout::Parse(c.Text);
    EXPECT_FALSE(result) << c.Text;
    EXPECT_EQ(result.Error(), c.Error) << c.Text;
  }
}
