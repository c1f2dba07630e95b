// SPDX-License-Identifier: MIT
// The window's own icon: the application icon's pictures that the program carries inside itself.
#pragma once

#include "Backend.h"

#include <cstddef>
#include <optional>
#include <vector>

// Decodes a PNG file in memory into an icon picture; nothing when it is no PNG the decoder reads.
std::optional<TIconPicture> DecodeIconPicture(const unsigned char* data, std::size_t size);

// Every embedded icon picture, smallest first; a picture that does not decode is left out.
std::vector<TIconPicture> WindowIconPictures();
