// SPDX-License-Identifier: MIT
// The command line: what --help, --version, "--" and mistakes print, where, and with which status.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct TRun {
  std::optional<int> Status;
  std::string Out;
  std::string Err;
};

std::string Drain(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(file);
  return text;
}

TRun Invoke(std::initializer_list<const char*> args) {
  std::vector<const char*> argv{"mira.nol"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  TRun run;
  run.Status = RunCommandLine(static_cast<int>(argv.size() - 1), argv.data(), out, err);
  run.Out = Drain(out);
  run.Err = Drain(err);
  return run;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

TEST(CommandLine, without_options_the_player_starts_and_nothing_is_printed) {
  for (const TRun& run : {Invoke({}), Invoke({"--"})}) {
    EXPECT_FALSE(run.Status.has_value());
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "");
  }
}

TEST(CommandLine, help_prints_the_usage_on_standard_output_and_ends_with_0) {
  for (const char* option : {"--help", "-h"}) {
    SCOPED_TRACE(option);
    const TRun run = Invoke({option});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, UsageText());
    EXPECT_TRUE(StartsWith(run.Out, "Usage: mira.nol [OPTION]... [FILE|FOLDER|PLAYLIST]...\n")) << run.Out;
    EXPECT_NE(run.Out.find("--version"), std::string::npos);
    EXPECT_EQ(run.Err, "");
  }
}

TEST(CommandLine, version_prints_the_projects_version_and_ends_with_0) {
  const TRun run = Invoke({"--version"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, "mira.nol " MIRA_PROJECT_VERSION "\n");
  EXPECT_EQ(run.Err, "");
}

TEST(CommandLine, the_first_of_help_version_or_a_mistake_decides) {
  EXPECT_EQ(Invoke({"--version", "--help"}).Out, "mira.nol " MIRA_PROJECT_VERSION "\n");
  EXPECT_EQ(Invoke({"--help", "--bogus"}).Status, 0);
  const TRun run = Invoke({"--bogus", "--help"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Out, "");
}

TEST(CommandLine, an_unknown_option_prints_the_problem_and_the_usage_on_standard_error_and_ends_with_2) {
  for (const char* option : {"--bogus", "-x", "-hx", "--help=yes", "--versio", "---"}) {
    SCOPED_TRACE(option);
    const TRun run = Invoke({option});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "mira.nol: unrecognised option '" + std::string(option) + "'\n" + UsageText());
  }
}

TEST(CommandLine, arguments_that_are_not_options_are_what_to_play_in_order_and_dashes_follow_the_end_of_options) {
  const char* argv[] = {"mira.nol", "a.xm", "-", "--", "--help", "-x.mp3", "--", nullptr};
  const TCommandLine line = ParseCommandLine(7, argv);
  EXPECT_EQ(line.Action, TCommandLine::TAction::Play);
  EXPECT_EQ(line.Operands, (std::vector<std::string>{"a.xm", "-", "--help", "-x.mp3", "--"}));

  std::vector<std::string> names{"left over"};
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(RunCommandLine(7, argv, out, err, &names), std::nullopt);
  EXPECT_EQ(Drain(out), "");
  EXPECT_EQ(Drain(err), "");
  EXPECT_EQ(names, line.Operands);
  // A name that looks like an option before "--" is still a mistake, whatever else is named.
  const TRun run = Invoke({"song.mp3", "-x.mp3"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(StartsWith(run.Err, "mira.nol: unrecognised option '-x.mp3'\nUsage: ")) << run.Err;
}

TEST(CommandLine, output_that_cannot_be_written_is_not_reported_as_success) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (!full) GTEST_SKIP() << "no /dev/full";
  std::FILE* err = std::tmpfile();
  const char* argv[] = {"mira.nol", "--version", nullptr};
  EXPECT_EQ(RunCommandLine(2, argv, full, err), 1);
  std::fclose(full);
  EXPECT_EQ(Drain(err), "mira.nol: cannot write to standard output\n");
}

}  // namespace
