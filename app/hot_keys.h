#pragma once

#include <windows.h>

namespace kite {
class basic_window;
}

class my_window;

// The main window's handler of msg_key_released and msg_pointer_moved, on the UI thread: the frame follows the pointer, and each
// release waiting is acted on in order (ignored while the subfolder edit has the keyboard focus).
LRESULT handle_input_message(kite::basic_window* window, UINT message, WPARAM wparam, LPARAM lparam);

// The quit question comes from the main window's close handler; a second Q while it is open does nothing.
void ask_to_quit(my_window& window);
