// SPDX-License-Identifier: MIT
// A main window on the headless backend with the fake sound library, in a collection folder of its own.
#include "PlayerFixture.h"

#include "audio/AudioLibrary.h"

#include <fstream>
#include <stdlib.h>

namespace fs = std::filesystem;

void PlayerTest::SetUp() {
  FOldCwd = fs::current_path();
  std::string pattern = (fs::temp_directory_path() / "mira-player-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  Root = fs::canonical(pattern);
  fs::create_directory(Root / "data");
  fs::current_path(Root);

  Application.Reset();
  auto backend = std::make_unique<THeadlessBackend>();
  Backend = backend.get();
  Application.SetBackend(std::move(backend));
  Application.SetTitle("mira.nol");
  TFakeSndLib::Install();
}

void PlayerTest::TearDown() {
  Application.Reset();
  TMainForm::StartupNames.clear();
  ResetAudioLibraryForTesting();
  fs::current_path(FOldCwd);
  std::error_code ignored;
  fs::remove_all(Root, ignored);
}

void PlayerTest::WritePlayListBytes(const std::string& bytes) {
  std::ofstream out(Root / "data" / "play.lst", std::ios::binary | std::ios::trunc);
  out << bytes;
}

void PlayerTest::WritePlayList(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\n";
  WritePlayListBytes(bytes);
}

void PlayerTest::WriteTracks(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    lines.push_back("t" + std::to_string(i) + ".xm");
    lines.push_back("T" + std::to_string(i));
  }
  WritePlayList(lines);
}

TMainForm& PlayerTest::Start() {
  Form = Application.CreateForm<TMainForm>("MainForm");
  EXPECT_NE(Form, nullptr);
  return *Form;
}

void PlayerTest::Show() {
  Form->Show();
  Application.ProcessMessages();
}

void PlayerTest::Ticks(int count) {
  for (int i = 0; i < count; ++i) Backend->Advance(1000);
}

std::string PlayerTest::PathOf(const std::string& fileName) const { return (Root / "data" / fileName).string(); }

std::vector<int> PlayerTest::SelectedLines() const {
  std::vector<int> lines;
  for (int i = 0; i < Form->List_Tracks->Count(); ++i)
    if (Form->List_Tracks->Selected(i)) lines.push_back(i);
  return lines;
}

TCalls ReleaseCalls(uint32_t music, uint32_t stream) {
  const std::string m = std::to_string(music), s = std::to_string(stream);
  return {"snd_channel_stop(" + m + ")", "snd_music_free(" + m + ")", "snd_stream_free(" + s + ")",
          "snd_channel_stop(" + s + ")", "snd_start()"};
}

TCalls CallsBefore(const TCalls& calls, const std::string& prefix) {
  TCalls before;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) break;
    before.push_back(call);
  }
  return before;
}
