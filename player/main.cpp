// SPDX-License-Identifier: MIT
// The program entry: a real window, the application title, the main window and the message loop.
#include "CommandLine.h"
#include "TMainForm.h"
#include "TMprisService.h"

#include "backends/sdl2/Sdl2Backend.h"
#include "components/TApplication.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  // --help, --version and a line the program does not take end here, before any window or library
  // is touched.
  std::vector<std::string> names;
  if (const std::optional<int> status = RunCommandLine(argc, argv, stdout, stderr, &names)) return *status;
  // What to play instead of the collection in the current folder, read once the library is loaded.
  TMainForm::StartupNames = std::move(names);
  // Without a window there is nothing to play into: the reason goes to standard error and the
  // program ends with status 1 before anything else runs.
  if (TResult<void> opened = Application.OpenBackend(CreateSdl2Backend); !opened) {
    std::fprintf(stderr, "mira.nol: cannot open a window: %s\n", opened.Error().c_str());
    return 1;
  }
  Application.HandleEndSignals();
  Application.Initialize();
  Application.SetTitle("mira.nol");
  auto* form = Application.CreateForm<TMainForm>("MainForm");
  // The desktop's player controls, once the first track plays. Without a session bus (or with one
  // that does not answer) the player runs without them, and says nothing about it.
  std::unique_ptr<TMprisService> desktop;
  if (form && !form->StartupFailed() && !Application.Terminated()) {
    if (TResult<std::unique_ptr<TMprisService>> service = TMprisService::Create(*form))
      desktop = std::move(service).Value();
  }
  // However the loop ends (Quit, the window closed or destroyed, a signal, the display gone), the
  // program's own objects go in order, threads first, before the static ones are destroyed.
  const int status = Application.Run();
  // The bus goes before the window whose state it shows.
  desktop.reset();
  Application.Shutdown();
  return status;
}
