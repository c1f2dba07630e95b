// SPDX-License-Identifier: MIT
// Tracks named on the command line or dropped on the window, and their titles read from their tags.
#include "TMainForm.h"

#include "TrackFiles.h"
#include "TrackSources.h"
#include "TrackTitles.h"

#include "platform/ProblemReport.h"

namespace {

// How often the list takes in the titles the reader has found: often enough to see them come, rarely
// enough to cost nothing while they do.
constexpr uint32_t kTitleInterval = 100;

}  // namespace

void TMainForm::ReadNamedTracks() {
  std::vector<TrackEntry> tracks = TrackSources::Gather(StartupNames, ReportProblem);
  if (tracks.empty()) {
    // Each name has had its line on standard error; the box says there is nothing to play at all.
    EndStartup(kPlayListMissing);
    return;
  }
  TrackTable = std::move(tracks);
  TrackCount = static_cast<int32_t>(TrackTable.size());
}

void TMainForm::FormDropFiles(TObject* /*sender*/, const std::vector<std::string>& files,
                              const std::vector<std::string>& others) {
  if (FStartupFailed) return;
  for (const std::string& other : others) ReportProblem("dropped '" + other + "' is not a file on this computer");
  if (files.empty()) {
    ReportProblem("nothing dropped was a file on this computer; the list stays as it was");
    return;
  }
  std::vector<TrackEntry> tracks = TrackSources::Gather(files, ReportProblem);
  if (tracks.empty()) {
    ReportProblem("nothing dropped can be played; the list stays as it was");
    return;
  }
  StopTitleReader();
  TrackTable = std::move(tracks);
  TrackCount = static_cast<int32_t>(TrackTable.size());
  // The paused channel belongs to the list that is gone: the new first track starts afresh, never
  // resumes it.
  Paused = false;
  List_Tracks->Items().Clear();
  for (int32_t i = 0; i < TrackCount; ++i) List_Tracks->Items().Add(TrackTable[i].Title);
  // As a double-click on the first line: the press selects it, the double-click plays it.
  SelectOnly(0);
  List_TracksDblClick(List_Tracks);
  StartTitleReader();
}

void TMainForm::ApplyTitle(int32_t index, const std::string& title) {
  if (index < 0 || index >= TrackCount || !TrackTable[index].TitlePending) return;
  TrackTable[index].TitlePending = false;
  // Without a title of its own the track keeps the one its file name gave.
  if (title.empty()) return;
  TrackTable[index].Title = title;
  if (index < List_Tracks->Count()) List_Tracks->Items().Put(index, title);
}

void TMainForm::FillTitle(int32_t index) {
  if (index < 0 || index >= TrackCount || !TrackTable[index].TitlePending) return;
  ApplyTitle(index, TrackTitles::FromTags(TrackFiles::EntryPath(TrackTable[index])));
}

void TMainForm::StartTitleReader() {
  std::vector<std::pair<int32_t, std::string>> files;
  for (int32_t i = 0; i < TrackCount; ++i)
    if (TrackTable[i].TitlePending) files.emplace_back(i, TrackFiles::EntryPath(TrackTable[i]));
  if (files.empty()) return;
  FTitleReader = std::make_unique<TTitleReader>(std::move(files));
  if (!FTitleTimer) {
    FTitleTimer = &Add<TTimer>("TitleTimer");
    FTitleTimer->OnTimer = [this](TObject* sender) { TitleTimerTimer(sender); };
  }
  FTitleTimer->SetInterval(kTitleInterval);
  FTitleTimer->SetEnabled(true);
}

void TMainForm::StopTitleReader() {
  FTitleReader.reset();
  if (FTitleTimer) FTitleTimer->SetEnabled(false);
}

void TMainForm::TitleTimerTimer(TObject* /*sender*/) {
  if (!FTitleReader) return;
  for (const TTitleReader::TTitle& title : FTitleReader->Take()) ApplyTitle(title.Index, title.Title);
  if (FTitleReader->Done()) StopTitleReader();
}
