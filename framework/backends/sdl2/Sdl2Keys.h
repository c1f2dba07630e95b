// SPDX-License-Identifier: MIT
// Translation of SDL key symbols into the classic desktop's virtual-key codes.
#pragma once

#include <cstdint>

// The vk:: code for an SDL key symbol (SDL_Keycode), or 0 for keys the program has no code for.
uint16_t VirtualKeyFromSdl(int32_t sym);

// The character a key press also types although SDL sends no text for it (Enter 13, Backspace 8,
// Tab 9, Escape 27), or 0.
uint32_t ControlCharFromSdl(int32_t sym);
