// SPDX-License-Identifier: MIT
// The player's conversion of a floating setting to the whole number the sound library takes.
#pragma once

#include <cstdint>

// Cuts toward zero, as every conversion of a floating value to a whole number in the player does.
// The value must lie within the range of int32_t (the sliders' settings always do).
inline int32_t Trunc(double value) { return static_cast<int32_t>(value); }
