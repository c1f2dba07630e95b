// SPDX-License-Identifier: MIT
// The window's keys: each letter clicks a transport or mode button, whatever control has the focus.
#include "TMainForm.h"

namespace {

using TButtonClick = void (TMainForm::*)(TObject*);

struct TClassicKey {
  uint16_t Key;  // the key code: the upper-case letter, whichever case was typed
  TImage* TMainForm::*Button;
  TButtonClick Click;
};

// The letters of the keyboard's bottom row, left to right, follow the transport buttons' order.
constexpr TClassicKey kClassicKeys[] = {
    {'Z', &TMainForm::Button_Prev, &TMainForm::Button_PrevClick},
    {'X', &TMainForm::Button_Play, &TMainForm::Button_PlayClick},
    {'C', &TMainForm::Button_Pause, &TMainForm::Button_PauseClick},
    {'V', &TMainForm::Button_Stop, &TMainForm::Button_StopClick},
    {'B', &TMainForm::Button_Next, &TMainForm::Button_NextClick},
    {'M', &TMainForm::Button_Mute, &TMainForm::Button_MuteClick},
    {'S', &TMainForm::Button_Shuffle, &TMainForm::Button_ShuffleClick},
    {'R', &TMainForm::Button_Repeat, &TMainForm::Button_RepeatClick},
};

}  // namespace

void TMainForm::FormKeyDown(TObject* /*sender*/, uint16_t& key, TShiftState shift) {
  // Ctrl and Alt combinations belong to the desktop and the controls.
  if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return;
  for (const TClassicKey& k : kClassicKeys) {
    if (key != k.Key) continue;
    // The button's own handler with the button as sender, as a click on it would run; the key
    // goes no further, so the list does not see it.
    key = 0;
    (this->*k.Click)(this->*k.Button);
    return;
  }
}
