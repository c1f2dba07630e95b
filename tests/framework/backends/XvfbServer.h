// SPDX-License-Identifier: MIT
// A private virtual X server for one test process: started on a free display, killed by its PID.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class TXvfbServer {
public:
  TXvfbServer() = default;
  TXvfbServer(const TXvfbServer&) = delete;
  TXvfbServer& operator=(const TXvfbServer&) = delete;
  ~TXvfbServer() { Stop(); }

  // Finds the Xvfb program on PATH; empty if it is not installed.
  static std::string FindProgram();

  // Starts Xvfb on a free display number in 40..99 with one screen of `screen` (width x height x
  // depth; kept across clients coming and going, so tests can connect one after another) and the
  // further options `extra`, waits until it accepts connections and points DISPLAY at it. Returns
  // false and a reason otherwise.
  bool Start(std::string& error, const std::string& screen = "1024x768x24", const std::vector<std::string>& extra = {});
  // Ends the server this object started (by its PID) and waits for it.
  void Stop();

  bool Running() const { return FPid > 0; }
  const std::string& Display() const { return FDisplay; }
  pid_t Pid() const { return FPid; }

private:
  pid_t FPid = -1;
  std::string FDisplay;
};
