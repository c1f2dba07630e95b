// SPDX-License-Identifier: MIT
// Start-up of the main window (sound library, playlist, list hook, first track) and Quit.
#include "TMainForm.h"

#include "TrackFiles.h"

#include "audio/AudioLibrary.h"
#include "components/TApplication.h"

#include <cmath>

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnDropFiles = [this](TObject* sender, const std::vector<std::string>& files, const std::vector<std::string>& others) {
    FormDropFiles(sender, files, others);
  };
  FShuffle.Seed(1);
  if (TResult<void> layout = CreateLayout(); !layout) {
    EndStartup(layout.Error().c_str());
    return;
  }

  // The handle is the window's identity for the library; asking for it creates the (hidden) window.
  const uintptr_t window = Handle();
  // Without a window (the reason is on standard error) nothing may start: the program ends.
  if (Application.Terminated() || Application.EnsureBackend().ConnectionLost()) {
    StopStartup();
    return;
  }
  if (const char* message = LoadAudioLibrary(reinterpret_cast<void*>(window))) {
    EndStartup(message);
    return;
  }
  ReadPlayList();
}

TMainForm::~TMainForm() = default;

void TMainForm::StopStartup() {
  // The timers run from the moment the layout made them. Stopping them before any message box
  // appears means no tick can reach a library that was not loaded or initialised.
  FStartupFailed = true;
  // A layout that failed may have made some of them, or none.
  for (TTimer* timer : {Timer, Eye_Timer, StartTimer})
    if (timer) timer->SetEnabled(false);
}

void TMainForm::EndStartup(const char* message) {
  StopStartup();
  Application.MessageBox(message);
  // The window was never shown and never will be: the message loop returns at once, status 0.
  Application.Terminate();
}

void TMainForm::ReadPlayList() {
  if (!StartupNames.empty()) {
    ReadNamedTracks();
    return;
  }
  TResult<TPlayList> list = ReadCollectionPlayList();
  if (!list) {
    EndStartup(kPlayListMissing);
    return;
  }
  TrackTable = std::move(list->TrackTable);
  TrackCount = list->TrackCount;
}

void TMainForm::FormCreate(TObject* /*sender*/) {
  if (FStartupFailed) return;
  List_Tracks->ShowScrollBar(sbBoth, false);
  OldListProc = List_Tracks->WindowProc();
  List_Tracks->SetWindowProc([this](TMessage& message) { ListWndProc(message); });
  // The window's keys work whatever control has the focus, so the form sees them first.
  SetKeyPreview(true);
  OnKeyDown = [this](TObject* sender, uint16_t& key, TShiftState shift) { FormKeyDown(sender, key, shift); };
  // The eyes' decay per tick, from the start timer's interval. The power is about 4.5e-101, which
  // a single float holds as 0.0: the eyes drop at once to each new level.
  const double interval = StartTimer->Interval();
  EyeDecay = static_cast<float>(std::pow(0.5, 1.0 / ((1.0 / interval) * 0.15)));
  StartPlayer();
}

void TMainForm::StartPlayer() {
  CurrentTrack = 0;
  // An empty playlist starts nothing; the window still opens, with an empty list.
  if (TrackCount > 0) {
    StreamMode = TrackFiles::EntryIsStream(TrackTable[0]) ? 1 : 0;
    LoadTrack(0);
  }
  for (int32_t i = 0; i < TrackCount; ++i) List_Tracks->Items().Add(TrackTable[i].Title);
  StartSpectrum();
  // Titles still to come from tags are read now that the first track plays.
  StartTitleReader();
}

void TMainForm::ListWndProc(TMessage& message) {
  // The skin's thumb stands in for the list's own scroll bar, which must never show: it is hidden
  // on every message the list gets. The list decides again whether it needs one whenever its
  // lines or size change, so it is hidden once more after such a message has been handled.
  List_Tracks->ShowScrollBar(sbBoth, false);
  OldListProc(message);
  List_Tracks->ShowScrollBar(sbBoth, false);
}

void TMainForm::Button_QuitClick(TObject* /*sender*/) {
  // Both kinds are freed whatever played last; a stale or zero handle is refused by the library.
  SndTable().snd_music_free(MusicHandle);
  SndTable().snd_stream_free(StreamHandle);
  SndTable().snd_stop();
  Close();
}
