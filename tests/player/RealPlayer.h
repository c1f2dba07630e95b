// SPDX-License-Identifier: MIT
// The player started as the program starts it, with the real sound library, in a collection folder of its own.
#pragma once

#include "TMainForm.h"

#include "backends/headless/HeadlessBackend.h"

#include <filesystem>
#include <string>

// A fresh temporary folder that is the current directory while the object lives, with a data/
// folder for the collection and the per-user library folder inside it. The default audio driver
// cannot open (no such driver exists), so start-up falls back to the no-sound device, which still
// plays in real time. The sound library is initialised once per process, so a test program holds
// one of these at most once.
class TRealPlayer {
public:
  // `prefix` names the temporary folder, for finding it when a run is cut short.
  explicit TRealPlayer(const std::string& prefix);
  // Quits nothing: the test does what it means to check. Resets the application, goes back to the
  // previous current directory and removes the folder.
  ~TRealPlayer();
  TRealPlayer(const TRealPlayer&) = delete;
  TRealPlayer& operator=(const TRealPlayer&) = delete;

  const std::filesystem::path& Root() const { return FRoot; }
  // Copies one of the sound library's test files into data/ under `name`.
  void CopyFixture(const std::string& fixture, const std::string& name);
  // Writes `bytes` as data/`name`.
  void WriteData(const std::string& name, const std::string& bytes);

  // Creates the main window on the headless backend as the program does, and shows it. Fails the
  // test, naming the start-up message, and returns nullptr when start-up failed.
  TMainForm* Start();
  THeadlessBackend& Backend() { return *FBackend; }

private:
  std::filesystem::path FOldCwd;
  std::filesystem::path FRoot;
  THeadlessBackend* FBackend = nullptr;
};
