// SPDX-License-Identifier: MIT
// The main window's layout description as the program carries it.
#pragma once

#include "TSkinLayout.h"

#include <string_view>

// The text of skin/layout.txt, embedded at build time.
std::string_view MainSkinLayoutText();

// The embedded description, read once. A description the reader refuses throws an Exception naming
// the line and the fault; the build's tests read the same text, so a shipped program never meets one.
const TSkinLayout& MainSkinLayout();
