// SPDX-License-Identifier: MIT
// mira.nol skin generator: draws every picture of the main window and the application icon.
//
// Usage: mira-skingen <art folder>. The pictures it writes are committed, so the build never runs this;
// run it again (`cmake --build <dir> --target skin-art`) after changing the drawing code and commit the
// new files.
#include <cstdio>
#include <exception>
#include <string>

#include "TSkinArt.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <art folder>\n", argv[0]);
    return 2;
  }
  try {
    for (const std::string& name : TSkinArt::WriteAll(argv[1])) std::printf("%s\n", name.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
