// SPDX-License-Identifier: MIT
#include "EmbedUnpack.h"

#include <zlib.h>

std::vector<unsigned char> UnpackEmbedded(std::span<const unsigned char> packed, std::size_t size) {
  std::vector<unsigned char> bytes(size);
  uLongf unpacked = static_cast<uLongf>(size);
  if (uncompress(bytes.data(), &unpacked, packed.data(), static_cast<uLong>(packed.size())) != Z_OK || unpacked != size)
    return {};
  return bytes;
}
