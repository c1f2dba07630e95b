// SPDX-License-Identifier: MIT
// The main window's layout description as the program carries it.
#pragma once

#include "TSkinLayout.h"

#include <string_view>

// The text of skin/layout.txt, embedded at build time.
std::string_view MainSkinLayoutText();

// The embedded description, read once, or why the reader refused it ("line 12: ..."). The build's
// tests read the same text, so a shipped program never meets a refusal.
const TResult<TSkinLayout>& MainSkinLayout();

// Tests only: MainSkinLayout() answers with `text` read as a description from now on, so a test can
// start the window with a description that lacks a control or is damaged. An empty text puts the
// embedded description back.
void UseMainSkinLayoutForTesting(std::string_view text);
