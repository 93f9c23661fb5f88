#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>

namespace kite {
class basic_window;
}

class my_window;

// What a key release asks of Pictor.
enum class hot_key { none, snapshot, quit };

// The modifier keys that make a W or Q someone else's: the system's shortcuts and AltGr, which is how German
// keyboards type "@" (AltGr+Q). AltGr holds Ctrl and Alt together.
struct held_modifiers {
    bool alt = false;
    bool windows = false;
};

// W released takes a snapshot and Q released asks to quit, alone or with Shift or Ctrl; not while Alt
// (the event's own flag or the key held) or a Windows key is held.
hot_key hot_key_of(WPARAM message, DWORD vk, DWORD flags, held_modifiers held);

// A hot key's release as the hook saw it. Whatever the snapshot needs is read at the release, so that what
// the program does later (a size typed meanwhile, say) does not change what the user took.
struct key_release {
    hot_key key = hot_key::none;
    std::time_t time = 0;
    POINT pointer{};
    HRESULT pointer_failure = S_OK;  // the pointer's position could not be read
    std::int32_t frame_width = 0;
    std::int32_t frame_height = 0;
};

// Posted to the main window by the hook thread: releases are waiting, or the pointer has moved.
inline constexpr UINT msg_key_released = WM_APP + 4;
inline constexpr UINT msg_pointer_moved = WM_APP + 5;

// The main window's handler of both messages, on the UI thread: the frame follows the pointer, and each
// release waiting is acted on in order (ignored while the subfolder edit has the keyboard focus).
LRESULT handle_input_message(kite::basic_window* window, UINT message, WPARAM wparam, LPARAM lparam);

// The quit question comes from the main window's close handler; a second Q while it is open does nothing.
void ask_to_quit(my_window& window);
