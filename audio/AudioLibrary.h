// SPDX-License-Identifier: MIT
// Writing out, loading and initialising the sound library, once at start-up.
#pragma once

#include "audio/TSndEntryTable.h"

#include <filesystem>
#include <optional>
#include <span>

// The library's file name, in every folder the loader looks in.
inline constexpr const char* kSndlibFileName = "sndlib.so";

// Where an installed program's library lies, relative to the folder of the program's executable:
// `cmake --install` and the Debian package put the program into bin/ and the library into
// lib/mira.nol/ below the same prefix.
#ifndef MIRA_SNDLIB_FROM_PROGRAM
#error "MIRA_SNDLIB_FROM_PROGRAM must name the installed library folder (audio/CMakeLists.txt passes it)"
#endif
inline constexpr const char* kInstalledSndlibFolder = MIRA_SNDLIB_FROM_PROGRAM;

// Where the loader writes and looks. Unset folders take the running system's: the installed library
// folder found from the executable's real location (kInstalledSndlibFolder), the folder of the
// executable, and the per-user library directory. An empty path stands for a folder that does not
// exist, so nothing is written or looked up there.
struct TAudioLibrarySetup {
  // The library's file image, written into the system folder before loading; empty writes nothing.
  std::span<const unsigned char> Image;
  std::optional<std::filesystem::path> InstalledFolder;
  std::optional<std::filesystem::path> ProgramFolder;
  std::optional<std::filesystem::path> SystemFolder;
};

// An installed program loads sndlib.so from its installed library folder and neither writes nor
// creates anything. Without a library there (a build folder, a copied executable), or when it does
// not load, the program carries its own: the image is written into the per-user library directory
// (to a temporary file renamed over sndlib.so, so a copy another running player has mapped stays
// intact; when the folder or file cannot be written, the write is skipped), and sndlib.so is loaded
// from the program's own folder or else that directory. Then the entry table is filled and output is
// initialised for the window, falling back to 22500 Hz or the no-sound device where the library asks
// for it.
// Returns null on success, or the message to show before the program ends. When no library loads,
// one line on standard error names every file tried and why it did not load; an installed library
// that exists but does not load is reported the same way even when the program's own copy is used.
// Called once, on the window thread, before any other call into the library.
// After SetEntryTableForTesting, nothing is written or loaded: only the initialisation runs, through
// the given table.
const char* LoadAudioLibrary(void* window);
// The same with the image and folders given, for tests that bring their own library.
const char* LoadAudioLibrary(void* window, const TAudioLibrarySetup& setup);

// True once a library was loaded and every entry point resolved (or a test table was set).
bool IsAudioLibraryLoaded();

// Makes the image that LoadAudioLibrary(window) writes out. The program's embedded sndlib.so
// registers itself through this when it is linked in (target mira_sndlib_image).
void RegisterAudioLibraryImage(std::span<const unsigned char> image);

// Fills the entry table with fakes; null entries become harmless stubs. Later calls of
// LoadAudioLibrary(window) then skip the file and the loading and only run the initialisation
// through these entries.
void SetEntryTableForTesting(const TSndEntryTable& table);
// Puts everything back as at process start: stubs in the table, no test table, and a loaded library
// unloaded again.
void ResetAudioLibraryForTesting();
