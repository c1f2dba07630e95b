// SPDX-License-Identifier: MIT
// The main window's layout description as the program carries it.
#include "MainSkinLayout.h"

#include "components/Exception.h"
#include "mira_main_layout_text.h"

std::string_view MainSkinLayoutText() {
  return {reinterpret_cast<const char*>(mira_main_layout_text), mira_main_layout_text_size};
}

const TSkinLayout& MainSkinLayout() {
  static const TSkinLayout layout = [] {
    TResult<TSkinLayout> result = TSkinLayout::Parse(MainSkinLayoutText());
    if (!result) throw Exception("The window layout is damaged: " + result.Error());
    return std::move(result).Value();
  }();
  return layout;
}
