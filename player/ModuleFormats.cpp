// SPDX-License-Identifier: MIT
// Which files the player can play: the module decoder's own list of extensions and its header probe.
#include "ModuleFormats.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

namespace ModuleFormats {

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

namespace {

// The extension of a file name without its dot, in lower case; empty when there is none.
std::string Extension(std::string_view name) {
  const std::size_t slash = name.find_last_of('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return LowerAscii(name.substr(dot + 1));
}

const std::set<std::string>& ModuleExtensions() {
  static const std::set<std::string> extensions = [] {
    std::set<std::string> all;
    for (const std::string& e : openmpt::get_supported_extensions()) all.insert(LowerAscii(e));
    return all;
  }();
  return extensions;
}

}  // namespace

TAudioKind KindByName(std::string_view name) {
  const std::string extension = Extension(name);
  if (extension.empty()) return TAudioKind::None;
  if (extension == "mp3") return TAudioKind::Stream;
  return ModuleExtensions().count(extension) != 0 ? TAudioKind::Module : TAudioKind::None;
}

TAudioKind KindByContent(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return TAudioKind::None;
  std::vector<std::uint8_t> head(openmpt::probe_file_header_get_recommended_size());
  const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return TAudioKind::None;
  const long size = std::ftell(file.get());
  if (size < 0) return TAudioKind::None;
  const int result = openmpt::probe_file_header(openmpt::probe_file_header_flags_default2, head.data(), got,
                                                static_cast<std::uint64_t>(size));
  return result == openmpt::probe_file_header_result_success ? TAudioKind::Module : TAudioKind::None;
}

bool IsPlayListName(std::string_view name) {
  const std::string extension = Extension(name);
  return extension == "m3u" || extension == "m3u8";
}

}  // namespace ModuleFormats
