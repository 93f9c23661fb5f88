#include "app/frame_window.h"

#include "app/main_window.h"
#include "app/screen_capture.h"
#include "toolkit/native_handles.h"

frame_window::frame_window(kite::application* owner, const std::wstring& name, int width, int height)
    : kite::basic_window(owner, name, width, height)
{
    // No taskbar button and no Alt+Tab entry: a window first shown without the tool-window style can keep
    // both on Windows when the style is added later.
    extended_style = WS_EX_TOOLWINDOW;
}

frame_window::~frame_window()
{
    if (main_window != nullptr && main_window->frame == this)
        main_window->frame = nullptr;
}

screen_rect work_area_size()
{
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        return {};
    return {0, 0, area.right - area.left, area.bottom - area.top};
}

namespace {

constexpr LONG frame_decoration = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

void attach_frame(my_window& owner, frame_window* frame)
{
    if (owner.frame != nullptr && owner.frame->handle() != nullptr)
        PostMessageW(owner.frame->handle(), WM_CLOSE, 0, 0);
    owner.frame = frame;
}

void strip_decoration(HWND frame)
{
    const LONG style = GetWindowLongW(frame, GWL_STYLE);
    if (style & frame_decoration)
        SetWindowLongW(frame, GWL_STYLE, style & ~frame_decoration);
}

} // namespace

void set_up_frame(my_window& owner, frame_window* frame)
{
    if (frame == nullptr)
        return;
    attach_frame(owner, frame);
    HWND handle = frame->handle();
    SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    frame->set_background(CreateSolidBrush(ring_colour));
    frame->app_message_handler = show_frame_again;
    strip_decoration(handle);
    POINT cursor{};
    if (GetCursorPos(&cursor))
        owner.place_frame(cursor.x - owner.frame_width / 2, cursor.y - owner.frame_height / 2, false);
}

void close_frame(my_window& owner)
{
    if (owner.frame != nullptr && owner.frame->handle() != nullptr)
        PostMessageW(owner.frame->handle(), WM_CLOSE, 0, 0);
    owner.frame = nullptr;
}

void my_window::place_frame(std::int32_t left, std::int32_t top, bool keep_size)
{
    if (frame == nullptr)
        return;
    if (HWND handle = frame->handle()) {
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (keep_size)
            flags |= SWP_NOSIZE;
        SetWindowPos(handle, nullptr, left, top, frame_width, frame_height, flags);
    }
    if (keep_size)
        return;
    kite::unique_region ring = ring_region(0, 0, frame_width, frame_height);
    // On success the window owns the region.
    if (SetWindowRgn(frame->handle(), ring.get(), TRUE))
        ring.release();
}

kite::unique_region ring_region(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height)
{
    // Rectangle regions include their left and top edge but not their right and bottom edge.
    kite::unique_region outer(CreateRectRgn(left, top, left + width, top + height));
    kite::unique_region inner(CreateRectRgn(left + ring_thickness, top + ring_thickness,
                                            left + width - ring_thickness, top + height - ring_thickness));
    CombineRgn(outer.get(), outer.get(), inner.get(), RGN_XOR);
    return outer;
}
