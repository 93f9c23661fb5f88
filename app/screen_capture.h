#pragma once

#include <windows.h>

#include "app/input_hooks.h"
#include "toolkit/native_handles.h"

class frame_window;

namespace kite {
class basic_window;
}

// How long the windows beneath may take, together, to draw again what the hidden ring covered. A window
// that does not answer delays a snapshot by at most this.
inline constexpr unsigned repaint_bound_ms = 100;

// The screen's pixels of the rectangle at this moment, without the capture frame: a top-down 32-bit DIB
// section of the rectangle's size, black where the rectangle lies beyond the screen. Empty for a rectangle
// without area, or when the screen or the memory cannot be had (the reason as an HRESULT in failure).
kite::unique_bitmap capture_screen(const capture_rect& rect, frame_window* frame, HRESULT& failure);

// Posted to the frame after a copy: it is shown again once the key release has been let go.
inline constexpr UINT msg_show_frame = WM_APP + 2;

// The frame's handler of msg_show_frame.
LRESULT show_frame_again(kite::basic_window* frame, UINT message, WPARAM wparam, LPARAM lparam);
