// SPDX-License-Identifier: MIT
// The window's own icon: the application icon's pictures that the program carries inside itself.
#include "WindowIcon.h"

#include "WindowIconTable.h"

#include <png.h>

#include <cstdint>

std::optional<TIconPicture> DecodeIconPicture(const unsigned char* data, std::size_t size) {
  if (!data || size == 0) return std::nullopt;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return std::nullopt;
  // A side of more than 1024 pixels is no icon of ours; refusing it keeps a broken file from asking
  // for a huge buffer.
  if (image.width == 0 || image.height == 0 || image.width > 1024 || image.height > 1024) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  TIconPicture picture;
  picture.Width = static_cast<int>(image.width);
  picture.Height = static_cast<int>(image.height);
  picture.Pixels.resize(static_cast<std::size_t>(picture.Width) * picture.Height);
  for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
    const png_byte* p = &bytes[i * 4];
    picture.Pixels[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]);
  }
  return picture;
}

std::vector<TIconPicture> WindowIconPictures() {
  std::vector<TIconPicture> pictures;
  for (const TIconFile& file : kWindowIconFiles)
    if (auto picture = DecodeIconPicture(file.Data, file.Size)) pictures.push_back(std::move(*picture));
  return pictures;
}
