// SPDX-License-Identifier: MIT
// Builds a binary file in memory: fixed-width text and integers of either byte order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TByteWriter {
public:
  void U8(int value) { FBytes.push_back(static_cast<uint8_t>(value & 0xFF)); }
  void U16LE(int value);
  void U16BE(int value);
  void U32LE(uint32_t value);
  // Writes `text` cut or padded with zero bytes to exactly `width` bytes.
  void Text(std::string_view text, size_t width);
  void Fill(int value, size_t count);
  void Append(const std::vector<uint8_t>& bytes) { FBytes.insert(FBytes.end(), bytes.begin(), bytes.end()); }

  size_t Size() const { return FBytes.size(); }
  const std::vector<uint8_t>& Bytes() const { return FBytes; }
  // Overwrites a 16-bit little-endian value written earlier, for sizes known only afterwards.
  void PatchU16LE(size_t at, int value);
  void PatchU8(size_t at, int value) { FBytes[at] = static_cast<uint8_t>(value & 0xFF); }

  // Writes the bytes to `path`; false when the file cannot be written.
  bool SaveToFile(const std::string& path) const;

private:
  std::vector<uint8_t> FBytes;
};
