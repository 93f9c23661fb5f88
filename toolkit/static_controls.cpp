#include "toolkit/static_controls.h"

#include "toolkit/application.h"
#include "toolkit/fonts.h"
#include "utility/text_conversion.h"

#include <stdexcept>
#include <utility>

namespace kite {

namespace {

std::uint32_t mouse_buttons_of(WPARAM wparam)
{
    std::uint32_t buttons = 0;
    if (wparam & MK_LBUTTON)
        buttons |= custom_staticctr::left_button;
    if (wparam & MK_MBUTTON)
        buttons |= custom_staticctr::middle_button;
    if (wparam & MK_RBUTTON)
        buttons |= custom_staticctr::right_button;
    return buttons;
}

// The position of a bitmap of `size` pixels in an item of `room` pixels starting at `start`.
LONG centred_start(LONG start, LONG room, LONG size)
{
    return size < room ? start + (room - size) / 2 : start;
}

} // namespace

// --- staticctr

staticctr::staticctr(HWND parent, const control_rect& rect, DWORD style)
{
    try {
        hwnd.reset(create_child_window(parent, L"STATIC", style, nullptr, rect));
        if (!hwnd)
            throw std::runtime_error("create static control failed");
    } catch (const std::exception& error) {
        fatal_error(error.what());
    }
    // The procedure finds the object through the window and checks its type at run time.
    SetWindowLongPtrW(hwnd.get(), GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(static_cast<basic_message_control*>(this)));
    previous_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&static_procedure)));
}

staticctr::~staticctr() = default;

LRESULT CALLBACK static_procedure(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (window == nullptr)
        return 0;
    auto* stored = reinterpret_cast<basic_message_control*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Fails as well while the object is being destroyed, when it is no longer a staticctr.
    auto* control = dynamic_cast<staticctr*>(stored);
    if (control == nullptr)
        return 0;
    switch (msg) {
    case WM_MOUSEMOVE:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
        try {
            return control->handle_message(window, msg, wparam, lparam);
        } catch (...) {
            fatal_current_exception();
        }
    case WM_COMMAND: {
        const HWND parent = control->hwnd ? GetParent(control->hwnd.get()) : nullptr;
        return parent != nullptr ? SendMessageW(parent, WM_COMMAND, wparam, lparam) : 0;
    }
    default:
        return CallWindowProcW(control->previous_proc, window, msg, wparam, lparam);
    }
}

// --- label

label::label(HWND parent, const control_rect& rect, const std::string& text)
    : staticctr(parent, rect, WS_CHILD | WS_VISIBLE | SS_LEFT), font(create_font(parent))
{
    SetWindowTextW(hwnd.get(), kite_utility::filesystem::to_utf16(text).c_str());
    apply_font(hwnd.get(), font.get());
}

label::~label() = default;

// --- custom_staticctr

custom_staticctr::custom_staticctr(HWND parent, const control_rect& rect, DWORD style)
    : staticctr(parent, rect, style), brush(CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT)))
{
    LOGPEN frame{};
    frame.lopnStyle = PS_SOLID;
    frame.lopnWidth.x = 1;
    frame.lopnColor = RGB(0, 0, 0);
    pen.reset(CreatePenIndirect(&frame));
}

custom_staticctr::~custom_staticctr() = default;

LRESULT custom_staticctr::handle_message(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam)
{
    const std::uint32_t buttons = mouse_buttons_of(wparam);
    const int x = static_cast<short>(LOWORD(lparam));
    const int y = static_cast<short>(HIWORD(lparam));
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        return item != nullptr ? on_draw_item(*item) : 0;
    }
    case WM_CONTEXTMENU:
    case WM_COMMAND:
    case WM_PARENTNOTIFY:
        return basic_message_control::handle_message(parent, msg, wparam, lparam);
    case WM_MOUSEMOVE:
        if (on_mouse_hover)
            track_hover_and_leave(hwnd.get());
        return on_mouse_move ? on_mouse_move(this, buttons, x, y) : 0;
    case WM_MOUSEHOVER:
        return on_mouse_hover ? on_mouse_hover(this, buttons, x, y) : 0;
    case WM_MOUSELEAVE:
        if (on_mouse_leave)
            on_mouse_leave(this);
        return 0;
    default:
        return 0;
    }
}

LRESULT custom_staticctr::on_draw_item(const DRAWITEMSTRUCT& item)
{
    if (item.hwndItem != hwnd.get() || item.CtlType != ODT_STATIC || item.hDC == nullptr)
        return 0;
    if (on_draw)
        return on_draw(this, item);
    const HGDIOBJ old_brush = brush ? SelectObject(item.hDC, brush.get()) : nullptr;
    const HGDIOBJ old_pen = pen ? SelectObject(item.hDC, pen.get()) : nullptr;
    const RECT& area = item.rcItem;
    const BOOL drawn = Rectangle(item.hDC, area.left, area.top, area.right, area.bottom);
    if (old_pen != nullptr)
        SelectObject(item.hDC, old_pen);
    if (old_brush != nullptr)
        SelectObject(item.hDC, old_brush);
    return drawn;
}

// --- image

image::image(HWND parent, const control_rect& rect)
    : custom_staticctr(parent, rect, WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_OWNERDRAW)
{
}

image::~image() = default;

void image::set_bitmap(unique_bitmap new_bitmap)
{
    bitmap = std::move(new_bitmap);
    bitmap_info = BITMAP{};
    if (bitmap && GetObjectW(bitmap.get(), sizeof(bitmap_info), &bitmap_info) == 0)
        bitmap_info = BITMAP{};
}

LRESULT image::on_draw_item(const DRAWITEMSTRUCT& item)
{
    if (item.hwndItem != hwnd.get() || item.CtlType != ODT_STATIC || !bitmap || item.hDC == nullptr)
        return 0;
    const RECT area = item.rcItem;
    const window_dc screen(hwnd.get());
    if (screen.get() == nullptr)
        return FALSE;
    const unique_memory_dc memory(CreateCompatibleDC(screen.get()));
    if (!memory)
        return FALSE;
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    if (previous == nullptr || previous == HGDI_ERROR)
        return FALSE;

    LONG x = area.left;
    LONG y = area.top;
    if (centred) {
        BITMAP info{};
        GetObjectW(bitmap.get(), sizeof(info), &info);
        x = centred_start(area.left, area.right - area.left, info.bmWidth);
        y = centred_start(area.top, area.bottom - area.top, info.bmHeight);
    }
    // Drawn unscaled from the bitmap's top-left corner; whatever does not fit the item is cut off.
    const BOOL drawn = BitBlt(screen.get(), x, y, area.right - x, area.bottom - y, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), previous);
    return drawn;
}

} // namespace kite
