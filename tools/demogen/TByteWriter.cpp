// SPDX-License-Identifier: MIT
// Builds a binary file in memory and writes it out.
#include "TByteWriter.h"

#include <fstream>

void TByteWriter::U16LE(int value) {
  U8(value);
  U8(value >> 8);
}

void TByteWriter::U16BE(int value) {
  U8(value >> 8);
  U8(value);
}

void TByteWriter::U32LE(uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) U8(static_cast<int>(value >> shift));
}

void TByteWriter::Text(std::string_view text, size_t width) {
  for (size_t i = 0; i < width; ++i) U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

void TByteWriter::Fill(int value, size_t count) { FBytes.insert(FBytes.end(), count, static_cast<uint8_t>(value)); }

void TByteWriter::PatchU16LE(size_t at, int value) {
  FBytes[at] = static_cast<uint8_t>(value & 0xFF);
  FBytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

bool TByteWriter::SaveToFile(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(FBytes.data()), static_cast<std::streamsize>(FBytes.size()));
  return static_cast<bool>(out);
}
