// SPDX-License-Identifier: MIT
// The program's own folder and the per-user library directory.
#include "platform/Directories.h"

#include "platform/Environment.h"

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
bool MakePrivateDirectories(const std::filesystem::path& path) {
  std::filesystem::path partial;
  for (const auto& part : path) {
    partial /= part;
    if (mkdir(partial.c_str(), 0700) == 0) continue;
    // Some systems answer EACCES rather than EEXIST for a folder that exists in a read-only parent.
    struct stat info {};
    if (stat(partial.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  }
  return true;
}

}  // namespace

std::optional<std::filesystem::path> ProgramDirectory() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || exe.empty()) return std::nullopt;
  return exe.parent_path();
}

std::optional<std::filesystem::path> SystemDirectory() {
  std::filesystem::path cache;
  // A relative XDG_CACHE_HOME is invalid and would depend on the current directory, so it is ignored.
  if (auto xdg = EnvironmentVariable("XDG_CACHE_HOME"); xdg && !xdg->empty() && (*xdg)[0] == '/') {
    cache = *xdg;
  } else {
    auto home = HomeDirectory();
    if (!home) return std::nullopt;
    cache = *home / ".cache";
  }
  std::filesystem::path dir = cache / "mira.nol";
  if (!MakePrivateDirectories(dir)) return std::nullopt;
  return dir;
}
