// SPDX-License-Identifier: MIT
// The two folders the program looks in for its sound library: its own, and the per-user one.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The folder that holds the running executable (the folder of /proc/self/exe), or nothing when the
// kernel does not tell.
std::optional<std::filesystem::path> ProgramDirectory();

// The per-user library directory: $XDG_CACHE_HOME/mira.nol, or ~/.cache/mira.nol when XDG_CACHE_HOME
// is unset, empty or relative. It is created with mode 0700 when missing (together with a missing
// cache folder above it). Nothing is returned when no home is known or the folder cannot be made;
// the caller then carries on without it, and `why`, when given, says which folder and why.
std::optional<std::filesystem::path> SystemDirectory(std::string* why = nullptr);
