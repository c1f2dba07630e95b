// SPDX-License-Identifier: MIT
// mira.nol skin generator: turns finished art into the framework's bitmaps and writes the files.
#include "TArtWriter.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <utility>

TArtWriter::TArtWriter(std::string folder) : FFolder(std::move(folder)) {}

std::string TArtWriter::Path(const std::string& name) const { return FFolder + "/" + name; }

TBitmap TArtWriter::ToBitmap(const TArtImage& image) {
  TBitmap bitmap(image.Width(), image.Height(), pf32bit);
  for (int y = 0; y < image.Height(); ++y) {
    uint32_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < image.Width(); ++x) {
      uint8_t r, g, b;
      image.Bytes(x, y, r, g, b);
      row[x] = RGB(r, g, b);
    }
  }
  return bitmap;
}

void TArtWriter::Save(const TBitmap& bitmap, const std::string& name, TBmpDepth depth) {
  const TResult<void> result = bitmap.SaveToFile(Path(name), depth);
  if (!result) throw std::runtime_error(result.Error());
  FWritten.push_back(name);
}

void TArtWriter::Save(const TArtImage& image, const std::string& name, TBmpDepth depth) {
  Save(ToBitmap(image), name, depth);
}

void TArtWriter::SavePng(const TArtImage& image, const std::vector<float>& alpha, const std::string& name) {
  const std::string path = Path(name);
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) throw std::runtime_error("cannot create " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("cannot start a PNG writer for " + path);
  }
  std::vector<png_byte> rows(static_cast<size_t>(image.Width()) * image.Height() * 4);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      png_byte* p = &rows[(static_cast<size_t>(y) * image.Width() + x) * 4];
      image.Bytes(x, y, p[0], p[1], p[2]);
      const float a = alpha[static_cast<size_t>(y) * image.Width() + x];
      p[3] = static_cast<png_byte>(std::lround(std::clamp(a, 0.0f, 1.0f) * 255.0f));
    }
  std::vector<png_bytep> rowPointers(image.Height());
  for (int y = 0; y < image.Height(); ++y) rowPointers[y] = &rows[static_cast<size_t>(y) * image.Width() * 4];
  // libpng reports errors by jumping back here.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot write " + path);
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, image.Width(), image.Height(), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rowPointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  FWritten.push_back(name);
}
