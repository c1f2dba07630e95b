// SPDX-License-Identifier: MIT
// The program entry: a real window, the application title, the main window and the message loop.
#include "TMainForm.h"

#include "backends/sdl2/Sdl2Backend.h"
#include "components/TApplication.h"

int main() {
  // Without a window there is nothing to play into: this prints the reason and ends with status 1
  // before anything else runs.
  Application.OpenBackend(CreateSdl2Backend);
  Application.Initialize();
  Application.SetTitle("mira.nol");
  Application.CreateForm<TMainForm>("MainForm");
  Application.Run();
  return 0;
}
