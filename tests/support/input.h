#pragma once

#include <windows.h>

#include <string>

namespace test_support {

// Moves the pointer to a screen position on any monitor with an absolute SendInput move; answers where it
// ended up.
POINT move_pointer(int x, int y);

// Presses and releases a key (virtual-key code) with SendInput.
void key_down(WORD vk);
void key_up(WORD vk);
void tap_key(WORD vk);

// Waits until the program of every top-level window has taken the events pending for it. Under Wine, a
// program taking a focus change sets the modifier keys from the X server again, where injected keys are
// not down: a modifier pressed before then may count as released.
void let_programs_take_pending_events();

// Puts the pointer at a screen position for good: the system's cursor and the SendInput move the hooks see.
void place_pointer(int x, int y);

// Puts the pointer at a screen position and clicks the left or right button there with SendInput.
void click_at(int x, int y, bool right_button = false);

// Types text as Unicode characters: the key events carry no virtual-key code of a letter, so no hot key
// reacts to them.
void type_text(const std::wstring& text);

} // namespace test_support
