#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/native_handles.h"

// The area of one snapshot in physical screen pixels; exactly the frame's window rectangle.
struct capture_rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The frame's rectangle for a pointer position: centred, halving toward zero.
capture_rect frame_rect_around(POINT pointer, std::int32_t width, std::int32_t height);

// System-wide low-level hooks. Neither swallows an event: both return what CallNextHookEx returns.
LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK mouse_hook_proc(int code, WPARAM wparam, LPARAM lparam);

// Both hooks, installed for the life of the program. Removed before snapshots are finished at the end, so
// that no release comes in while the last ones are written.
struct input_hooks {
    kite::unique_hook keyboard;
    kite::unique_hook mouse;

    // The mouse hook first, then the keyboard hook.
    void remove()
    {
        mouse.reset();
        keyboard.reset();
    }
};
