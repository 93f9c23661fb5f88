#pragma once

#include <windows.h>

namespace kite {
class basic_window;
}

class my_window;

// Created handler of the main window: builds the form (preview, size and subfolder settings, buttons,
// version), binds the handlers and scales everything once for the window's DPI.
void build_form(kite::basic_window* window);

// Close handler of the main window: asks "Pictor beenden?". Yes lets the frame go with the window and
// leaves the hooks without a window to act on; No sends the window to the back and forgets the quit request.
void confirm_close(kite::basic_window* window, bool& allow);

// Handler of "Öffne Zielordner": shows the folder the next snapshot goes to in the shell. Returns at once:
// the folder is made and opened on the opener's thread.
void open_target_folder(unsigned int command_id);

// The main window's handler of msg_folder_failed: each failure to open the folder in the "Error" box.
LRESULT show_folder_failures(kite::basic_window* window, UINT message, WPARAM wparam, LPARAM lparam);

// Click handler of "&Beenden": the quit goes through the window's close handler.
void request_quit(my_window& window);

// "Pictor beenden?" comes above the window the user works in, also when Q was released in another program,
// which Windows would otherwise not let Pictor take the foreground from.
inline constexpr UINT quit_question_style = MB_YESNO | MB_ICONQUESTION | MB_TOPMOST | MB_SETFOREGROUND;

// The preview's one context-menu item.
inline constexpr const char* open_target_folder_text = "Öffne Zielordner";
