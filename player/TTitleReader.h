// SPDX-License-Identifier: MIT
// Reads the tags of many tracks on a thread of its own, so that a long list starts playing at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// The thread only reads files and keeps what it found; the window thread collects the titles with
// Take() and puts them into the list itself. Destroying the reader stops it after the file it reads
// and waits for it.
class TTitleReader {
public:
  struct TTitle {
    int32_t Index = 0;
    // Empty when the file has no title of its own.
    std::string Title;
  };

  // Starts reading the tags of `files` (track index, path), in their order.
  explicit TTitleReader(std::vector<std::pair<int32_t, std::string>> files);
  ~TTitleReader();
  TTitleReader(const TTitleReader&) = delete;
  TTitleReader& operator=(const TTitleReader&) = delete;

  // The titles read since the last call, in reading order.
  std::vector<TTitle> Take();
  // True once every file has been read and its title taken.
  bool Done();

private:
  void Run();

  const std::vector<std::pair<int32_t, std::string>> FFiles;
  std::mutex FLock;
  std::vector<TTitle> FRead;  // under FLock
  bool FFinished = false;     // under FLock
  std::atomic<bool> FStop{false};
  // NOTE: keep this the last member: the thread starts once everything it uses exists.
  std::thread FThread;
};
