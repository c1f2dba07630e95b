// SPDX-License-Identifier: MIT
// The window's keys: each letter clicks a transport or mode button, whatever control has the focus.
#include "TMainForm.h"

namespace {

using TButtonClick = void (TMainForm::*)(TObject*);

struct TClassicKey {
  uint16_t Key;  // the key code: the upper-case letter, whichever case was typed
  TImage* TMainForm::*Button;
  TButtonClick Click;
  bool WhileHeld;  // a key held down goes on acting, as the keyboard repeats it
};

// The letters of the keyboard's bottom row, left to right, follow the transport buttons' order.
// Previous and Next step on through the list while their key is held; the others act once per
// press, so that a key held a moment too long does not switch a mode back and forth or start a
// track again and again.
constexpr TClassicKey kClassicKeys[] = {
    {'Z', &TMainForm::Button_Prev, &TMainForm::Button_PrevClick, true},
    {'X', &TMainForm::Button_Play, &TMainForm::Button_PlayClick, false},
    {'C', &TMainForm::Button_Pause, &TMainForm::Button_PauseClick, false},
    {'V', &TMainForm::Button_Stop, &TMainForm::Button_StopClick, false},
    {'B', &TMainForm::Button_Next, &TMainForm::Button_NextClick, true},
    {'M', &TMainForm::Button_Mute, &TMainForm::Button_MuteClick, false},
    {'S', &TMainForm::Button_Shuffle, &TMainForm::Button_ShuffleClick, false},
    {'R', &TMainForm::Button_Repeat, &TMainForm::Button_RepeatClick, false},
};

}  // namespace

void TMainForm::FormKeyDown(TObject* /*sender*/, uint16_t& key, TShiftState shift) {
  // Ctrl and Alt combinations belong to the desktop and the controls.
  if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return;
  for (const TClassicKey& k : kClassicKeys) {
    if (key != k.Key) continue;
    // The key goes no further, so the list does not see it.
    key = 0;
    if (KeyRepeat() && !k.WhileHeld) return;
    // The button's own handler with the button as sender, as a click on it would run.
    (this->*k.Click)(this->*k.Button);
    return;
  }
}
