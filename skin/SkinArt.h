// SPDX-License-Identifier: MIT
// The skin pictures carried inside the program, looked up by name.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// One picture file as the build embedded it: the bytes of a BMP file, packed.
struct TSkinArt {
  std::string_view Name;
  const unsigned char* Data;
  std::size_t Size;
  std::size_t UnpackedSize;
};

// The picture named `name` (the file name without ".bmp"), or nullptr when the build had none.
const TSkinArt* FindSkinArt(std::string_view name);

// The BMP file of the picture named `name`, or nothing when the build had none.
std::vector<unsigned char> SkinArtFile(std::string_view name);
