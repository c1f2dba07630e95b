// SPDX-License-Identifier: MIT
// The main window's controls and timers, created from the skin's layout description in its order.
#include "TMainForm.h"

#include "WindowIcon.h"
#include "components/TApplication.h"
#include "components/Exception.h"
#include "skin/MainSkinLayout.h"
#include "skin/SkinArt.h"

#include <string>

namespace {

void ApplyFont(TFont& font, const TSkinItem& item) {
  const TSkinFont desc = item.Font("font");
  font.SetName(desc.Name);
  font.SetHeight(desc.Height);
  font.SetColor(desc.Color);
  font.SetCharset(DEFAULT_CHARSET);
  font.SetStyle(desc.Bold ? fsBold : 0);
}

void ApplyBounds(TControl& control, const TSkinItem& item) {
  const TSkinBounds b = item.Bounds("bounds");
  control.SetBounds(b.Left, b.Top, b.Width, b.Height);
}

TCursor CursorOf(const std::string& name) {
  if (name == "arrow") return crArrow;
  if (name == "size-we") return crSizeWE;
  if (name == "size-ns") return crSizeNS;
  return crDefault;
}

TAlignment AlignmentOf(const std::string& name) {
  if (name == "center") return taCenter;
  if (name == "right") return taRightJustify;
  return taLeftJustify;
}

// The control a handler is bound to must be in the description under its name and kind; the program
// cannot work without it, so its absence stops the start with a message rather than a null pointer.
template <class T>
T* Require(T* control, const char* name) {
  if (!control)
    throw Exception(std::string("The window layout has no control \"") + name + "\" of the kind the program needs");
  return control;
}

}  // namespace

void TMainForm::LoadSkinPicture(TPicture& picture, const char* name) {
  // A picture the build did not find stays empty: the control keeps its stored size and the
  // window still works, only without that piece of artwork. The build's tests read every picture
  // it carries, so a shipped one is never refused.
  if (const TSkinArt* art = FindSkinArt(name)) (void)picture.LoadFromMemory(art->Data, art->Size);
}

void TMainForm::CreateLayout() {
  const TSkinLayout& layout = MainSkinLayout();
  // The form's members by name; each control the description makes is put in its slot.
  const std::pair<const char*, TImage**> images[] = {{"Button_Play", &Button_Play},
                                                     {"Button_Pause", &Button_Pause},
                                                     {"Button_Stop", &Button_Stop},
                                                     {"Button_Next", &Button_Next},
                                                     {"Button_Prev", &Button_Prev},
                                                     {"Button_Shuffle", &Button_Shuffle},
                                                     {"Button_Repeat", &Button_Repeat},
                                                     {"Button_Mute", &Button_Mute},
                                                     {"Button_Quit", &Button_Quit},
                                                     {"LeftEye_Image", &LeftEye_Image},
                                                     {"RightEye_Image", &RightEye_Image},
                                                     {"FadeBitmap_Volume", &FadeBitmap_Volume},
                                                     {"Slider_Volume", &Slider_Volume},
                                                     {"FadeBitmap_Speed", &FadeBitmap_Speed},
                                                     {"Slider_Speed", &Slider_Speed},
                                                     {"FadeBitmap_Panning_Temp", &FadeBitmap_Panning_Temp},
                                                     {"FadeBitmap_Panning", &FadeBitmap_Panning},
                                                     {"Slider_Panning", &Slider_Panning},
                                                     {"Bitmap_Volume", &Bitmap_Volume},
                                                     {"Bitmap_Panning", &Bitmap_Panning},
                                                     {"Bitmap_Speed", &Bitmap_Speed},
                                                     {"Button_Up", &Button_Up},
                                                     {"Button_Up_Rollover", &Button_Up_Rollover}};
  const std::pair<const char*, TLabel**> labels[] = {{"Label_Pos", &Label_Pos}, {"Hint_Label", &Hint_Label}};
  const std::pair<const char*, TTimer**> timers[] = {
      {"Timer", &Timer}, {"Eye_Timer", &Eye_Timer}, {"StartTimer", &StartTimer}};
  const std::pair<const char*, TImageList*> frameLists[] = {{"LeftEye", &LeftEye}, {"RightEye", &RightEye}};
  auto place = [](auto& slots, const std::string& name, auto value) {
    for (auto& [slotName, slot] : slots)
      if (name == slotName) *slot = value;
  };

  for (const TSkinItem& item : layout.Items()) {
    const std::string& kind = item.Kind();
    const std::string& name = item.Name();
    if (kind == "form") {
      SetCaption(item.Text("caption"));
      SetBorderStyle(item.Text("border") == "none" ? bsNone : bsSingle);
      SetPosition(item.Text("position") == "screen-center" ? poScreenCenter : poDesigned);
      SetColor(item.Color("color", clBlack));
      ApplyFont(Font(), item);
      ApplyBounds(*this, item);
      // The window manager shows the application icon the program carries, not a generic one.
      Application.EnsureBackend().SetWindowIcon(WindowIconPictures());
    } else if (kind == "shape") {
      TSkinShape& shape = Add<TSkinShape>(name);
      ApplyBounds(shape, item);
      if (item.Has("picture")) LoadSkinPicture(shape.Picture(), item.Text("picture").c_str());
      shape.SetAutoSize(item.Bool("auto-size", false));
      shape.SetMovable(item.Bool("movable", false));
      if (name == "ImageShape") ImageShape = &shape;
    } else if (kind == "scroller") {
      TSkinScroller& scroller = Add<TSkinScroller>(name);
      ApplyBounds(scroller, item);
      scroller.SetSpeed(item.Int("speed", scroller.Speed()));
      scroller.SetBackgroundColor(item.Color("background", scroller.BackgroundColor()));
      scroller.SetTextDirection(item.Text("direction") == "right-to-left" ? tdRightToLeft : tdLeftToRight);
      if (item.Has("font")) {
        scroller.SetParentFont(false);
        ApplyFont(scroller.Font(), item);
      }
      scroller.SetText(item.Text("text"));
      if (name == "Scroller") Scroller = &scroller;
    } else if (kind == "image") {
      TImage& image = Add<TImage>(name);
      ApplyBounds(image, item);
      image.SetTransparent(item.Bool("transparent", false));
      image.SetHint(item.Text("hint"));
      image.SetCursor(CursorOf(item.Text("cursor")));
      image.SetVisible(item.Bool("visible", true));
      image.SetEnabled(item.Bool("enabled", true));
      if (item.Has("picture")) LoadSkinPicture(image.Picture(), item.Text("picture").c_str());
      // Sized after the picture is in, so an auto-sized control takes the picture's size.
      image.SetAutoSize(item.Bool("auto-size", false));
      place(images, name, &image);
    } else if (kind == "label") {
      TLabel& label = Add<TLabel>(name);
      // A fixed size is set before the bounds, so the label keeps them.
      if (!item.Bool("auto-size", true)) label.SetAutoSize(false);
      ApplyBounds(label, item);
      label.SetAlignment(AlignmentOf(item.Text("alignment")));
      label.SetTransparent(item.Bool("transparent", false));
      if (item.Has("font")) {
        label.SetParentFont(false);
        ApplyFont(label.Font(), item);
      }
      if (item.Bool("auto-size", true)) label.SetAutoSize(true);
      if (item.Has("caption")) label.SetCaption(item.Text("caption"));
      place(labels, name, &label);
    } else if (kind == "list") {
      TSkinList& list = Add<TSkinList>(name);
      ApplyBounds(list, item);
      list.SetColor(item.Color("color", list.Color()));
      list.SetBorderStyle(item.Text("border") == "none" ? bsNone : bsSingle);
      list.SetMultiSelect(item.Bool("multi-select", false));
      list.SetExtendedSelect(item.Bool("extended-select", false));
      list.SetItemHeight(item.Int("item-height", list.ItemHeight()));
      if (item.Has("font")) {
        list.SetParentFont(false);
        ApplyFont(list.Font(), item);
      }
      list.SetLineColorOdd(item.Color("line-odd", list.LineColorOdd()));
      list.SetLineColorEven(item.Color("line-even", list.LineColorEven()));
      list.SetLineColorSelected(item.Color("line-selected", list.LineColorSelected()));
      list.SetFontSelectedColor(item.Color("font-selected", list.FontSelectedColor()));
      if (name == "List_Tracks") List_Tracks = &list;
    } else if (kind == "timer") {
      TTimer& timer = Add<TTimer>(name);
      timer.SetInterval(static_cast<unsigned>(item.Int("interval", 1000)));
      place(timers, name, &timer);
    } else if (kind == "frames") {
      for (auto& [listName, frames] : frameLists)
        if (name == listName) {
          frames->SetMasked(item.Bool("masked", false));
          frames->SetBkColor(item.Color("background", clBlack));
          frames->SetBlendColor(item.Color("blend", clWhite));
          LoadFrameStrip(*frames, item.Text("picture").c_str(), item.Has("mask") ? item.Text("mask").c_str() : nullptr,
                         item.Int("count", 1));
        }
    }
  }

  // Handlers are code: each is bound to its control by name.
  Require(ImageShape, "ImageShape")->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    ImageShapeMouseMove(s, sh, x, y);
  };
  Require(Scroller, "Scroller");
  Require(Button_Play, "Button_Play")->OnClick = [this](TObject* s) { Button_PlayClick(s); };
  Require(Button_Pause, "Button_Pause")->OnClick = [this](TObject* s) { Button_PauseClick(s); };
  Require(Button_Stop, "Button_Stop")->OnClick = [this](TObject* s) { Button_StopClick(s); };
  Require(Button_Next, "Button_Next")->OnClick = [this](TObject* s) { Button_NextClick(s); };
  Require(Button_Prev, "Button_Prev")->OnClick = [this](TObject* s) { Button_PrevClick(s); };
  Require(Button_Shuffle, "Button_Shuffle")->OnClick = [this](TObject* s) { Button_ShuffleClick(s); };
  Require(Button_Repeat, "Button_Repeat")->OnClick = [this](TObject* s) { Button_RepeatClick(s); };
  Require(Button_Mute, "Button_Mute")->OnClick = [this](TObject* s) { Button_MuteClick(s); };
  Require(Button_Quit, "Button_Quit")->OnClick = [this](TObject* s) { Button_QuitClick(s); };
  for (TImage* mode : {Button_Shuffle, Button_Repeat, Button_Mute})
    mode->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { Button_MuteMouseMove(s, sh, x, y); };
  for (auto& [slotName, slot] : images) Require(*slot, slotName);
  for (auto& [slotName, slot] : labels) Require(*slot, slotName);
  for (TImage* knob : {Slider_Volume, Slider_Speed, Slider_Panning})
    knob->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { Slider_VolumeMouseMove(s, sh, x, y); };
  for (TImage* bar : {FadeBitmap_Volume, FadeBitmap_Speed, FadeBitmap_Panning})
    bar->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { List_TracksMouseMove(s, sh, x, y); };
  Button_Up_Rollover->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    Button_Up_RolloverMouseMove(s, sh, x, y);
  };
  Require(List_Tracks, "List_Tracks")->OnDblClick = [this](TObject* s) { List_TracksDblClick(s); };
  List_Tracks->OnKeyPress = [this](TObject* s, char& key) { List_TracksKeyPress(s, key); };
  List_Tracks->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { List_TracksMouseMove(s, sh, x, y); };
  Require(Timer, "Timer")->OnTimer = [this](TObject* s) { TimerTimer(s); };
  Require(Eye_Timer, "Eye_Timer")->OnTimer = [this](TObject* s) { Eye_TimerTimer(s); };
  // The start timer is switched on and off by the start-up code and has no handler of its own.
  Require(StartTimer, "StartTimer");
}

void TMainForm::LoadFrameStrip(TImageList& frames, const char* name, const char* maskName, int count) {
  const TSkinArt* art = FindSkinArt(name);
  if (!art) return;
  TBitmap strip;
  if (!strip.LoadFromMemory(art->Data, art->Size)) return;
  TBitmap mask;
  const TSkinArt* maskArt = maskName ? FindSkinArt(maskName) : nullptr;
  const bool hasMask = maskArt && mask.LoadFromMemory(maskArt->Data, maskArt->Size).Ok();
  frames.AddStrip(strip, count, hasMask ? &mask : nullptr);
}
