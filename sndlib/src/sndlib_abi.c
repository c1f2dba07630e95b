/* SPDX-License-Identifier: MIT */
/* Compiles the public header as plain C, so the API stays usable from C and from dlsym-based loaders. */
#include "sndlib.h"

_Static_assert(sizeof(SND_HANDLE) == 4, "handles are 32-bit");
_Static_assert(sizeof(SND_BOOL) == 4, "booleans are 32-bit");
