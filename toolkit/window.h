#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/native_handles.h"
#include "utility/not_copyable.h"

namespace kite {

class application;
class basic_message_control;
namespace ctrl {
class button;
}
class edit;
class label;
class image;

// The window class of one toolkit window, registered at construction and unregistered at destruction.
struct window_class : kite_utility::not_copyable {
    enum : std::int32_t { not_registered = 0, registered = 1, failed = 2 };

    window_class(application* owner, std::wstring name);
    ~window_class();

    bool register_class();

    application* owner;
    std::wstring name;
    std::int32_t state = not_registered;
    WNDCLASSEXW description{};
};

// A top-level overlapped window owned by the application.
class basic_window : public kite_utility::not_copyable {
public:
    using created_function = std::function<void(basic_window*)>;
    using close_function = std::function<void(basic_window*, bool& allow)>;
    using mouse_leave_function = std::function<void(basic_window*)>;
    using app_message_function = std::function<LRESULT(basic_window*, UINT, WPARAM, LPARAM)>;
    using end_session_function = std::function<void(basic_window*, bool ending)>;
    using timer_function = std::function<void(basic_window*, UINT_PTR timer)>;

    enum placement_flags : std::uint16_t { use_size = 1, use_position = 2 };

    basic_window(application* owner, const std::wstring& name, int width, int height);
    virtual ~basic_window();

    virtual LRESULT handle_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    virtual LRESULT on_create(LPARAM create_struct);

    void create();
    void release_controls();
    void scale(float factor);

    // Hands a new background brush to the window, which deletes the one it held.
    void set_background(HBRUSH brush) { background.reset(brush); }

    // Controls (created as children of this window and owned by `controls`).
    ctrl::button* add_button(const std::string& text, const control_rect& rect);
    edit* add_edit(const control_rect& rect);
    label* add_label(const control_rect& rect, const std::string& text);
    image* add_image(const control_rect& rect);

    HWND handle() const { return hwnd.get(); }
    const std::wstring& class_name() const { return window_class.name; }

    created_function created_handler;
    close_function close_handler;
    mouse_leave_function mouse_leave_handler;
    // Messages from WM_APP up to 0xBFFF, which the program posts to its own windows (from other threads,
    // say). The handler may close the window.
    app_message_function app_message_handler;
    // WM_ENDSESSION: ending is false when the log-off or shutdown was cancelled. Once it returns with
    // ending true, the system may end the process at any moment. A toolkit window never holds up a log-off:
    // WM_QUERYENDSESSION is always answered yes.
    end_session_function end_session_handler;
    // WM_TIMER of a timer set on the window (SetTimer without a procedure).
    timer_function timer_handler;
    kite::window_class window_class;
    unique_window hwnd;
    std::vector<std::unique_ptr<basic_control>> controls;
    unique_brush background;
    bool track_mouse = false;
    std::uint16_t placement = use_size;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width;
    std::int32_t height;
    // Extended style for CreateWindowExW. A derived window sets it in its constructor, so that the style is
    // in place before the window is first shown.
    DWORD extended_style = 0;
    // A window that only takes messages (the session's, say) is never shown.
    bool shown = true;

private:
    LRESULT close();
    LRESULT erase_background(HWND hwnd, HDC dc);
    LRESULT color_static(HWND hwnd, WPARAM wparam, LPARAM lparam);
    LRESULT forward_to_controls(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
};

} // namespace kite
