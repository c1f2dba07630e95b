// SPDX-License-Identifier: MIT
// A main window on the headless backend with the fake sound library, in a collection folder of its own.
#pragma once

#include "FakeSndLib.h"
#include "TMainForm.h"

#include "backends/headless/HeadlessBackend.h"
#include "components/TApplication.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Each case gets a fresh application, a fresh fake library, and an empty temporary folder that is
// the current directory while the case runs; WritePlayList puts data/play.lst there.
class PlayerTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Writes data/play.lst with exactly these bytes.
  void WritePlayListBytes(const std::string& bytes);
  // Writes data/play.lst from lines joined with LF.
  void WritePlayList(const std::vector<std::string>& lines);
  // A playlist of `count` modules t0.xm .. t<count-1>.xm titled T0 .. T<count-1>.
  void WriteTracks(int count);
  // Creates the main window as the program does (construction, then its creation handler).
  TMainForm& Start();
  // Shows the window, as the message loop does before it runs.
  void Show();
  // Advances the manual clock by whole clock ticks (1000 ms each at normal speed).
  void Ticks(int count);

  // The path LoadTrack builds for a file name.
  std::string PathOf(const std::string& fileName) const;
  std::vector<std::string> Calls() { return TFakeSndLib::Instance().TakeCalls(); }
  TFakeSndLib& Fake() { return TFakeSndLib::Instance(); }
  // The lines of the list that are selected.
  std::vector<int> SelectedLines() const;

  THeadlessBackend* Backend = nullptr;
  TMainForm* Form = nullptr;
  std::filesystem::path Root;

private:
  std::filesystem::path FOldCwd;
};

using TCalls = std::vector<std::string>;

// What LoadTrack asks of the library before it opens a new file, in its order: both kinds are
// stopped and freed, whichever played last, and the output is started.
TCalls ReleaseCalls(uint32_t music, uint32_t stream);
// The calls before the first one that starts with `prefix` (all of them when none does).
TCalls CallsBefore(const TCalls& calls, const std::string& prefix);
