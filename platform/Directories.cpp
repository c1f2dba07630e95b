// SPDX-License-Identifier: MIT
// The program's own folder and the per-user library directory.
#include "platform/Directories.h"

#include "platform/Environment.h"

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<std::filesystem::path> HomeDirectory() {
  if (auto home = EnvironmentVariable("HOME"); home && !home->empty()) return std::filesystem::path(*home);
  // Services and some sandboxes start programs without HOME; the password database still knows.
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && entry->pw_dir[0] != '\0')
    return std::filesystem::path(entry->pw_dir);
  return std::nullopt;
}

// Makes every missing folder of the path with mode 0700; folders that exist are left as they are.
// Returns the reason when a folder can be neither made nor found, or an empty text.
std::string MakePrivateDirectories(const std::filesystem::path& path) {
  std::filesystem::path partial;
  for (const auto& part : path) {
    partial /= part;
    if (mkdir(partial.c_str(), 0700) == 0) continue;
    const int error = errno;
    // Some systems answer EACCES rather than EEXIST for a folder that exists in a read-only parent.
    struct stat info {};
    if (stat(partial.c_str(), &info) != 0) return "cannot make " + partial.string() + ": " + std::strerror(error);
    if (!S_ISDIR(info.st_mode)) return "cannot make " + partial.string() + ": a file of that name is in the way";
  }
  return {};
}

}  // namespace

std::optional<std::filesystem::path> ProgramDirectory() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || exe.empty()) return std::nullopt;
  return exe.parent_path();
}

std::optional<std::filesystem::path> SystemDirectory(std::string* why) {
  std::filesystem::path cache;
  // A relative XDG_CACHE_HOME is invalid and would depend on the current directory, so it is ignored.
  if (auto xdg = EnvironmentVariable("XDG_CACHE_HOME"); xdg && !xdg->empty() && (*xdg)[0] == '/') {
    cache = *xdg;
  } else {
    auto home = HomeDirectory();
    if (!home) {
      if (why) *why = "no home folder is known for the per-user cache";
      return std::nullopt;
    }
    cache = *home / ".cache";
  }
  std::filesystem::path dir = cache / "mira.nol";
  if (std::string failed = MakePrivateDirectories(dir); !failed.empty()) {
    if (why) *why = std::move(failed);
    return std::nullopt;
  }
  return dir;
}
