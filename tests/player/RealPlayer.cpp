// SPDX-License-Identifier: MIT
// The player started as the program starts it, with the real sound library, in a collection folder of its own.
#include "RealPlayer.h"

#include "audio/AudioLibrary.h"
#include "components/TApplication.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdlib.h>

namespace fs = std::filesystem;

TRealPlayer::TRealPlayer(const std::string& prefix) : FOldCwd(fs::current_path()) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "no temporary folder " << pattern;
  FRoot = fs::canonical(pattern);
  fs::create_directories(FRoot / "data");
  fs::current_path(FRoot);
  setenv("XDG_CACHE_HOME", (FRoot / "cache").c_str(), 1);
  setenv("SDL_AUDIODRIVER", "mira-no-such-driver", 1);
}

TRealPlayer::~TRealPlayer() {
  Application.Reset();
  fs::current_path(FOldCwd);
  std::error_code ignored;
  fs::remove_all(FRoot, ignored);
}

void TRealPlayer::CopyFixture(const std::string& fixture, const std::string& name) {
  fs::copy_file(fs::path(MIRA_SNDLIB_FIXTURES) / fixture, FRoot / "data" / name);
}

void TRealPlayer::WriteData(const std::string& name, const std::string& bytes) {
  std::ofstream out(FRoot / "data" / name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TMainForm* TRealPlayer::Start() {
  ResetAudioLibraryForTesting();
  Application.Reset();
  auto owned = std::make_unique<THeadlessBackend>();
  FBackend = owned.get();
  Application.SetBackend(std::move(owned));
  Application.SetTitle("mira.nol");
  TMainForm* form = Application.CreateForm<TMainForm>("MainForm");
  if (!form || Application.Terminated()) {
    ADD_FAILURE() << "start-up failed: " << (FBackend->MessageBoxes().empty() ? "" : FBackend->MessageBoxes()[0].Text);
    return nullptr;
  }
  form->Show();
  Application.ProcessMessages();
  return form;
}
