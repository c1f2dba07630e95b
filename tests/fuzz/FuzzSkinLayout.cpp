// SPDX-License-Identifier: MIT
// libFuzzer target: the window layout description reader on arbitrary text, and every getter of what
// it accepts.
#include "TSkinLayout.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TResult<TSkinLayout> result = TSkinLayout::Parse(text);
  // A refusal keeps nothing: the result holds only the reason.
  if (!result) return 0;
  // Values were checked on reading, so converting them must not fail whatever they hold.
  static constexpr std::string_view kKeys[] = {
      "bounds",     "picture",  "visible", "hint",  "transparent", "font",      "cursor",   "interval",
      "background", "masked",   "count",   "color", "caption",     "border",    "blend",    "text",
      "speed",      "position", "movable", "mask",  "enabled",     "direction", "alignment"};
  for (const TSkinItem& item : result->Items()) {
    if (result->Find(item.Name()) == nullptr) abort();
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
