// SPDX-License-Identifier: MIT
// mira.nol skin generator: turns finished art into the framework's bitmaps and writes the files.
#pragma once

#include <string>
#include <vector>

#include "TArtImage.h"
#include "graphics/TBitmap.h"

// Writes through TBitmap so the files are exactly what the player's own reader accepts. A failed
// write throws, since a half-written art folder must not pass for a finished one.
class TArtWriter {
public:
  explicit TArtWriter(std::string folder);

  static TBitmap ToBitmap(const TArtImage& image);
  void Save(const TBitmap& bitmap, const std::string& name, TBmpDepth depth);
  void Save(const TArtImage& image, const std::string& name, TBmpDepth depth = bd24bit);
  // An RGBA picture for the desktop's icon theme; alpha from 0 to 1 per pixel, row by row.
  void SavePng(const TArtImage& image, const std::vector<float>& alpha, const std::string& name);

  const std::vector<std::string>& Written() const { return FWritten; }

private:
  std::string Path(const std::string& name) const;

  std::string FFolder;
  std::vector<std::string> FWritten;
};
