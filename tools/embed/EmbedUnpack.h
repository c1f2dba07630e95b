// SPDX-License-Identifier: MIT
// Files the build embedded packed (mira_embed with DEFLATE), given back as they were.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

// The file's bytes, or nothing when `packed` does not unpack to exactly `size` bytes.
std::vector<unsigned char> UnpackEmbedded(std::span<const unsigned char> packed, std::size_t size);
