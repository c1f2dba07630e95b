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

std::optional<TDynamicLibrary> TDynamicLibrary::Open(const std::filesystem::path& path) {
  // RTLD_LOCAL keeps the library's symbols out of the global namespace, so a second library exporting
  // the same names cannot be bound by accident.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return std::nullopt;
  return TDynamicLibrary(handle, path);
}

std::optional<TDynamicLibrary> TDynamicLibrary::OpenByName(const std::string& fileName,
                                                           std::span<const std::filesystem::path> folders) {
  for (const auto& folder : folders) {
    if (folder.empty()) continue;
    // dlopen with a name without a slash would search the system's library path instead, so each
    // candidate is passed as a full path.
    std::filesystem::path candidate = folder / fileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    if (auto library = Open(candidate)) return library;
  }
  return std::nullopt;
}

void* TDynamicLibrary::Symbol(const char* name) const { return FHandle ? dlsym(FHandle, name) : nullptr; }

void* TDynamicLibrary::Release() { return std::exchange(FHandle, nullptr); }

void TDynamicLibrary::Close(void* handle) {
  if (handle) dlclose(handle);
}
