// SPDX-License-Identifier: MIT
// Environment variables through the C library.
#include "platform/Environment.h"

#include <cstdlib>

std::optional<std::string> EnvironmentVariable(const std::string& name) {
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  return std::nullopt;
}

bool SetEnvironmentVariable(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos) return false;
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}
