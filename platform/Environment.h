// SPDX-License-Identifier: MIT
// Reading and setting variables of the process's own environment.
#pragma once

#include <optional>
#include <string>

// The value of the variable, or nothing when it is not set. An empty value is a set variable.
std::optional<std::string> EnvironmentVariable(const std::string& name);

// Sets (or replaces) the variable; false when the name is empty or holds '=', or memory runs out.
bool SetEnvironmentVariable(const std::string& name, const std::string& value);
