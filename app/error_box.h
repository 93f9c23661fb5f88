#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The "Error" box for failures the program goes on after. Failures wait in a queue while a box is open,
// so boxes come one after the other, in the order the failures came, never nested.

// Above the window the user works in, also when W was released in another program: Windows would otherwise
// open the box of a background program behind it.
inline constexpr UINT error_box_style = MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND;

// The owner of Pictor's boxes: the main window while it exists, else none.
HWND box_owner();

// Shows one "Error" box with the text at once.
void show_error(const std::string& text);

// Posted to the main window: shows what is queued once the message loop runs.
inline constexpr UINT msg_show_errors = WM_APP + 6;

// Queues the text; the next show_queued_errors shows it.
void queue_error(std::string text);

// Shows every queued failure, one box each, from the message loop (never inside a hook). Returns at once
// while a box is already open, and leaves the rest queued once the program is quitting: the quit's own box
// shows them.
void show_queued_errors();

// Takes what is still queued, in order.
std::vector<std::string> take_queued_errors();

// One box with all the texts, a blank line between them; nothing for none.
void show_errors_together(const std::vector<std::string>& texts);
