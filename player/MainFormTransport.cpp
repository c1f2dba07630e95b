// SPDX-License-Identifier: MIT
// Loading tracks and the transport: play, pause and resume, stop, previous, next, mute, shuffle, repeat.
#include "TMainForm.h"

#include "TrackFiles.h"
#include "Trunc.h"

#include "audio/TSndEntryTable.h"
#include "platform/ProblemReport.h"

#include <string>

namespace {

// Both kinds are scanned at load, because the caption shows the play length; modules also ramp
// their volume against clicks.
constexpr uint32_t kMusicLoadFlags = SND_MUSIC_PRESCAN | SND_MUSIC_RAMP;
constexpr uint32_t kStreamCreateFlags = SND_STREAM_PRESCAN;

// The keys of the list that start the selected track.
constexpr char kEnterKey = '\r';
constexpr char kSpaceKey = ' ';

// What the library's codes for a refused file mean, in the words of its header.
const char* RefusalMeaning(int32_t code) {
  switch (code) {
    case SND_ERROR_FILE_OPEN: return "missing, a folder, or unreadable";
    case SND_ERROR_FILE_FORMAT: return "empty, or not a format it plays";
    case SND_ERROR_FILE_CORRUPT: return "recognised, but broken";
    case SND_ERROR_MEM: return "out of memory, or larger than 1 GiB";
    case SND_ERROR_NOT_INIT: return "no sound output was started";
    case SND_ERROR_NO_CHANNEL: return "too many channels";
    default: return nullptr;
  }
}

// The player carries on with handle 0 and the caption shows no length; standard error tells why.
void ReportRefusedTrack(const std::string& path, int32_t code) {
  std::string text = "the sound library refused " + path + ": error " + std::to_string(code);
  if (const char* meaning = RefusalMeaning(code)) text += std::string(" (") + meaning + ")";
  ReportProblem(text);
}

}  // namespace

uint32_t TMainForm::Channel() const { return StreamMode == 0 ? MusicHandle : StreamHandle; }

void TMainForm::LoadTrack(int32_t index) {
  const TSndEntryTable& snd = SndTable();

  // Resuming reads CurrentTrack, not the index: every caller stores the wanted track there first.
  if (Paused && CurrentTrack == PausedTrack) {
    snd.snd_channel_resume(Channel());
    Paused = false;
    return;
  }
  if (index < 0 || index >= TrackCount) return;

  // A title still waiting for its tags is read now, so the caption shows the right one.
  if (TrackTable[index].TitlePending) FillTitle(index);
  const std::string path = TrackFiles::EntryPath(TrackTable[index]);

  // Whichever kind played last, both are released; the library refuses the stale one harmlessly.
  // Output is restarted in case Stop halted it.
  snd.snd_channel_stop(MusicHandle);
  snd.snd_music_free(MusicHandle);
  snd.snd_stream_free(StreamHandle);
  snd.snd_channel_stop(StreamHandle);
  snd.snd_start();
  // A real load ends any pause: the paused channel is gone, and a later Play on the paused title
  // must start it anew rather than resume a channel that no longer belongs to it.
  Paused = false;

  uint32_t handle;
  if (!TrackFiles::EntryIsStream(TrackTable[index])) {
    MusicHandle = snd.snd_music_load(0, path.c_str(), 0, 0, kMusicLoadFlags);
    // The code is the calling thread's, and the next call replaces it: it is read at once.
    if (MusicHandle == 0u) ReportRefusedTrack(path, snd.snd_error_get_code());
    Playing = true;
    StreamMode = 0;
    ShowTrackInfo(index);
    snd.snd_music_play_ex(MusicHandle, 0, -1, 1);
    handle = MusicHandle;
  } else {
    StreamMode = 1;
    StreamHandle = snd.snd_stream_create_file(0, path.c_str(), 0, 0, kStreamCreateFlags);
    if (StreamHandle == 0u) ReportRefusedTrack(path, snd.snd_error_get_code());
    Playing = true;
    ShowTrackInfo(index);
    snd.snd_stream_play(StreamHandle, 0, 0);
    handle = StreamHandle;
  }
  // Muting acts on the output volume only; the channel always gets the slider's volume.
  snd.snd_set_volume(Muted ? 0u : static_cast<uint32_t>(Trunc(Volume)));
  snd.snd_channel_set_attributes(handle, Frequency, Trunc(Volume), Trunc(Panning));
  CurrentTrack = index;
}

void TMainForm::Button_PlayClick(TObject* /*sender*/) {
  if (TrackCount == 0) return;
  Playing = true;
  CurrentTrack = List_Tracks->ItemIndex();
  if (CurrentTrack == -1) {
    CurrentTrack = 0;
    List_Tracks->SetSelected(0, true);
  }
  LoadTrack(CurrentTrack);
}

void TMainForm::List_TracksDblClick(TObject* sender) { Button_PlayClick(sender); }

void TMainForm::List_TracksKeyPress(TObject* sender, char& key) {
  // The key goes on to the list unchanged.
  if (key == kEnterKey || key == kSpaceKey) Button_PlayClick(sender);
}

void TMainForm::Button_PauseClick(TObject* /*sender*/) {
  if (!Playing) return;
  SndTable().snd_channel_pause(Channel());
  PausedTrack = CurrentTrack;
  Paused = true;
}

void TMainForm::Button_StopClick(TObject* /*sender*/) {
  const TSndEntryTable& snd = SndTable();
  if (StreamMode == 0) {
    snd.snd_channel_stop(MusicHandle);
    snd.snd_music_free(MusicHandle);
  } else {
    snd.snd_channel_stop(StreamHandle);
    snd.snd_stream_free(StreamHandle);
  }
  snd.snd_stop();
  Scroller->SetText(kCreditsLine);
  Playing = false;
  // The stopped channel is gone; nothing is left to resume.
  Paused = false;
}

void TMainForm::SelectOnly(int index) {
  const int count = List_Tracks->Count();
  for (int i = 0; i < count; ++i) List_Tracks->SetSelected(i, false);
  List_Tracks->SetSelected(index, true);
}

void TMainForm::Button_PrevClick(TObject* /*sender*/) {
  if (CurrentTrack < 0 || TrackCount == 0) return;
  Playing = true;
  --CurrentTrack;
  if (CurrentTrack == -1) CurrentTrack = List_Tracks->Count() - 1;
  SelectOnly(CurrentTrack);
  LoadTrack(CurrentTrack);
}

void TMainForm::Button_NextClick(TObject* /*sender*/) {
  if (List_Tracks->Count() <= CurrentTrack || TrackCount == 0) return;
  Playing = true;
  ++CurrentTrack;
  if (CurrentTrack > List_Tracks->Count() - 1) CurrentTrack = 0;
  SelectOnly(CurrentTrack);
  LoadTrack(CurrentTrack);
}

void TMainForm::Button_MuteClick(TObject* /*sender*/) {
  SndTable().snd_set_volume(Muted ? static_cast<uint32_t>(Trunc(Volume)) : 0u);
  Muted = !Muted;
}

void TMainForm::Button_ShuffleClick(TObject* /*sender*/) {
  if (Repeat) {
    Button_Repeat->Hide();
    Repeat = false;
  }
  Shuffle = !Shuffle;
}

void TMainForm::Button_RepeatClick(TObject* /*sender*/) {
  if (Shuffle) {
    Button_Shuffle->Hide();
    Shuffle = false;
  }
  Repeat = !Repeat;
}

void TMainForm::AdvanceAtTrackEnd(TObject* sender) {
  if (TrackCount == 0) return;
  if (Shuffle) {
    // Shuffle never picks the first two tracks of a longer list. With fewer than three tracks
    // there is no track 2, so the pick is taken as it falls.
    int32_t i = FShuffle.Next() % TrackCount;
    if (TrackCount >= 3 && i < 2) i = 2;
    List_Tracks->SetSelected(i, true);
    LoadTrack(i);
  } else if (Repeat) {
    Button_PlayClick(sender);
  } else {
    Button_NextClick(sender);
  }
}
