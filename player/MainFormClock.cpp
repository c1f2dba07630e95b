// SPDX-License-Identifier: MIT
// The elapsed-time clock, the end-of-track test, and the caption with the title and length.
#include "TMainForm.h"

#include "audio/TSndEntryTable.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

std::string FormatLength(int32_t minutes, int32_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes, seconds);
  return text;
}

// The clock counts in floats that hold whole numbers, so they print without decimals.
std::string FormatClock(float minutes, float seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%02.0f:%02.0f", double(minutes), double(seconds));
  return text;
}

// Whole seconds of a length, cut toward zero. A library answer that is no number or lies outside
// what the clock can count is treated like an error result, -1 second: shown, but never reached.
int32_t WholeSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= double(INT_MIN) || seconds >= double(INT_MAX)) return -1;
  return static_cast<int32_t>(seconds);
}

}  // namespace

void TMainForm::ShowTrackInfo(int32_t index) {
  const TSndEntryTable& snd = SndTable();
  double seconds;
  if (StreamMode == 0) {
    const uint32_t bytes = snd.snd_music_get_length(MusicHandle, 1);
    seconds = snd.snd_channel_bytes_to_seconds(MusicHandle, uint64_t(bytes));
  } else {
    const uint64_t bytes = snd.snd_stream_get_length(StreamHandle);
    seconds = snd.snd_channel_bytes_to_seconds(StreamHandle, bytes);
  }
  const int32_t s = WholeSeconds(seconds);
  LengthMinutes = s / 60;
  LengthSeconds = s % 60;
  const std::string lengthText = FormatLength(LengthMinutes, LengthSeconds);

  PosMinutes = 0.0f;
  PosSeconds = 0.0f;
  PosText = FormatClock(PosMinutes, PosSeconds);
  Label_Pos->SetCaption(PosText);

  const TrackEntry& entry = TrackTable[index];
  const std::string& name = entry.Title.empty() ? entry.FileName : entry.Title;
  Scroller->SetText(name + " <" + lengthText + ">");
}

void TMainForm::TimerTimer(TObject* sender) {
  if (!Playing) {
    PosText = "00:00";
  } else if (Paused) {
    PosText = FormatClock(PosMinutes, PosSeconds);
  } else {
    if (PosSeconds >= 59.0f) {
      PosMinutes += 1.0f;
      PosSeconds = 0.0f;
    } else {
      PosSeconds += 1.0f;
    }
    // The end of a track is decided by this count, not by the library. A length the count never
    // meets (zero or negative) leaves the track to run until the user acts.
    if (float(LengthSeconds) == PosSeconds && float(LengthMinutes) == PosMinutes) AdvanceAtTrackEnd(sender);
    PosText = FormatClock(PosMinutes, PosSeconds);
  }
  Label_Pos->SetCaption(PosText);
}
