// SPDX-License-Identifier: MIT
// How many screen pixels the SDL2 window gives each of the program's pixels on a HiDPI screen.
//
// The program draws, lays out and hit-tests at one size; a window of scale N shows each of its
// pixels as an N x N block of the screen's. The desktop says which scale it wants: MIRA_SCALE
// (1 to 4) decides when it is set; otherwise GDK_SCALE (a whole number of 1 or more); otherwise the
// X resource Xft.dpi (288 or more gives 3, 192 or more gives 2); otherwise 1.
#pragma once

#include <string>

struct TWindowScale {
  int Scale = 1;
  // MIRA_SCALE chose it: the user asked for exactly this, so it is kept even where the window then
  // does not fit the screen. An automatic choice gives way to the screen's size (FitToScreen).
  bool Explicit = false;
  // A line for standard error about a MIRA_SCALE that could not be used (empty when none).
  std::string Complaint;
};

// The largest scale that is asked for. Beyond it a window of the program's size no longer fits any
// screen made today.
constexpr int kMaxWindowScale = 4;

// Chooses from the values of MIRA_SCALE and GDK_SCALE (nullptr: not set) and the X server's
// resource string (the root window's RESOURCE_MANAGER, nullptr when it has none).
TWindowScale ChooseWindowScale(const char* miraScale, const char* gdkScale, const char* xResources);

// Chooses from this process's environment and, where that does not decide, the resources of the X
// server named by DISPLAY, read on a short connection of its own.
TWindowScale WindowScaleFromDesktop();

// `scale`, made smaller where needed so that a `width` x `height` window fits a screen of
// `screenWidth` x `screenHeight` (never below 1); unchanged when the screen's size is unknown (0).
int FitToScreen(int scale, int width, int height, int screenWidth, int screenHeight);
