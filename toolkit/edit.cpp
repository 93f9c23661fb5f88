#include "toolkit/edit.h"

#include "toolkit/application.h"
#include "toolkit/fonts.h"

#include <stdexcept>

namespace kite {

edit::edit(HWND parent, const control_rect& rect) : font(create_font(parent))
{
    // No ES_AUTOHSCROLL: the text stops at the right border.
    try {
        hwnd.reset(create_child_window(parent, L"EDIT", WS_CHILD | WS_VISIBLE | WS_BORDER, nullptr, rect));
        if (!hwnd)
            throw std::runtime_error("create edit control failed");
    } catch (const std::exception& error) {
        fatal_error(error.what());
    }
    apply_font(hwnd.get(), font.get());
}

edit::~edit() = default;

LRESULT edit::handle_message(HWND, UINT, WPARAM wparam, LPARAM lparam)
{
    if (hwnd.get() == nullptr || reinterpret_cast<HWND>(lparam) != hwnd.get())
        return 0;
    switch (HIWORD(wparam)) {
    case EN_KILLFOCUS:
        if (on_kill_focus)
            on_kill_focus(this);
        break;
    case EN_CHANGE:
        if (on_change && !suppress_change)
            on_change(this);
        break;
    default:
        break;
    }
    return 0;
}

std::wstring edit::get_text() const
{
    if (!hwnd)
        return std::wstring();
    const int length = GetWindowTextLengthW(hwnd.get());
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd.get(), &text[0], length + 1);
    // The buffer's terminator, and anything the window did not fill, is not part of the text.
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

void edit::set_text(const std::wstring& text, bool notify)
{
    if (!hwnd)
        return;
    // The edit sends EN_CHANGE from inside SetWindowTextW, so the flag covers exactly that call.
    suppress_change = !notify;
    SetWindowTextW(hwnd.get(), text.c_str());
    suppress_change = false;
}

} // namespace kite
