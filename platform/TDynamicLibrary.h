// SPDX-License-Identifier: MIT
// A shared object loaded at run time, found by bare file name in an ordered list of folders.
#pragma once

#include "base/TResult.h"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

class TDynamicLibrary {
public:
  // Loads the file at the path with every symbol bound now, so a library whose own dependencies are
  // missing fails here rather than on a later call. A failure gives the loader's reason, which names
  // the file.
  static TResult<TDynamicLibrary> Open(const std::filesystem::path& path);

  // Looks for the bare file name in each folder in turn and loads the first copy that loads. Folders
  // that are empty paths are skipped, so a caller can pass a folder it could not determine. For each
  // copy passed over, `reasons` (when given) gets one line naming the file and why; a failure names
  // every copy found and why it did not load, or says where none was found.
  static TResult<TDynamicLibrary> OpenByName(const std::string& fileName,
                                             std::span<const std::filesystem::path> folders,
                                             std::vector<std::string>* reasons = nullptr);

  TDynamicLibrary(TDynamicLibrary&& other) noexcept;
  TDynamicLibrary& operator=(TDynamicLibrary&& other) noexcept;
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;
  // Unloads the library unless Release() gave it up.
  ~TDynamicLibrary();

  // The address of the exported symbol, or null when the library does not export it.
  void* Symbol(const char* name) const;
  // The path the library was loaded from.
  const std::filesystem::path& Path() const { return FPath; }

  // Gives up ownership: the library then stays loaded until the process ends. Code that may still
  // run inside a library (its own threads, callbacks) needs this, since unloading it would pull the
  // code away underneath them. Returns the raw handle for a later explicit Close().
  void* Release();
  // Unloads a handle that Release() gave up.
  static void Close(void* handle);

private:
  TDynamicLibrary(void* handle, std::filesystem::path path);

  void* FHandle = nullptr;
  std::filesystem::path FPath;
};
