#pragma once

#include <windows.h>

#include "utility/not_copyable.h"

namespace kite {

// Where a control goes: pixels of the parent's client area, unscaled.
struct control_rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Base of every child control. The parent window forwards its notifications to handle_message, which
// answers non-zero when the control has handled the message.
class basic_control : public kite_utility::not_copyable {
public:
    virtual ~basic_control() = default;
    virtual LRESULT handle_message(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam) = 0;
};

} // namespace kite
