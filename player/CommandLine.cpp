// SPDX-License-Identifier: MIT
// The program's command line: --help, --version, what to play, and what is wrong with a line it does not take.
#include "CommandLine.h"

#include <string_view>

#ifndef MIRA_VERSION
#error "MIRA_VERSION must name the project's version (player/CMakeLists.txt passes it)"
#endif

namespace {

bool Print(std::FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

}  // namespace

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
  TCommandLine line;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i] ? argv[i] : "";
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      line.Action = TCommandLine::TAction::Help;
      return line;
    } else if (options && arg == "--version") {
      line.Action = TCommandLine::TAction::Version;
      return line;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      // "-" alone is an operand, as it names standard input to most programs.
      line.Action = TCommandLine::TAction::Misuse;
      line.Problem = "unrecognised option '" + std::string(arg) + "'";
      return line;
    } else {
      line.Operands.emplace_back(arg);
    }
  }
  return line;
}

std::string UsageText() {
  return "Usage: mira.nol [OPTION]... [FILE|FOLDER|PLAYLIST]...\n"
         "Play music in a skinned window: the files, folders and playlists named, or else the collection\n"
         "that data/play.lst in the current folder lists.\n"
         "\n"
         "  -h, --help     show this help and end\n"
         "      --version  show the version and end\n"
         "      --         end the options; every later argument is something to play\n"
         "\n"
         "FILE is an MP3 file or a tracker module (MOD, XM, S3M, IT, ...), played in the order given.\n"
         "FOLDER contributes its MP3 files and modules in name order; a folder holding data/play.lst\n"
         "is played as that collection. PLAYLIST is an .m3u or .m3u8 file.\n"
         "data/play.lst holds two lines for each track: the file name below data/, then the title.\n"
         "The manual page mira.nol(1) tells more.\n";
}

std::optional<int> RunCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                                  std::vector<std::string>* operands) {
  TCommandLine line = ParseCommandLine(argc, argv);
  switch (line.Action) {
    case TCommandLine::TAction::Play:
      if (operands) *operands = std::move(line.Operands);
      return std::nullopt;
    case TCommandLine::TAction::Misuse: Print(err, "mira.nol: " + line.Problem + "\n" + UsageText()); return 2;
    case TCommandLine::TAction::Help:
    case TCommandLine::TAction::Version: break;
  }
  const std::string text =
      line.Action == TCommandLine::TAction::Help ? UsageText() : std::string("mira.nol " MIRA_VERSION "\n");
  // Output sent to a full disk or a closed pipe must not end with status 0 as if it had arrived.
  const bool written = Print(out, text);
  if (std::fflush(out) != 0 || !written || std::ferror(out)) {
    Print(err, "mira.nol: cannot write to standard output\n");
    return 1;
  }
  return 0;
}
