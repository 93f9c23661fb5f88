#include "toolkit/message_control.h"

#include <utility>

namespace kite {

std::uint32_t menu_item_id = 4095;

namespace {

// WM_COMMAND carries a menu item's id in 16 bits: a larger id could never be chosen, and its low
// word would run the handler of an older item instead.
constexpr std::uint32_t largest_menu_item_id = 0xFFFF;

int signed_low_word(LPARAM value)
{
    return static_cast<short>(LOWORD(value));
}

int signed_high_word(LPARAM value)
{
    return static_cast<short>(HIWORD(value));
}

} // namespace

basic_message_control::~basic_message_control()
{
    // The handle is cleared before DestroyWindow, so notifications sent meanwhile no longer match.
    hwnd.reset();
    menu_handlers.clear();
    menu.reset();
}

LRESULT basic_message_control::handle_message(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_CONTEXTMENU:
        return on_context_menu(parent, reinterpret_cast<HWND>(wparam), signed_low_word(lparam),
                               signed_high_word(lparam));
    case WM_COMMAND:
        return on_command(parent, HIWORD(wparam), wparam);
    case WM_PARENTNOTIFY:
        return on_parent_notify(parent, LOWORD(wparam), 0, lparam);
    default:
        return 0;
    }
}

LRESULT basic_message_control::on_parent_notify(HWND window, UINT event, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcW(window, event, wparam, lparam);
}

LRESULT basic_message_control::on_context_menu(HWND window, HWND clicked, int x, int y)
{
    if (clicked != hwnd.get() || hwnd.get() == nullptr || !menu)
        return 0;
    // (-1, -1) marks a menu asked for from the keyboard; any other point, also a negative one on a
    // monitor left of or above the primary one, is where the user clicked.
    if (x == -1 && y == -1)
        return 0;
    // The chosen item's WM_COMMAND goes to window, which forwards it to its controls.
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, x, y, 0, window, nullptr);
    return 0;
}

LRESULT basic_message_control::on_command(HWND, UINT code, WPARAM wparam)
{
    if (code != 0 || !menu)
        return 0;
    const auto found = menu_handlers.find(static_cast<std::uint32_t>(LOWORD(wparam)));
    if (found != menu_handlers.end() && found->second)
        found->second(found->first);
    return 0;
}

bool basic_message_control::add_menu_item(const std::wstring& text, menu_handler handler)
{
    const std::uint32_t id = ++menu_item_id;
    if (!menu || id > largest_menu_item_id)
        return false;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STRING;
    info.wID = id;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    if (!InsertMenuItemW(menu.get(), static_cast<UINT>(menu_item_count), FALSE, &info))
        return false;
    ++menu_item_count;
    menu_handlers[id] = std::move(handler);
    return true;
}

HWND create_child_window(HWND parent, const wchar_t* window_class, DWORD style, const wchar_t* text,
                         const control_rect& rect)
{
    const auto instance =
        parent != nullptr ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)) : nullptr;
    return CreateWindowExW(0, window_class, text, style, rect.x, rect.y, rect.width, rect.height, parent, nullptr,
                           instance, nullptr);
}

void apply_font(HWND control, HFONT font)
{
    if (font != nullptr)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

} // namespace kite
