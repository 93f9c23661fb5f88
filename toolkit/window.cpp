#include "toolkit/window.h"

#include "toolkit/application.h"

#include <stdexcept>
#include <utility>

namespace kite {

window_class::window_class(application* owner_, std::wstring name_) : owner(owner_), name(std::move(name_))
{
    description.cbSize = sizeof(WNDCLASSEXW);
    description.style = CS_VREDRAW | CS_HREDRAW;
    description.lpfnWndProc = window_procedure;
    description.hInstance = messages<1>::module_instance;
    description.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    description.lpszClassName = name.c_str();
    try {
        if (!register_class())
            throw std::runtime_error("register wndclass failed");
    } catch (const std::exception& error) {
        fatal_error(error.what());
    }
}

bool window_class::register_class()
{
    if (state != not_registered)
        return state == registered;
    HINSTANCE instance = messages<1>::module_instance;
    if (name.empty() || instance == nullptr || description.lpfnWndProc == nullptr)
        return false;
    // A class of the same name left behind by an earlier window is replaced; this fails while a
    // window of that class still exists, and so does the registration below.
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, name.c_str(), &existing))
        UnregisterClassW(name.c_str(), instance);
    state = RegisterClassExW(&description) != 0 ? registered : failed;
    return state == registered;
}

window_class::~window_class()
{
    if (state == registered && description.lpszClassName != nullptr && description.hInstance != nullptr) {
        if (!UnregisterClassW(description.lpszClassName, description.hInstance)) {
            pending_unregistrations.push_back({description.hInstance, name});
            PostMessageW(nullptr, msg_retry_unregister, 0, 0);
        }
    }
    name.clear();
    state = not_registered;
}

basic_window::basic_window(application* owner, const std::wstring& name, int width_, int height_)
    : window_class(owner, name),
      background(CreateSolidBrush(GetSysColor(COLOR_WINDOW))),
      width(width_),
      height(height_)
{
}

basic_window::~basic_window()
{
    release_controls();
    hwnd.reset();
    background.reset();
}

void basic_window::create()
{
    if (hwnd)
        return;
    int left = CW_USEDEFAULT, top = CW_USEDEFAULT, outer_width = CW_USEDEFAULT, outer_height = CW_USEDEFAULT;
    if (placement & use_size) {
        outer_width = width;
        outer_height = height;
    }
    if (placement & use_position) {
        left = x;
        top = y;
    }
    try {
        HWND created = CreateWindowExW(extended_style, window_class.name.c_str(), window_class.name.c_str(),
                                       WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, left, top, outer_width,
                                       outer_height, nullptr, nullptr, messages<1>::module_instance, nullptr);
        if (created == nullptr)
            throw std::runtime_error("create window failed");
        hwnd.reset(created);
    } catch (const std::exception& error) {
        fatal_error(error.what());
    }
    if (!shown)
        return;
    UpdateWindow(hwnd.get());
    ShowWindow(hwnd.get(), SW_SHOW);
}

LRESULT basic_window::on_create(LPARAM)
{
    return 0;
}

LRESULT basic_window::handle_message(HWND target, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_CREATE:
        PostMessageW(target, msg_created, 0, 0);
        return on_create(lparam);
    case WM_CLOSE:
        return close();
    case WM_ERASEBKGND:
        return erase_background(target, reinterpret_cast<HDC>(wparam));
    case WM_DRAWITEM:
    case WM_NOTIFY:
    case WM_CONTEXTMENU:
    case WM_COMMAND:
    case WM_PARENTNOTIFY:
        return forward_to_controls(target, msg, wparam, lparam);
    case WM_CTLCOLORSTATIC:
        return color_static(target, wparam, lparam);
    case WM_MOUSEMOVE:
        if (track_mouse)
            track_hover_and_leave(hwnd.get());
        return 0;
    case WM_MOUSELEAVE:
        if (track_mouse && mouse_leave_handler)
            mouse_leave_handler(this);
        return 0;
    case msg_created:
        if (created_handler)
            created_handler(this);
        return 0;
    case WM_TIMER:
        if (timer_handler) {
            const timer_function handler = timer_handler;
            handler(this, static_cast<UINT_PTR>(wparam));
        }
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (end_session_handler) {
            const end_session_function handler = end_session_handler;
            handler(this, wparam != FALSE);
        }
        return 0;
    default:
        if (is_app_message(msg) && app_message_handler) {
            // A copy runs: the handler may close the window and so end this object and its members.
            const app_message_function handler = app_message_handler;
            return handler(this, msg, wparam, lparam);
        }
        return 0;
    }
}

LRESULT basic_window::close()
{
    bool allow = true;
    if (close_handler)
        close_handler(this, allow);
    if (!allow)
        return 0;
    release_controls();
    // WM_DESTROY hands this object to the deferred deletion, or deletes it at once when it is the last
    // window: nothing here may touch a member after DestroyWindow.
    HWND old = hwnd.release();
    if (old != nullptr)
        DestroyWindow(old);
    return 0;
}

LRESULT basic_window::erase_background(HWND target, HDC dc)
{
    if (target == nullptr || dc == nullptr || !background)
        return 0;
    RECT client{};
    GetClientRect(target, &client);
    return FillRect(dc, &client, background.get()) ? 1 : 0;
}

LRESULT basic_window::color_static(HWND target, WPARAM wparam, LPARAM lparam)
{
    if (!background)
        return DefWindowProcW(target, WM_CTLCOLORSTATIC, wparam, lparam);
    LOGBRUSH brush{};
    COLORREF colour = 0;
    if (GetObjectW(background.get(), sizeof(brush), &brush) != 0)
        colour = RGB(GetRValue(brush.lbColor), GetGValue(brush.lbColor), GetBValue(brush.lbColor));
    SetBkColor(reinterpret_cast<HDC>(wparam), colour);
    return reinterpret_cast<LRESULT>(background.get());
}

LRESULT basic_window::forward_to_controls(HWND target, UINT msg, WPARAM wparam, LPARAM lparam)
{
    // A control's handler may close this window: its controls then go to the deferred deletion and the
    // list is emptied, so the walk stops as soon as the queue has grown.
    const std::size_t pending_before = pending_controls.size();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        basic_control* control = controls[i].get();
        if (control == nullptr)
            continue;
        const LRESULT result = control->handle_message(target, msg, wparam, lparam);
        if (result != 0)
            return result;
        if (pending_controls.size() > pending_before)
            return 0;
    }
    return 0;
}

void basic_window::release_controls()
{
    if (controls.empty())
        return;
    for (auto& control : controls)
        pending_controls.push_back(std::move(control));
    PostMessageW(nullptr, msg_delete_controls, 0, 0);
    controls.clear();
}

void basic_window::scale(float factor)
{
    if (!hwnd)
        return;
    RECT rect{};
    int outer_width = 0, outer_height = 0;
    if (GetWindowRect(hwnd.get(), &rect)) {
        outer_width = rect.right - rect.left;
        outer_height = rect.bottom - rect.top;
    }
    const int scaled_width = static_cast<int>(static_cast<float>(outer_width) * factor);
    const int scaled_height = static_cast<int>(static_cast<float>(outer_height) * factor);
    SetWindowPos(hwnd.get(), nullptr, 0, 0, scaled_width, scaled_height, SWP_NOZORDER | SWP_NOMOVE);
}

} // namespace kite
