#pragma once

#include <string>
#include <vector>

// The "Error" box for failures the program goes on after. Failures wait in a queue while a box is open,
// so boxes come one after the other, in the order the failures came, never nested.

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
