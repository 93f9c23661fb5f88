#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/input_hooks.h"

class snapshot_writer;
struct finished_snapshot;

namespace kite {
class basic_window;
class image;
} // namespace kite

// What happens at the key release itself: copies the screen rectangle (the frame hidden meanwhile) and hands
// the pixels, the release's time and the subfolder to the main window's writer, which makes the file and
// the thumbnail later. A release that is refused (too many waiting) or cannot copy the screen is handed on
// all the same, so that the user hears of it in release order. Answers whether the pixels were handed on.
// Never throws.
bool take_snapshot(const capture_rect& rect, const std::string& subfolder, std::time_t release);

// A release whose rectangle could not even be formed (the pointer's position could not be read): handed on
// as a failure, in its place among the others.
void report_failed_release(const std::string& subfolder, std::time_t release, HRESULT failure);

// Takes what the writer has finished, in release order: each written snapshot goes to show (when given),
// and the text of each failure, releases lost at the key included, to the answer.
std::vector<std::string> take_finished_failures(snapshot_writer& writer,
                                                const std::function<void(finished_snapshot&)>& show = nullptr);

// The main window's handler of msg_snapshot_finished: puts each finished thumbnail into the preview and
// shows each failure in the "Error" box, in release order. Runs from the message loop, never inside a hook.
LRESULT show_finished_snapshots(kite::basic_window* window, UINT message, WPARAM wparam, LPARAM lparam);

// Reads an image file into the preview control, fitted into its client area and drawn centred. A file
// that cannot be read shows the "Error" box; the control then keeps its picture. Answers whether the
// control now holds a picture.
bool load_image_file(kite::image& control, const std::wstring& path);
