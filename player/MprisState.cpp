// SPDX-License-Identifier: MIT
// The player's state as the desktop's player controls see it, and the changes they may make.
#include "MprisState.h"

#include "TMainForm.h"
#include "TrackFiles.h"
#include "Trunc.h"

#include <cmath>

namespace {

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

// The length of the valid UTF-8 sequence that starts at s[i], or 0 when none does.
size_t Utf8Sequence(const std::string& s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  size_t n;
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string BusText(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 0) {
      ++i;
    } else if (const size_t n = Utf8Sequence(bytes, i)) {
      text.append(bytes, i, n);
      i += n;
    } else {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
      ++i;
    }
  }
  return text;
}

std::string FileUrl(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const unsigned char c : path) {
    if (Unreserved(c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

TMprisState MprisStateOf(const TMainForm& form) {
  TMprisState s;
  s.PlaybackStatus = !form.Playing ? "Stopped" : form.Paused ? "Paused" : "Playing";
  s.LoopStatus = form.Repeat ? "Track" : "None";
  s.Shuffle = form.Shuffle;
  s.Volume = Trunc(form.Volume) / 100.0;
  s.CanPlay = form.TrackCount > 0;
  if (form.CurrentTrack >= 0 && form.CurrentTrack < form.TrackCount) {
    const TrackEntry& entry = form.TrackTable[form.CurrentTrack];
    s.Track = form.CurrentTrack;
    // The name the caption shows.
    s.Title = BusText(entry.Title.empty() ? entry.FileName : entry.Title);
    // A negative length is the library's error; the caption then shows no real length either.
    const int64_t seconds = int64_t{form.LengthMinutes} * 60 + form.LengthSeconds;
    s.LengthUs = form.LengthSeconds < 0 ? -1 : seconds * 1000000;
    s.Url = FileUrl(TrackFiles::TrackPath(entry.FileName));
  }
  return s;
}

std::vector<std::string> ChangedMprisProperties(const TMprisState& before, const TMprisState& after) {
  std::vector<std::string> names;
  if (before.PlaybackStatus != after.PlaybackStatus) names.emplace_back("PlaybackStatus");
  if (before.LoopStatus != after.LoopStatus) names.emplace_back("LoopStatus");
  if (before.Shuffle != after.Shuffle) names.emplace_back("Shuffle");
  if (before.Volume != after.Volume) names.emplace_back("Volume");
  if (before.Track != after.Track || before.Title != after.Title || before.LengthUs != after.LengthUs ||
      before.Url != after.Url)
    names.emplace_back("Metadata");
  if (before.CanPlay != after.CanPlay) {
    for (const char* name : {"CanPlay", "CanPause", "CanGoNext", "CanGoPrevious"}) names.emplace_back(name);
  }
  return names;
}

void MprisPlayPause(TMainForm& form) {
  if (form.Playing && !form.Paused)
    form.Button_PauseClick(form.Button_Pause);
  else
    form.Button_PlayClick(form.Button_Play);
}

void MprisSetShuffle(TMainForm& form, bool on) {
  if (form.Shuffle != on) form.Button_ShuffleClick(form.Button_Shuffle);
}

TResult<void> MprisSetLoopStatus(TMainForm& form, const std::string& status) {
  bool repeat;
  if (status == "Track")
    repeat = true;
  else if (status == "None" || status == "Playlist")
    repeat = false;
  else
    return Fail("unknown loop status \"" + status + "\" (None, Track or Playlist)");
  if (form.Repeat != repeat) form.Button_RepeatClick(form.Button_Repeat);
  return {};
}

TResult<void> MprisSetVolume(TMainForm& form, double volume) {
  if (std::isnan(volume)) return Fail("the volume is not a number");
  const double clamped = volume < 0.0 ? 0.0 : volume > 1.0 ? 1.0 : volume;
  form.SetVolumePercent(static_cast<int>(std::lround(clamped * 100.0)));
  return {};
}
