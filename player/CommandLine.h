// SPDX-License-Identifier: MIT
// The program's command line: --help, --version, what to play, and what is wrong with a line it does not take.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// What a command line asks for, read from left to right: the first --help or --version decides,
// and so does the first mistake before it.
struct TCommandLine {
  enum class TAction { Play, Help, Version, Misuse };
  TAction Action = TAction::Play;
  // For Misuse: what was wrong, as shown after "mira.nol: ".
  std::string Problem;
  // The arguments that are not options, in order: the files, folders and playlists to play. After
  // "--" every argument is one, so a name that starts with a dash can follow it.
  std::vector<std::string> Operands;
};

TCommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text, as --help prints it.
std::string UsageText();

// Carries out what ends the program before it starts: prints the usage on `out` for --help (status
// 0), "mira.nol <version>" on `out` for --version (status 0), or the problem and the usage on `err`
// for an option it does not know (status 2). A failed write to `out` is reported on `err` with status
// 1. Returns nothing when the player should start, and then leaves what it is to play in `operands`
// (when given). Touches no window, library or file.
std::optional<int> RunCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                                  std::vector<std::string>* operands = nullptr);
