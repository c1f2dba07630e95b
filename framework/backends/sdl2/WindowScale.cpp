// SPDX-License-Identifier: MIT
// The window's scale, from the environment and the X server's resources.
#include "WindowScale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A whole decimal number and nothing else (spaces around it allowed); false for anything else,
// including numbers too large for an int.
bool ParseWhole(const char* text, int& value) {
  if (!text) return false;
  errno = 0;
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || n < INT_MIN || n > INT_MAX) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  value = static_cast<int>(n);
  return true;
}

bool GdkScaleSet(const char* gdkScale) {
  int n = 0;
  return ParseWhole(gdkScale, n) && n >= 1;
}

// Xft.dpi from a resource string: a positive number, possibly with a fraction ("96", "192.0");
// 0 when it is missing or not a number.
double DpiOf(const char* resources) {
  if (!resources || !*resources) return 0;
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  if (!database) return 0;
  double dpi = 0;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    // The value's text as stored, which need not end where the value does.
    const std::string text(value.addr,
                           value.size > 0 && value.addr[value.size - 1] == '\0' ? value.size - 1 : value.size);
    char* end = nullptr;
    const double n = std::strtod(text.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end != text.c_str() && end && *end == '\0' && std::isfinite(n) && n > 0) dpi = n;
  }
  XrmDestroyDatabase(database);
  return dpi;
}

}  // namespace

TWindowScale ChooseWindowScale(const char* miraScale, const char* gdkScale, const char* xResources) {
  TWindowScale out;
  // An empty variable is one that is not set, as the shells' "MIRA_SCALE= mira.nol" means it.
  if (miraScale && *miraScale) {
    int n = 0;
    if (ParseWhole(miraScale, n) && n >= 1 && n <= kMaxWindowScale) {
      out.Scale = n;
      out.Explicit = true;
      return out;
    }
    out.Complaint = std::string("MIRA_SCALE=\"") + miraScale + "\" is not a whole number from 1 to " +
                    std::to_string(kMaxWindowScale) + "; the scale is chosen as without it";
  }
  // GDK_SCALE is the desktop's setting for every program, so one that makes no sense is passed
  // over, as the toolkit it belongs to does.
  if (GdkScaleSet(gdkScale)) {
    int gdk = 1;
    ParseWhole(gdkScale, gdk);
    out.Scale = gdk > kMaxWindowScale ? kMaxWindowScale : gdk;
    return out;
  }
  const double dpi = DpiOf(xResources);
  out.Scale = dpi >= 288 ? 3 : dpi >= 192 ? 2 : 1;
  return out;
}

TWindowScale WindowScaleFromDesktop() {
  const char* mira = std::getenv("MIRA_SCALE");
  const char* gdk = std::getenv("GDK_SCALE");
  const TWindowScale chosen = ChooseWindowScale(mira, gdk, nullptr);
  // The resources are only asked for when the environment did not decide.
  if (chosen.Explicit || GdkScaleSet(gdk)) return chosen;
  // A busy X server refuses a few of many quick connections for a moment.
  Display* display = nullptr;
  for (int attempt = 0; attempt < 3 && !display; ++attempt) {
    if (attempt > 0) usleep(50 * 1000);
    display = XOpenDisplay(nullptr);
  }
  if (!display) return chosen;
  const TWindowScale fromServer = ChooseWindowScale(mira, gdk, XResourceManagerString(display));
  XCloseDisplay(display);
  return fromServer;
}

int FitToScreen(int scale, int width, int height, int screenWidth, int screenHeight) {
  if (screenWidth <= 0 || screenHeight <= 0) return scale;
  while (scale > 1 && (width * scale > screenWidth || height * scale > screenHeight)) --scale;
  return scale;
}
