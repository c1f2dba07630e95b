// SPDX-License-Identifier: MIT
// Reading the tags of many tracks on a thread of its own.
#include "TTitleReader.h"

#include "TrackTitles.h"

TTitleReader::TTitleReader(std::vector<std::pair<int32_t, std::string>> files)
    : FFiles(std::move(files)), FThread([this] { Run(); }) {}

TTitleReader::~TTitleReader() {
  FStop = true;
  FThread.join();
}

void TTitleReader::Run() {
  for (const auto& [index, path] : FFiles) {
    if (FStop) break;
    TTitle title{index, TrackTitles::FromTags(path)};
    std::lock_guard lock(FLock);
    FRead.push_back(std::move(title));
  }
  std::lock_guard lock(FLock);
  FFinished = true;
}

std::vector<TTitleReader::TTitle> TTitleReader::Take() {
  std::lock_guard lock(FLock);
  return std::exchange(FRead, {});
}

bool TTitleReader::Done() {
  std::lock_guard lock(FLock);
  return FFinished && FRead.empty();
}
