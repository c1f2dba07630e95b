// SPDX-License-Identifier: MIT
// Lit buttons under the pointer, the hint label, and the thumb that scrolls the track list.
#include "TMainForm.h"

#include "components/TApplication.h"

#include <typeinfo>

namespace {

// The thumb moves while the pointer is 175 to 244 pixels below the window's top edge; the 71
// pixels from 174 on map onto the list's lines.
constexpr int kThumbAbove = 174;
constexpr int kThumbBelow = 245;
constexpr double kThumbTravel = 71.0;

}  // namespace

void TMainForm::ImageShapeMouseMove(TObject* /*sender*/, TShiftState /*shift*/, int x, int y) {
  Bitmap_Speed->Hide();
  Bitmap_Volume->Hide();
  Bitmap_Panning->Hide();
  Hint_Label->SetCaption("");

  // Every lit picture is a plain image whose name says it is a button; anything derived from the
  // image class (the skin itself, say) is not one. The count is read on every turn, as the walk
  // must not step past the end should a handler change the component list.
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* component = Components(i);
    if (component->Name().find("Button") == std::string::npos || typeid(*component) != typeid(TImage)) continue;
    auto* image = static_cast<TImage*>(component);
    // A mode button stays lit while its mode holds; the unlit thumb is never lit, only moved.
    if ((image == Button_Mute && Muted) || (image == Button_Shuffle && Shuffle) || (image == Button_Repeat && Repeat) ||
        image == Button_Up)
      continue;
    UpdateRollover(image, x, y);
  }
}

void TMainForm::UpdateRollover(TControl* control, int x, int y) {
  // Strict on all four sides: a pointer on the left or top edge leaves the button dark.
  const bool inside = control->Left() < x && x < control->Left() + control->Width() && control->Top() < y &&
                      y < control->Top() + control->Height();
  if (inside) {
    Hint_Label->SetCaption(control->Hint());
    control->Show();
  } else {
    control->Hide();
  }
}

void TMainForm::List_TracksMouseMove(TObject* sender, TShiftState shift, int x, int y) {
  // The coordinates stay the list's (or fill bar's) own; they never fall inside a button, so the
  // pass darkens every button that no mode holds lit.
  ImageShapeMouseMove(sender, shift, x, y);
}

void TMainForm::Button_MuteMouseMove(TObject* sender, TShiftState /*shift*/, int /*x*/, int /*y*/) {
  if (auto* control = dynamic_cast<TControl*>(sender)) Hint_Label->SetCaption(control->Hint());
}

void TMainForm::Button_Up_RolloverMouseMove(TObject* /*sender*/, TShiftState shift, int /*x*/, int /*y*/) {
  if (!shift.Contains(ssLeft)) return;
  // The lit thumb holds the pointer during a drag, so the pointer's height on the screen, relative
  // to the window, is what counts; the event's coordinates follow the thumb as it moves.
  const int y = Application.CursorPos().Y - Top();
  if (y <= kThumbAbove || y >= kThumbBelow) return;
  Button_Up->SetTop(y);
  Button_Up_Rollover->SetTop(y);

  const int n = List_Tracks->Count();
  const int index = static_cast<int>(n * ((y - kThumbAbove) / kThumbTravel));
  // Making the line current scrolls it into view; clearing the selection afterwards leaves the
  // list scrolled there with nothing chosen, so the thumb only scrolls. An empty list refuses the
  // request harmlessly and has no line to clear.
  List_Tracks->Perform(LB_SETCURSEL, static_cast<uintptr_t>(index));
  for (int i = 0; i < List_Tracks->Count(); ++i) List_Tracks->SetSelected(i, false);
}
