// SPDX-License-Identifier: MIT
// The main window's controls and timers, created from the skin's layout description in its order.
#include "TMainForm.h"

#include "WindowIcon.h"
#include "components/TApplication.h"
#include "skin/MainSkinLayout.h"
#include "skin/SkinArt.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

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

void LoadSkinPicture(TPicture& picture, const TSkinItem& item) {
  if (!item.Has("picture")) return;
  // A picture the build did not find stays empty: the control keeps its stored size and the
  // window still works, only without that piece of artwork. The build's tests read every picture
  // it carries, so a shipped one is never refused.
  const std::vector<unsigned char> file = SkinArtFile(item.Text("picture"));
  if (!file.empty()) (void)picture.LoadFromMemory(file.data(), file.size());
}

// Cuts the item's strip picture (and its mask, if any) into the frames of an eye.
void LoadFrameStrip(TImageList& frames, const TSkinItem& item) {
  const std::vector<unsigned char> stripFile = SkinArtFile(item.Text("picture"));
  TBitmap strip;
  if (stripFile.empty() || !strip.LoadFromMemory(stripFile.data(), stripFile.size())) return;
  TBitmap mask;
  const std::vector<unsigned char> maskFile =
      item.Has("mask") ? SkinArtFile(item.Text("mask")) : std::vector<unsigned char>();
  const bool hasMask = !maskFile.empty() && mask.LoadFromMemory(maskFile.data(), maskFile.size());
  frames.AddStrip(strip, item.Int("count", 1), hasMask ? &mask : nullptr);
}

// --- One function per kind of item: it makes the control and gives it the item's values ------

void BuildForm(TMainForm& form, const TSkinItem& item) {
  form.SetCaption(item.Text("caption"));
  form.SetBorderStyle(item.Text("border") == "none" ? bsNone : bsSingle);
  form.SetPosition(item.Text("position") == "screen-center" ? poScreenCenter : poDesigned);
  form.SetColor(item.Color("color", clBlack));
  ApplyFont(form.Font(), item);
  ApplyBounds(form, item);
  // The window manager shows the application icon the program carries, not a generic one.
  Application.EnsureBackend().SetWindowIcon(WindowIconPictures());
}

void BuildShape(TMainForm& form, const TSkinItem& item) {
  TSkinShape& shape = form.Add<TSkinShape>(item.Name());
  ApplyBounds(shape, item);
  LoadSkinPicture(shape.Picture(), item);
  shape.SetAutoSize(item.Bool("auto-size", false));
  shape.SetMovable(item.Bool("movable", false));
}

void BuildScroller(TMainForm& form, const TSkinItem& item) {
  TSkinScroller& scroller = form.Add<TSkinScroller>(item.Name());
  ApplyBounds(scroller, item);
  scroller.SetSpeed(item.Int("speed", scroller.Speed()));
  scroller.SetBackgroundColor(item.Color("background", scroller.BackgroundColor()));
  scroller.SetTextDirection(item.Text("direction") == "right-to-left" ? tdRightToLeft : tdLeftToRight);
  if (item.Has("font")) {
    scroller.SetParentFont(false);
    ApplyFont(scroller.Font(), item);
  }
  scroller.SetText(item.Text("text"));
}

void BuildImage(TMainForm& form, const TSkinItem& item) {
  TImage& image = form.Add<TImage>(item.Name());
  ApplyBounds(image, item);
  image.SetTransparent(item.Bool("transparent", false));
  image.SetHint(item.Text("hint"));
  image.SetCursor(CursorOf(item.Text("cursor")));
  image.SetVisible(item.Bool("visible", true));
  image.SetEnabled(item.Bool("enabled", true));
  LoadSkinPicture(image.Picture(), item);
  // Sized after the picture is in, so an auto-sized control takes the picture's size.
  image.SetAutoSize(item.Bool("auto-size", false));
}

void BuildLabel(TMainForm& form, const TSkinItem& item) {
  TLabel& label = form.Add<TLabel>(item.Name());
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
}

void BuildList(TMainForm& form, const TSkinItem& item) {
  TSkinList& list = form.Add<TSkinList>(item.Name());
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
}

void BuildTimer(TMainForm& form, const TSkinItem& item) {
  TTimer& timer = form.Add<TTimer>(item.Name());
  timer.SetInterval(static_cast<unsigned>(item.Int("interval", 1000)));
}

// Frame lists are no controls: the form has the two the eyes need, and a description of any other
// is passed over.
void BuildFrames(TMainForm& form, const TSkinItem& item) {
  TImageList* frames = item.Name() == "LeftEye" ? &form.LeftEye : item.Name() == "RightEye" ? &form.RightEye : nullptr;
  if (!frames) return;
  frames->SetMasked(item.Bool("masked", false));
  frames->SetBkColor(item.Color("background", clBlack));
  frames->SetBlendColor(item.Color("blend", clWhite));
  LoadFrameStrip(*frames, item);
}

struct TKindBuilder {
  std::string_view Kind;
  void (*Build)(TMainForm& form, const TSkinItem& item);
};

// Every kind the layout reader accepts (skin/TSkinLayout.cpp), and how it is built.
const TKindBuilder kBuilders[] = {
    {"form", BuildForm},   {"shape", BuildShape}, {"scroller", BuildScroller}, {"image", BuildImage},
    {"label", BuildLabel}, {"list", BuildList},   {"timer", BuildTimer},       {"frames", BuildFrames},
};

// --- The form's members, found by name and class once every item is built -------------------

using TSlot = std::variant<TSkinShape * TMainForm::*, TSkinScroller * TMainForm::*, TImage * TMainForm::*,
                           TLabel * TMainForm::*, TSkinList * TMainForm::*, TTimer * TMainForm::*>;

// The program cannot work without any of these, so each must be in the description under its
// name and of its class. In the order of the form's members.
const std::pair<const char*, TSlot> kSlots[] = {
    {"ImageShape", &TMainForm::ImageShape},
    {"Scroller", &TMainForm::Scroller},
    {"Button_Play", &TMainForm::Button_Play},
    {"Button_Pause", &TMainForm::Button_Pause},
    {"Button_Stop", &TMainForm::Button_Stop},
    {"Button_Next", &TMainForm::Button_Next},
    {"Button_Prev", &TMainForm::Button_Prev},
    {"Button_Shuffle", &TMainForm::Button_Shuffle},
    {"Button_Repeat", &TMainForm::Button_Repeat},
    {"Button_Mute", &TMainForm::Button_Mute},
    {"Button_Quit", &TMainForm::Button_Quit},
    {"Label_Pos", &TMainForm::Label_Pos},
    {"LeftEye_Image", &TMainForm::LeftEye_Image},
    {"RightEye_Image", &TMainForm::RightEye_Image},
    {"Hint_Label", &TMainForm::Hint_Label},
    {"FadeBitmap_Volume", &TMainForm::FadeBitmap_Volume},
    {"Slider_Volume", &TMainForm::Slider_Volume},
    {"FadeBitmap_Speed", &TMainForm::FadeBitmap_Speed},
    {"Slider_Speed", &TMainForm::Slider_Speed},
    {"FadeBitmap_Panning_Temp", &TMainForm::FadeBitmap_Panning_Temp},
    {"FadeBitmap_Panning", &TMainForm::FadeBitmap_Panning},
    {"Slider_Panning", &TMainForm::Slider_Panning},
    {"Bitmap_Volume", &TMainForm::Bitmap_Volume},
    {"Bitmap_Panning", &TMainForm::Bitmap_Panning},
    {"Bitmap_Speed", &TMainForm::Bitmap_Speed},
    {"Button_Up", &TMainForm::Button_Up},
    {"Button_Up_Rollover", &TMainForm::Button_Up_Rollover},
    {"List_Tracks", &TMainForm::List_Tracks},
    {"Timer", &TMainForm::Timer},
    {"Eye_Timer", &TMainForm::Eye_Timer},
    {"StartTimer", &TMainForm::StartTimer},
};

TResult<void> BindControls(TMainForm& form) {
  for (const auto& [name, slot] : kSlots) {
    const bool found = std::visit(
        [&](auto member) {
          using TControlClass = std::remove_pointer_t<std::remove_reference_t<decltype(form.*member)>>;
          form.*member = dynamic_cast<TControlClass*>(form.FindComponent(name));
          return form.*member != nullptr;
        },
        slot);
    if (!found)
      return Fail(std::string("The window layout has no control \"") + name + "\" of the kind the program needs");
  }
  return {};
}

// Handlers are code: each is bound to its control by name.
void ConnectHandlers(TMainForm& form) {
  TMainForm* f = &form;
  form.ImageShape->OnMouseMove = [f](TObject* s, TShiftState sh, int x, int y) { f->ImageShapeMouseMove(s, sh, x, y); };
  form.Button_Play->OnClick = [f](TObject* s) { f->Button_PlayClick(s); };
  form.Button_Pause->OnClick = [f](TObject* s) { f->Button_PauseClick(s); };
  form.Button_Stop->OnClick = [f](TObject* s) { f->Button_StopClick(s); };
  form.Button_Next->OnClick = [f](TObject* s) { f->Button_NextClick(s); };
  form.Button_Prev->OnClick = [f](TObject* s) { f->Button_PrevClick(s); };
  form.Button_Shuffle->OnClick = [f](TObject* s) { f->Button_ShuffleClick(s); };
  form.Button_Repeat->OnClick = [f](TObject* s) { f->Button_RepeatClick(s); };
  form.Button_Mute->OnClick = [f](TObject* s) { f->Button_MuteClick(s); };
  form.Button_Quit->OnClick = [f](TObject* s) { f->Button_QuitClick(s); };
  for (TImage* mode : {form.Button_Shuffle, form.Button_Repeat, form.Button_Mute})
    mode->OnMouseMove = [f](TObject* s, TShiftState sh, int x, int y) { f->Button_MuteMouseMove(s, sh, x, y); };
  for (TImage* knob : {form.Slider_Volume, form.Slider_Speed, form.Slider_Panning})
    knob->OnMouseMove = [f](TObject* s, TShiftState sh, int x, int y) { f->Slider_VolumeMouseMove(s, sh, x, y); };
  for (TImage* bar : {form.FadeBitmap_Volume, form.FadeBitmap_Speed, form.FadeBitmap_Panning})
    bar->OnMouseMove = [f](TObject* s, TShiftState sh, int x, int y) { f->List_TracksMouseMove(s, sh, x, y); };
  form.Button_Up_Rollover->OnMouseMove = [f](TObject* s, TShiftState sh, int x, int y) {
    f->Button_Up_RolloverMouseMove(s, sh, x, y);
  };
  form.List_Tracks->OnDblClick = [f](TObject* s) { f->List_TracksDblClick(s); };
  form.List_Tracks->OnKeyPress = [f](TObject* s, char& key) { f->List_TracksKeyPress(s, key); };
  form.List_Tracks->OnMouseMove = [f](TObject* s, TShiftState sh, int x, int y) {
    f->List_TracksMouseMove(s, sh, x, y);
  };
  form.Timer->OnTimer = [f](TObject* s) { f->TimerTimer(s); };
  form.Eye_Timer->OnTimer = [f](TObject* s) { f->Eye_TimerTimer(s); };
  // The start timer is switched on and off by the start-up code and has no handler of its own.
}

}  // namespace

TResult<void> TMainForm::CreateLayout() {
  const TResult<TSkinLayout>& layout = MainSkinLayout();
  if (!layout) return Fail("The window layout is damaged: " + layout.Error());
  for (const TSkinItem& item : layout->Items())
    for (const TKindBuilder& builder : kBuilders)
      if (builder.Kind == item.Kind()) builder.Build(*this, item);
  if (TResult<void> bound = BindControls(*this); !bound) return bound;
  ConnectHandlers(*this);
  return {};
}
