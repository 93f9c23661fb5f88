#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/message_control.h"

namespace kite::ctrl {

// A push button; on_click runs when it is clicked. Buttons have no context menu.
class button : public basic_message_control {
public:
    using click_handler = std::function<void(basic_message_control*)>;

    // text is UTF-8. A window that cannot be created ends the program.
    button(HWND parent, const std::string& text, const control_rect& rect);
    ~button() override;

    LRESULT handle_message(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam) override;

    click_handler on_click;
    unique_font font;
};

} // namespace kite::ctrl
