// SPDX-License-Identifier: MIT
// Write access to the process-wide entry table, for the loader only.
#pragma once

#include "audio/TSndEntryTable.h"

TSndEntryTable& MutableSndTable();
