// SPDX-License-Identifier: MIT
// A private sound server for the tests (a PulseAudio daemon with a real-time null sink, in a folder of its
// own) and a recorder that captures what reaches its sink, with the time each part arrived.
#pragma once

#include <gtest/gtest.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace sndtest {

using TClock = std::chrono::steady_clock;

inline bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string rest = path ? path : "/usr/bin:/bin";
  for (size_t at = 0; at <= rest.size();) {
    size_t end = rest.find(':', at);
    if (end == std::string::npos) end = rest.size();
    if (access((rest.substr(at, end - at) + "/" + program).c_str(), X_OK) == 0) return true;
    at = end + 1;
  }
  return false;
}

// A PulseAudio daemon of this test's own: no configuration but the null sink, its socket in a fresh
// folder, ended by its PID. PULSE_SERVER points the library (and the recorder) at it.
class TPrivateServer {
public:
  // `sinkRate`: the rate the sink runs at (the server converts streams to it). With `onlyThatRate` the
  // sink takes streams at that rate alone and the server refuses every other one as not supported.
  explicit TPrivateServer(int sinkRate = 44100, bool onlyThatRate = false) {
    char pattern[] = "/tmp/sndlib-server-XXXXXX";
    if (!mkdtemp(pattern)) return;
    FDir = pattern;
    FSocket = FDir + "/native";
    const std::string formats =
        onlyThatRate ? " formats=\"pcm, format.rate = \\\"" + std::to_string(sinkRate) + "\\\"\"" : "";
    std::ofstream(FDir + "/server.pa") << "load-module module-null-sink sink_name=testnull rate=" << sinkRate
                                       << " channels=2" << formats << "\n"
                                       << "set-default-sink testnull\n"
                                       << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << FSocket
                                       << "\n";
    Spawn();
  }
  ~TPrivateServer() {
    Kill();
    std::system(("rm -rf '" + FDir + "'").c_str());
  }
  bool Up() const { return FPid > 0 && Answers(); }
  std::string Address() const { return "unix:" + FSocket; }
  // Ends the daemon at once, as a crash would.
  void Kill() {
    if (FPid <= 0) return;
    kill(FPid, SIGKILL);
    waitpid(FPid, nullptr, 0);
    FPid = -1;
  }

private:
  void Spawn() {
    std::vector<std::string> args = {"pulseaudio",
                                     "-n",
                                     "-F",
                                     FDir + "/server.pa",
                                     "--daemonize=no",
                                     "--exit-idle-time=-1",
                                     "--log-target=file:" + FDir + "/log",
                                     "--use-pid-file=no"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Its own runtime and home folders, so it finds no other configuration and no other server.
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + FDir, "HOME=" + FDir, "XDG_CONFIG_HOME=" + FDir,
                                    "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "pulseaudio", &actions, nullptr, argv.data(), envp.data()) == 0) FPid = pid;
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 100 && FPid > 0 && !Answers(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  bool Answers() const {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", FSocket.c_str());
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
  }

  std::string FDir, FSocket;
  pid_t FPid = -1;
};

// Records the null sink's monitor on a thread of its own: stereo float at the sink's rate, in parts of a
// few milliseconds, each with the time it arrived.
class TRecorder {
public:
  TRecorder(const std::string& server, int rate = 44100) : FRate(rate) {
    pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32NE, uint32_t(rate), 2};
    pa_buffer_attr attributes{uint32_t(-1), uint32_t(-1), uint32_t(-1), uint32_t(-1), uint32_t(rate / 200 * 8)};
    int error = 0;
    FSimple = pa_simple_new(server.c_str(), "sndlib test", PA_STREAM_RECORD, "testnull.monitor", "capture",
                            &sampleFormat, nullptr, &attributes, &error);
    if (!FSimple) return;
    FThread = std::thread([this] { Run(); });
    // A fresh null sink renders in blocks of two seconds until someone asks for less: the monitor delivers
    // only after that first block. Start once the data flows in small parts.
    for (int i = 0; i < 1000 && Frames() < size_t(FRate / 10); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~TRecorder() { Stop(); }
  bool Ok() const { return FSimple != nullptr; }
  void Stop() {
    FQuit = true;
    if (FThread.joinable()) FThread.join();
    if (FSimple) pa_simple_free(FSimple);
    FSimple = nullptr;
  }
  size_t Frames() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FSamples.size() / 2;
  }
  std::vector<float> Samples() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FSamples;
  }
  // When frame `frame` of the recording arrived here (its part's arrival time).
  TClock::time_point ArrivalOf(size_t frame) const {
    std::lock_guard<std::mutex> lock(FLock);
    for (auto& [end, when] : FArrivals)
      if (frame < end) return when;
    return FArrivals.empty() ? TClock::now() : FArrivals.back().second;
  }
  int Rate() const { return FRate; }

private:
  void Run() {
    std::vector<float> part(size_t(FRate / 200) * 2);
    while (!FQuit) {
      int error = 0;
      if (pa_simple_read(FSimple, part.data(), part.size() * sizeof(float), &error) < 0) break;
      auto now = TClock::now();
      std::lock_guard<std::mutex> lock(FLock);
      FSamples.insert(FSamples.end(), part.begin(), part.end());
      FArrivals.emplace_back(FSamples.size() / 2, now);
    }
  }

  int FRate;
  pa_simple* FSimple = nullptr;
  std::atomic<bool> FQuit{false};
  std::thread FThread;
  mutable std::mutex FLock;
  std::vector<float> FSamples;
  std::vector<std::pair<size_t, TClock::time_point>> FArrivals;
};

}  // namespace sndtest
