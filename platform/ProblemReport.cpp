// SPDX-License-Identifier: MIT
// Telling the user on standard error why something did not work.
#include "platform/ProblemReport.h"

#include <cstdio>

std::string ProblemLine(std::string_view text) {
  std::string line = "mira.nol: ";
  line.reserve(line.size() + text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      line += escaped;
    } else {
      line += c;
    }
  }
  return line;
}

void ReportProblem(std::string_view text) {
  const std::string line = ProblemLine(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}
