#pragma once

#include <windows.h>

namespace test_support {

// Moves the pointer to a screen position with an absolute SendInput move; answers where it ended up.
POINT move_pointer(int x, int y);

// Presses and releases a key (virtual-key code) with SendInput.
void key_down(WORD vk);
void key_up(WORD vk);
void tap_key(WORD vk);

} // namespace test_support
