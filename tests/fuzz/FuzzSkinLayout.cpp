// SPDX-License-Identifier: MIT
// libFuzzer target: the window layout description reader on arbitrary text, and every getter of what
// it accepts.
#include "TSkinLayout.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TSkinLayoutResult result = TSkinLayout::Parse(text);
  if (!result.Ok()) {
    // A refusal keeps nothing.
    if (!result.Layout.Items().empty()) abort();
    return 0;
  }
  // Values were checked on reading, so converting them must not fail whatever they hold.
  static constexpr std::string_view kKeys[] = {
      "bounds",     "picture",  "visible", "hint",  "transparent", "font",      "cursor",   "interval",
      "background", "masked",   "count",   "color", "caption",     "border",    "blend",    "text",
      "speed",      "position", "movable", "mask",  "enabled",     "direction", "alignment"};
  for (const TSkinItem& item : result.Layout.Items()) {
    if (result.Layout.Find(item.Name()) == nullptr) abort();
    for (std::string_view key : kKeys) {
      (void)item.Has(key);
      (void)item.Text(key);
      (void)item.Int(key, 0);
      (void)item.Bool(key, false);
      (void)item.Color(key, 0);
      (void)item.Bounds(key);
      (void)item.Font(key);
    }
  }
  return 0;
}
