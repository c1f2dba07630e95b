// SPDX-License-Identifier: MIT
// A private virtual X server for one test process: started on a free display, killed by its PID.
#include "XvfbServer.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// The PID written into the display's lock file by the server that holds the number.
pid_t LockOwner(const std::string& number) {
  std::ifstream lock("/tmp/.X" + number + "-lock");
  long pid = 0;
  lock >> pid;
  return static_cast<pid_t>(pid);
}

// Waits until our own server accepts a client, or reports why not. Another process may start a
// server on the same number at the same moment; its server answering must not count as ours.
bool WaitUntilReady(pid_t pid, const std::string& number, bool& exited) {
  exited = false;
  const std::string display = ":" + number;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < give_up) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      return false;
    }
    if (LockOwner(number) == pid) {
      if (::Display* d = XOpenDisplay(display.c_str())) {
        XCloseDisplay(d);
        return true;
      }
    } else if (LockOwner(number) != 0) {
      // The number went to someone else; ours is about to give up.
      ::kill(pid, SIGTERM);
      ::waitpid(pid, &status, 0);
      exited = true;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

}  // namespace

std::string TXvfbServer::FindProgram() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/Xvfb";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

bool TXvfbServer::Start(std::string& error, const std::string& screen, const std::vector<std::string>& extra) {
  const std::string program = FindProgram();
  if (program.empty()) {
    error = "Xvfb is not installed";
    return false;
  }
  // Several test processes may start servers at once: a number another one took in the meantime
  // makes our server exit at once, and the next number is tried.
  const int first = 40 + static_cast<int>(::getpid() % 60);
  for (int i = 0; i < 60; ++i) {
    const int n = 40 + (first - 40 + i) % 60;
    const std::string number = std::to_string(n);
    if (Exists("/tmp/.X11-unix/X" + number) || Exists("/tmp/.X" + number + "-lock")) continue;
    const std::string display = ":" + number;
    const pid_t pid = ::fork();
    if (pid < 0) {
      error = "cannot start Xvfb (fork failed)";
      return false;
    }
    if (pid == 0) {
      const int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, STDOUT_FILENO);
        ::dup2(devnull, STDERR_FILENO);
      }
      std::vector<std::string> args{"Xvfb", display, "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
      args.insert(args.end(), extra.begin(), extra.end());
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    bool exited = false;
    if (WaitUntilReady(pid, number, exited)) {
      FPid = pid;
      FDisplay = display;
      ::setenv("DISPLAY", display.c_str(), 1);
      return true;
    }
    if (!exited) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      error = "Xvfb on " + display + " did not accept connections";
      return false;
    }
  }
  error = "no free X display number in 40..99";
  return false;
}

void TXvfbServer::Stop() {
  if (FPid <= 0) return;
  ::kill(FPid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 200 && ::waitpid(FPid, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (::waitpid(FPid, &status, WNOHANG) == 0) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, &status, 0);
  }
  FPid = -1;
  FDisplay.clear();
}
