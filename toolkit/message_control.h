#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "toolkit/control.h"
#include "toolkit/native_handles.h"

namespace kite {

// Command id of the last context-menu item handed out, shared by every control of the process, so that
// no two items anywhere carry the same id. The first item gets 4096.
extern std::uint32_t menu_item_id;

// A control backed by a child window, with an optional context menu whose items run handlers.
class basic_message_control : public basic_control {
public:
    using menu_handler = std::function<void(std::uint32_t id)>;

    basic_message_control() = default;
    ~basic_message_control() override;

    LRESULT handle_message(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam) override;
    virtual LRESULT on_parent_notify(HWND window, UINT event, WPARAM wparam, LPARAM lparam);
    virtual LRESULT on_context_menu(HWND window, HWND clicked, int x, int y);
    virtual LRESULT on_command(HWND window, UINT code, WPARAM wparam);

    // Appends an item to `menu` that runs handler when chosen. Every call uses up a command id, also when
    // nothing can be added; answers whether the item was added.
    bool add_menu_item(const std::wstring& text, menu_handler handler);

    HWND handle() const { return hwnd.get(); }

    unique_window hwnd;
    unique_menu menu;
    std::unordered_map<std::uint32_t, menu_handler> menu_handlers;
    std::int32_t menu_item_count = 0;
};

// Creates a child control window of parent with the parent's module instance; null on failure.
HWND create_child_window(HWND parent, const wchar_t* window_class, DWORD style, const wchar_t* text,
                         const control_rect& rect);

// Sends the control its font and lets it redraw with it; a null font leaves the system font.
void apply_font(HWND control, HFONT font);

} // namespace kite
