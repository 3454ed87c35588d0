// Keyboard scan codes of set 1 (Escape 1, Enter 28, Backspace 14, ...), the
// codes every key of the engine is named by.
#pragma once

#include <cstdint>

namespace platform {

// Set-1 scan code of an SDL scancode; 0 for keys without one.
uint8_t set1_from_sdl(int sdl_scancode);

}  // namespace platform
