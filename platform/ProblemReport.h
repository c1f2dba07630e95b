// SPDX-License-Identifier: MIT
// Telling the user on standard error why something did not work.
#pragma once

#include <string>
#include <string_view>

// The line ReportProblem writes, without its line end: "mira.nol: " and the text, with every control
// character (a line end in a file name, an escape sequence) shown as \xNN, so that a report is always
// one line and cannot steer the terminal.
std::string ProblemLine(std::string_view text);

// Writes ProblemLine(text) and a line end to standard error in one piece, so that reports from two
// threads do not interleave within a line.
void ReportProblem(std::string_view text);
