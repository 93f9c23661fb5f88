#include "toolkit/button.h"

#include "toolkit/application.h"
#include "toolkit/fonts.h"
#include "utility/text_conversion.h"

#include <stdexcept>

namespace kite::ctrl {

button::button(HWND parent, const std::string& text, const control_rect& rect) : font(create_font(parent))
{
    try {
        const std::wstring caption = kite_utility::filesystem::to_utf16(text);
        hwnd.reset(create_child_window(parent, L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                       caption.c_str(), rect));
        if (!hwnd)
            throw std::runtime_error("create button failed");
    } catch (const std::exception& error) {
        fatal_error(error.what());
    }
    apply_font(hwnd.get(), font.get());
}

button::~button() = default;

LRESULT button::handle_message(HWND, UINT, WPARAM wparam, LPARAM lparam)
{
    // Only a WM_COMMAND from this button carries BN_CLICKED together with its handle.
    if (HIWORD(wparam) == BN_CLICKED && hwnd.get() != nullptr && reinterpret_cast<HWND>(lparam) == hwnd.get()) {
        if (on_click)
            on_click(this);
    }
    return 0;
}

} // namespace kite::ctrl
