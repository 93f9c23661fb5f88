#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/message_control.h"

namespace kite {

// A single-line edit. Edits have no context menu.
class edit : public basic_message_control {
public:
    using edit_handler = std::function<void(basic_message_control*)>;

    // A window that cannot be created ends the program.
    edit(HWND parent, const control_rect& rect);
    ~edit() override;

    LRESULT handle_message(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam) override;

    // The text; empty without a window.
    std::wstring get_text() const;

    // Replaces the text. With notify false, the change it causes does not reach on_change.
    void set_text(const std::wstring& text, bool notify);

    edit_handler on_change;
    edit_handler on_kill_focus;
    unique_font font;
    bool suppress_change = false;
};

} // namespace kite
