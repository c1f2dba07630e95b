// SPDX-License-Identifier: MIT
// The classes the main window builds its skin from: the shaped skin picture, the caption and the track list.
#pragma once

#include "controls/ALScrollingText.h"
#include "controls/ExtListBox.h"
#include "controls/ImageShape.h"

// One line per control names the class the layout creates it as.
using TSkinShape = TImageShape;
using TSkinScroller = TALScrollingText;
using TSkinList = TExtListBox;
