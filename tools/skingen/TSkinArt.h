// SPDX-License-Identifier: MIT
// mira.nol skin generator: the whole set of pictures, drawn and written into one folder.
#pragma once

#include <string>
#include <vector>

// Each picture is named after the control that shows it; frame strips after their frame list.
// Drawing checks the see-through colours as it goes and throws when one is wrong.
class TSkinArt {
public:
  // Writes every picture and the icons into folder (which must exist); returns the file names.
  static std::vector<std::string> WriteAll(const std::string& folder);
};
