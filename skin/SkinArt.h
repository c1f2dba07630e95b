// SPDX-License-Identifier: MIT
// The skin pictures carried inside the program, looked up by name.
#pragma once

#include <cstddef>
#include <string_view>

// One picture file as the build embedded it: the bytes of a BMP file.
struct TSkinArt {
  std::string_view Name;
  const unsigned char* Data;
  std::size_t Size;
};

// The picture named `name` (the file name without ".bmp"), or nullptr when the build had none.
const TSkinArt* FindSkinArt(std::string_view name);
