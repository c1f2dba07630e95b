// SPDX-License-Identifier: MIT
// Shared objects through dlopen and dlsym.
#include "platform/TDynamicLibrary.h"

#include <dlfcn.h>
#include <utility>

TDynamicLibrary::TDynamicLibrary(void* handle, std::filesystem::path path) : FHandle(handle), FPath(std::move(path)) {}

TDynamicLibrary::TDynamicLibrary(TDynamicLibrary&& other) noexcept
    : FHandle(std::exchange(other.FHandle, nullptr)), FPath(std::move(other.FPath)) {}

TDynamicLibrary& TDynamicLibrary::operator=(TDynamicLibrary&& other) noexcept {
  if (this != &other) {
    Close(FHandle);
    FHandle = std::exchange(other.FHandle, nullptr);
    FPath = std::move(other.FPath);
  }
  return *this;
}

TDynamicLibrary::~TDynamicLibrary() { Close(FHandle); }

TResult<TDynamicLibrary> TDynamicLibrary::Open(const std::filesystem::path& path) {
  // RTLD_LOCAL keeps the library's symbols out of the global namespace, so a second library exporting
  // the same names cannot be bound by accident.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    // dlerror's text names the file and the cause: a missing dependency, a folder mounted noexec, a
    // file of the wrong kind.
    const char* reason = dlerror();
    return Fail(reason ? reason : path.string() + ": cannot be loaded");
  }
  return TDynamicLibrary(handle, path);
}

TResult<TDynamicLibrary> TDynamicLibrary::OpenByName(const std::string& fileName,
                                                     std::span<const std::filesystem::path> folders,
                                                     std::vector<std::string>* reasons) {
  std::string refusals;
  std::string searched;
  for (const auto& folder : folders) {
    if (folder.empty()) continue;
    searched += (searched.empty() ? "" : ", ") + folder.string();
    // dlopen with a name without a slash would search the system's library path instead, so each
    // candidate is passed as a full path.
    std::filesystem::path candidate = folder / fileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) {
      if (reasons) {
        const bool exists = std::filesystem::exists(candidate, error);
        reasons->push_back(candidate.string() + (exists ? ": not a file" : ": no such file"));
      }
      continue;
    }
    TResult<TDynamicLibrary> library = Open(candidate);
    if (library) return library;
    if (reasons) reasons->push_back(library.Error());
    refusals += (refusals.empty() ? "" : "; ") + library.Error();
  }
  if (!refusals.empty()) return Fail(refusals);
  return Fail("no " + fileName + " in " + (searched.empty() ? std::string("any folder") : searched));
}

void* TDynamicLibrary::Symbol(const char* name) const { return FHandle ? dlsym(FHandle, name) : nullptr; }

void* TDynamicLibrary::Release() { return std::exchange(FHandle, nullptr); }

void TDynamicLibrary::Close(void* handle) {
  if (handle) dlclose(handle);
}
