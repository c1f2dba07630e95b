// SPDX-License-Identifier: MIT
// The main window's layout description as the program carries it.
#include "MainSkinLayout.h"

#include "mira_main_layout_text.h"

#include <optional>

std::string_view MainSkinLayoutText() {
  return {reinterpret_cast<const char*>(mira_main_layout_text), mira_main_layout_text_size};
}

namespace {
std::optional<TResult<TSkinLayout>>& TestLayout() {
  static std::optional<TResult<TSkinLayout>> layout;
  return layout;
}
}  // namespace

const TResult<TSkinLayout>& MainSkinLayout() {
  if (const auto& test = TestLayout()) return *test;
  static const TResult<TSkinLayout> layout = TSkinLayout::Parse(MainSkinLayoutText());
  return layout;
}

void UseMainSkinLayoutForTesting(std::string_view text) {
  if (text.empty())
    TestLayout().reset();
  else
    TestLayout().emplace(TSkinLayout::Parse(text));
}
