// SPDX-License-Identifier: MIT
// Hands the sndlib.so image built into the program to the loader, as soon as the program starts.
#include "audio/AudioLibrary.h"

#include "mira_sndlib_so.h"

namespace {

// Runs during static initialisation, before main, so LoadAudioLibrary(window) always finds the image.
const bool kRegistered = [] {
  RegisterAudioLibraryImage({mira_sndlib_so, mira_sndlib_so_size});
  return true;
}();

}  // namespace
