// mira.nol — licensed under the terms in the LICENSE file.
// The main window's controls and timers, created in their stacking order with their stored values.
#include "TMainForm.h"

#include "SkinArt.h"

namespace {

constexpr TColor kSkinOrange = 29439;        // text of caption, clock, hint and list
constexpr TColor kSelectedOrange = 44799;    // text of the selected list line
constexpr TColor kCaptionBackground = 2103825;
constexpr int kEyeFrames = 6;

void SetFont(TFont& font, const char* name, TColor color, TFontStyles style = 0)
{
  font.SetName(name);
  font.SetHeight(-11);
  font.SetColor(color);
  font.SetCharset(DEFAULT_CHARSET);
  font.SetStyle(style);
}

} // namespace

void TMainForm::LoadSkinPicture(TPicture& picture, const char* name)
{
  // A picture the build did not find stays empty: the control keeps its stored size and the
  // window still works, only without that piece of artwork.
  if (const TSkinArt* art = FindSkinArt(name))
    picture.LoadFromMemory(art->Data, art->Size);
}

void TMainForm::CreateLayout()
{
  SetCaption("MainForm");
  SetBorderStyle(bsNone);
  SetPosition(poScreenCenter);
  SetColor(clBlack);
  SetFont(Font(), "MS Sans Serif", clWindowText);
  // The stored design position is overridden by centring when the window is first shown.
  SetBounds(500, 253, 496, 287);

  // A picture control at a place and size, optionally auto-sized, see-through and hidden.
  struct TImageSpec {
    int Left, Top, Width, Height;
    bool AutoSize, Transparent, Visible;
    const char* Hint;
    TCursor Cursor;
  };
  auto image = [this](const char* name, const TImageSpec& spec) {
    TImage& control = Add<TImage>(name);
    control.SetBounds(spec.Left, spec.Top, spec.Width, spec.Height);
    control.SetTransparent(spec.Transparent);
    control.SetHint(spec.Hint);
    control.SetCursor(spec.Cursor);
    control.SetVisible(spec.Visible);
    LoadSkinPicture(control.Picture(), name);
    control.SetAutoSize(spec.AutoSize);
    return &control;
  };
  constexpr bool kAuto = true, kFixed = false, kSeeThrough = true, kOpaque = false, kShown = true,
                 kHidden = false;

  ImageShape = &Add<TSkinShape>("ImageShape");
  ImageShape->SetBounds(0, 0, 496, 287);
  LoadSkinPicture(ImageShape->Picture(), "ImageShape");
  ImageShape->SetAutoSize(true);
  ImageShape->SetMovable(true);
  ImageShape->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { ImageShapeMouseMove(s, sh, x, y); };

  Scroller = &Add<TSkinScroller>("Scroller");
  Scroller->SetBounds(102, 41, 297, 15);
  Scroller->SetSpeed(10);
  Scroller->SetBackgroundColor(kCaptionBackground);
  Scroller->SetTextDirection(tdRightToLeft);
  Scroller->SetParentFont(false);
  SetFont(Scroller->Font(), "Arial Black", kSkinOrange);
  Scroller->SetText(kCreditsLine);

  Button_Play = image("Button_Play", {128, 151, 17, 8, kAuto, kOpaque, kHidden, "Play", crDefault});
  Button_Pause = image("Button_Pause", {156, 151, 17, 8, kAuto, kOpaque, kHidden, "Pause", crDefault});
  Button_Stop = image("Button_Stop", {187, 151, 17, 8, kAuto, kOpaque, kHidden, "Stop", crDefault});
  Button_Next = image("Button_Next", {219, 151, 17, 8, kAuto, kOpaque, kHidden, "Next", crDefault});
  Button_Prev = image("Button_Prev", {102, 151, 17, 8, kAuto, kOpaque, kHidden, "Previous", crDefault});
  Button_Shuffle = image("Button_Shuffle", {346, 147, 13, 12, kAuto, kOpaque, kHidden, "Shuffle", crDefault});
  Button_Repeat = image("Button_Repeat", {362, 147, 13, 12, kAuto, kOpaque, kHidden, "Repeat", crDefault});
  Button_Mute = image("Button_Mute", {378, 147, 13, 12, kAuto, kOpaque, kHidden, "Mute", crDefault});
  Button_Quit = image("Button_Quit", {353, 277, 28, 6, kAuto, kOpaque, kHidden, "Quit", crDefault});
  Button_Play->OnClick = [this](TObject* s) { Button_PlayClick(s); };
  Button_Pause->OnClick = [this](TObject* s) { Button_PauseClick(s); };
  Button_Stop->OnClick = [this](TObject* s) { Button_StopClick(s); };
  Button_Next->OnClick = [this](TObject* s) { Button_NextClick(s); };
  Button_Prev->OnClick = [this](TObject* s) { Button_PrevClick(s); };
  Button_Shuffle->OnClick = [this](TObject* s) { Button_ShuffleClick(s); };
  Button_Repeat->OnClick = [this](TObject* s) { Button_RepeatClick(s); };
  Button_Mute->OnClick = [this](TObject* s) { Button_MuteClick(s); };
  Button_Quit->OnClick = [this](TObject* s) { Button_QuitClick(s); };
  for (TImage* mode : {Button_Shuffle, Button_Repeat, Button_Mute})
    mode->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { Button_MuteMouseMove(s, sh, x, y); };

  Label_Pos = &Add<TLabel>("Label_Pos");
  Label_Pos->SetBounds(118, 99, 27, 14);
  Label_Pos->SetTransparent(true);
  Label_Pos->SetParentFont(false);
  SetFont(Label_Pos->Font(), "Arial", kSkinOrange);
  Label_Pos->SetAutoSize(true);
  Label_Pos->SetCaption("00:00");

  LeftEye_Image = image("LeftEye_Image", {19, 69, 52, 45, kFixed, kSeeThrough, kShown, "", crDefault});
  RightEye_Image = image("RightEye_Image", {431, 65, 63, 96, kFixed, kOpaque, kShown, "", crDefault});

  Hint_Label = &Add<TLabel>("Hint_Label");
  Hint_Label->SetAutoSize(false);
  Hint_Label->SetBounds(264, 145, 65, 13);
  Hint_Label->SetAlignment(taCenter);
  Hint_Label->SetTransparent(true);
  Hint_Label->SetParentFont(false);
  SetFont(Hint_Label->Font(), "Arial", kSkinOrange, fsBold);

  FadeBitmap_Volume = image("FadeBitmap_Volume", {243, 73, 137, 9, kFixed, kOpaque, kShown, "", crDefault});
  Slider_Volume = image("Slider_Volume", {376, 69, 5, 14, kAuto, kSeeThrough, kShown, "Volume", crSizeWE});
  FadeBitmap_Speed = image("FadeBitmap_Speed", {243, 113, 62, 9, kFixed, kOpaque, kShown, "", crDefault});
  Slider_Speed = image("Slider_Speed", {300, 109, 5, 14, kAuto, kSeeThrough, kShown, "Speed", crSizeWE});
  FadeBitmap_Panning_Temp =
      image("FadeBitmap_Panning_Temp", {243, 93, 137, 9, kFixed, kOpaque, kHidden, "", crDefault});
  FadeBitmap_Panning = &Add<TImage>("FadeBitmap_Panning");
  FadeBitmap_Panning->SetBounds(243, 93, 137, 9);
  FadeBitmap_Panning->SetTransparent(true);
  Slider_Panning = image("Slider_Panning", {310, 89, 5, 14, kAuto, kSeeThrough, kShown, "Panning", crSizeWE});
  Bitmap_Volume = image("Bitmap_Volume", {243, 82, 47, 7, kAuto, kOpaque, kHidden, "", crDefault});
  Bitmap_Panning = image("Bitmap_Panning", {243, 102, 47, 7, kAuto, kOpaque, kHidden, "", crDefault});
  Bitmap_Speed = image("Bitmap_Speed", {243, 122, 47, 7, kAuto, kOpaque, kHidden, "", crDefault});
  Button_Up = image("Button_Up", {394, 176, 7, 8, kAuto, kOpaque, kShown, "", crSizeNS});
  Button_Up->SetEnabled(false);
  Button_Up_Rollover = image("Button_Up_Rollover", {394, 176, 7, 8, kAuto, kOpaque, kHidden, "", crSizeNS});
  for (TImage* knob : {Slider_Volume, Slider_Speed, Slider_Panning})
    knob->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { Slider_VolumeMouseMove(s, sh, x, y); };
  for (TImage* bar : {FadeBitmap_Volume, FadeBitmap_Speed, FadeBitmap_Panning})
    bar->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { List_TracksMouseMove(s, sh, x, y); };
  Button_Up_Rollover->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    Button_Up_RolloverMouseMove(s, sh, x, y);
  };

  List_Tracks = &Add<TSkinList>("List_Tracks");
  List_Tracks->SetBounds(104, 176, 289, 78);
  List_Tracks->SetColor(clBlack);
  List_Tracks->SetBorderStyle(TBorderStyle::bsNone);
  List_Tracks->SetMultiSelect(false);
  List_Tracks->SetExtendedSelect(false);
  List_Tracks->SetItemHeight(16);
  List_Tracks->SetParentFont(false);
  SetFont(List_Tracks->Font(), "Arial", kSkinOrange);
  List_Tracks->SetLineColorOdd(clBlack);
  List_Tracks->SetLineColorEven(clBlack);
  List_Tracks->SetLineColorSelected(kSkinOrange);
  List_Tracks->SetFontSelectedColor(kSelectedOrange);
  List_Tracks->OnDblClick = [this](TObject* s) { List_TracksDblClick(s); };
  List_Tracks->OnKeyPress = [this](TObject* s, char& key) { List_TracksKeyPress(s, key); };
  List_Tracks->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { List_TracksMouseMove(s, sh, x, y); };

  Timer = &Add<TTimer>("Timer");
  Timer->OnTimer = [this](TObject* s) { TimerTimer(s); };
  Eye_Timer = &Add<TTimer>("Eye_Timer");
  Eye_Timer->SetInterval(2);
  Eye_Timer->OnTimer = [this](TObject* s) { Eye_TimerTimer(s); };
  StartTimer = &Add<TTimer>("StartTimer");
  StartTimer->SetInterval(50);

  LeftEye.SetMasked(true);
  LeftEye.SetBkColor(clBlack);
  LeftEye.SetBlendColor(clWhite);
  RightEye.SetMasked(false);
  RightEye.SetBkColor(clBlack);
  RightEye.SetBlendColor(clWhite);
  LoadFrameStrip(LeftEye, "LeftEye", "LeftEye_Mask");
  LoadFrameStrip(RightEye, "RightEye", nullptr);
}

void TMainForm::LoadFrameStrip(TImageList& frames, const char* name, const char* maskName)
{
  const TSkinArt* art = FindSkinArt(name);
  if (!art)
    return;
  TBitmap strip;
  if (!strip.LoadFromMemory(art->Data, art->Size))
    return;
  TBitmap mask;
  const TSkinArt* maskArt = maskName ? FindSkinArt(maskName) : nullptr;
  const bool hasMask = maskArt && mask.LoadFromMemory(maskArt->Data, maskArt->Size).Ok();
  frames.AddStrip(strip, kEyeFrames, hasMask ? &mask : nullptr);
}
