#pragma once

#include <cstdint>

#include "toolkit/native_handles.h"
#include "toolkit/window.h"

class my_window;

// The capture frame: a topmost, borderless window shaped to a green ring around the capture area.
class frame_window : public kite::basic_window {
public:
    frame_window(kite::application* owner, const std::wstring& name, int width, int height);
    // A frame closed from outside must not leave the main window pointing at it.
    ~frame_window() override;
};

// A rectangle as left, top, width, height.
struct screen_rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The primary monitor's work area as (0, 0, width, height); all zero when it cannot be read.
screen_rect work_area_size();

// Attaches a newly created frame to the main window, makes it a topmost borderless green ring and centres it
// on the pointer.
void set_up_frame(my_window& owner, frame_window* frame);

// Lets the frame go with the main window: posts it WM_CLOSE and forgets it.
void close_frame(my_window& owner);

inline constexpr int ring_thickness = 2;

// The ring of a rectangle: every pixel within ring_thickness of its border.
kite::unique_region ring_region(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
inline constexpr COLORREF ring_colour = RGB(0, 255, 0);
