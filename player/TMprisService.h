// SPDX-License-Identifier: MIT
// The player on the session bus as a desktop media player (MPRIS 2): what plays, and remote control.
#pragma once

#include "base/TResult.h"

#include <memory>
#include <string>

class TMainForm;

// The desktop's player controls (a panel's media widget, media keys, playerctl) see the player under
// org.mpris.MediaPlayer2.mira_nol, or org.mpris.MediaPlayer2.mira_nol.instance<pid> when another
// player already holds that name. Every method runs the handler of the matching button, so a remote
// press and a click never differ.
//
// Threads: everything runs on the window thread. The bus connection is one more descriptor the
// message loop watches (TBackend::WatchDescriptor); property changes are announced once a turn,
// before the loop waits (TApplication::OnIdle). While a message box is up, methods and property
// writes are refused with the error nol.mira.player.Error.Busy and change nothing; reads answer.
//
// A bus that goes away, or stops answering, is let go of silently: the player goes on without it.
class TMprisService {
public:
  // Connects to the session bus and takes the player's name, or fails saying why (no bus, no name,
  // or a build without bus support). Call once start-up has finished: the form plays its first
  // track and the backend exists.
  static TResult<std::unique_ptr<TMprisService>> Create(TMainForm& form);
  ~TMprisService();
  TMprisService(const TMprisService&) = delete;
  TMprisService& operator=(const TMprisService&) = delete;

  // The well-known name taken on the bus.
  const std::string& BusName() const;
  // False once the bus was let go of (it went away or failed).
  bool Connected() const;

  struct TImpl;

private:
  explicit TMprisService(std::unique_ptr<TImpl> impl);
  std::unique_ptr<TImpl> FImpl;
};
