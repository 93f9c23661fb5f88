#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/message_control.h"

namespace kite {

// A static control, subclassed so that its mouse messages reach the object instead of the system's
// static procedure.
class staticctr : public basic_message_control {
public:
    // A window that cannot be created ends the program.
    staticctr(HWND parent, const control_rect& rect, DWORD style);
    ~staticctr() override;

    WNDPROC previous_proc = nullptr;
};

// A line of text in the system's message font.
class label : public staticctr {
public:
    // text is UTF-8.
    label(HWND parent, const control_rect& rect, const std::string& text);
    ~label() override;

    unique_font font;
};

// An owner-drawn static. Without on_draw it paints a highlight-coloured rectangle with a black frame.
class custom_staticctr : public staticctr {
public:
    // Bits of the button set handed to the mouse handlers.
    enum mouse_buttons : std::uint32_t { left_button = 1, middle_button = 2, right_button = 4 };

    using draw_handler = std::function<LRESULT(custom_staticctr*, const DRAWITEMSTRUCT&)>;
    using mouse_handler = std::function<LRESULT(custom_staticctr*, std::uint32_t buttons, int x, int y)>;
    using leave_handler = std::function<void(custom_staticctr*)>;

    custom_staticctr(HWND parent, const control_rect& rect, DWORD style);
    ~custom_staticctr() override;

    LRESULT handle_message(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam) override;
    virtual LRESULT on_draw_item(const DRAWITEMSTRUCT& item);

    draw_handler on_draw;
    mouse_handler on_mouse_hover;
    mouse_handler on_mouse_move;
    leave_handler on_mouse_leave;
    unique_brush brush;
    unique_pen pen;
};

// Shows a bitmap, unscaled, from its top-left corner or centred, clipped to the control.
class image : public custom_staticctr {
public:
    image(HWND parent, const control_rect& rect);
    ~image() override;

    LRESULT on_draw_item(const DRAWITEMSTRUCT& item) override;

    // Takes the bitmap over, deletes the one held before and describes the new one in bitmap_info. The
    // caller has the control repainted.
    void set_bitmap(unique_bitmap new_bitmap);

    unique_bitmap bitmap;
    BITMAP bitmap_info{};
    bool centred = false;
};

// Window procedure installed on every staticctr.
LRESULT CALLBACK static_procedure(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

} // namespace kite
