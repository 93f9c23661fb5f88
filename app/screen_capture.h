#pragma once

#include <windows.h>

#include <chrono>
#include <vector>

#include "app/input_hooks.h"
#include "toolkit/native_handles.h"

class frame_window;

namespace kite {
class basic_window;
}

// How long the windows beneath may take, together, to draw again what the hidden ring covered. A window
// that does not answer delays a snapshot by at most this.
inline constexpr unsigned repaint_bound_ms = 100;

// What a capture asks of the system. The program's own asks the screen, the compositor and the windows;
// tests run the same capture against a screen of their own making.
class capture_system {
public:
    using clock = std::chrono::steady_clock;

    virtual ~capture_system() = default;
    // Hides the capture frame; false when there is none, so that no ring can be on the screen.
    virtual bool hide_frame() = 0;
    // Shows the frame again once the key release has been let go.
    virtual void show_frame() = 0;
    // Whether a compositor puts the desktop together from every window's own picture.
    virtual bool composing() = 0;
    // Waits until the compositor has put out its next picture.
    virtual HRESULT next_composed_picture() = 0;
    // A moment for the windows to draw, where no composed picture can be waited for.
    virtual void pause() = 0;
    // Where nothing composes the desktop: asks the windows under the ring to draw what it covered, each
    // with what is left until the deadline. Answers their rectangles.
    virtual std::vector<RECT> repaint_beneath(const capture_rect& rect, clock::time_point deadline) = 0;
    // The monitors' rectangles; together they make the screen.
    virtual std::vector<RECT> monitors() = 0;
    // Copies a part of the screen to (at.x, at.y) of target; the system's reason when it cannot be read.
    virtual HRESULT read(HDC target, POINT at, const RECT& part) = 0;
    virtual clock::time_point now() = 0;
};

// The screen's pixels of the rectangle at this moment, without the capture frame: a top-down 32-bit DIB
// section of the rectangle's size, black where the rectangle lies beyond the screen. Empty for a rectangle
// without area, or when the screen or the memory cannot be had (the reason as an HRESULT in failure).
kite::unique_bitmap capture_screen(const capture_rect& rect, frame_window* frame, HRESULT& failure);

// The same capture through the given system.
kite::unique_bitmap capture_screen(const capture_rect& rect, capture_system& system, HRESULT& failure);

// Posted to the frame after a copy: it is shown again once the key release has been let go.
inline constexpr UINT msg_show_frame = WM_APP + 2;

// The frame's handler of msg_show_frame.
LRESULT show_frame_again(kite::basic_window* frame, UINT message, WPARAM wparam, LPARAM lparam);
