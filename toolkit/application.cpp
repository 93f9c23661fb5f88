#include "toolkit/application.h"

#include "toolkit/window.h"

#include <cstdlib>
#include <exception>
#include <cwchar>

namespace kite {

std::uint32_t messages<1>::instance_count = 0;
HINSTANCE messages<1>::module_instance = nullptr;
messages<1>::dispatch_function messages<1>::dispatcher;

std::deque<std::unique_ptr<basic_window>> pending_windows;
std::deque<std::unique_ptr<basic_control>> pending_controls;
std::deque<pending_unregistration> pending_unregistrations;

messages<1>::messages(HINSTANCE instance) : msg{}
{
    if (instance_count >= instance_limit)
        return;
    ++instance_count;
    if (instance_count == 1) {
        // Calls go through the virtual slot, so they reach the derived override once it is constructed.
        dispatcher = [this](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
            return route_message(hwnd, message, wparam, lparam);
        };
        module_instance = instance;
    }
}

messages<1>::~messages()
{
    if (instance_count == 0)
        return;
    --instance_count;
    if (instance_count == 0) {
        module_instance = nullptr;
        dispatcher = nullptr;
    }
}

LRESULT messages<1>::route_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

application::application(HINSTANCE instance) : messages<1>(instance) {}

application::~application()
{
    tearing_down_ = true;
    // Each window leaves the list before it is deleted: its destruction destroys the native window,
    // and the WM_DESTROY bookkeeping then walks a list that no longer holds it.
    while (!windows.empty()) {
        std::unique_ptr<basic_window> window = std::move(windows.front());
        windows.erase(windows.begin());
        window.reset();
    }
}

void application::create_last_window()
{
    windows.back()->create();
}

LRESULT application::route_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DESTROY:
        return on_destroy();
    case WM_ERASEBKGND: {
        const LRESULT result = dispatch_to_window(hwnd, message, wparam, lparam);
        return result != 0 ? result : DefWindowProcW(hwnd, message, wparam, lparam);
    }
    case WM_CREATE:
    case WM_CLOSE:
    case WM_SHOWWINDOW:
    case WM_DRAWITEM:
    case WM_NOTIFY:
    case WM_CONTEXTMENU:
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_MOUSEMOVE:
    case WM_PARENTNOTIFY:
    case WM_MOUSELEAVE:
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
    case WM_TIMER:
    case msg_created:
        return dispatch_to_window(hwnd, message, wparam, lparam);
    default:
        if (is_app_message(message))
            return dispatch_to_window(hwnd, message, wparam, lparam);
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

LRESULT application::dispatch_to_window(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) {
        // The handle is not stored yet: the window is found by its class name.
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        const wchar_t* name = (create != nullptr && create->lpszClass != nullptr) ? create->lpszClass : L"";
        // A class given as an atom is no name at all.
        if (IS_INTRESOURCE(name))
            name = L"";
        for (auto& window : windows) {
            if (window && window->class_name() == name)
                return window->handle_message(hwnd, message, wparam, lparam);
        }
    }
    for (auto& window : windows) {
        if (window && window->handle() == hwnd)
            return window->handle_message(hwnd, message, wparam, lparam);
    }
    return 0;
}

LRESULT application::on_destroy()
{
    // The window being destroyed has given up its handle just before DestroyWindow.
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        if (!*it || (*it)->handle() == nullptr) {
            pending_windows.push_back(std::move(*it));
            windows.erase(it);
            PostMessageW(nullptr, msg_delete_windows, 0, 0);
            break;
        }
    }
    if (windows.empty()) {
        delete_pending_windows();
        if (!tearing_down_)
            PostQuitMessage(0);
    }
    return 0;
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!messages<1>::dispatcher)
        return 0;
    try {
        return messages<1>::dispatcher(hwnd, message, wparam, lparam);
    } catch (...) {
        fatal_current_exception();
    }
}

bool pump_message(MSG& msg)
{
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
        return false;
    switch (msg.message) {
    case msg_retry_unregister:
        retry_pending_unregistrations();
        break;
    case msg_delete_windows:
        delete_pending_windows();
        break;
    case msg_delete_controls:
        delete_pending_controls();
        break;
    default:
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        break;
    }
    return true;
}

void delete_pending_windows()
{
    // Entries leave the queue before deletion; windows queued meanwhile are handled in the same pass.
    while (!pending_windows.empty()) {
        std::unique_ptr<basic_window> window = std::move(pending_windows.front());
        pending_windows.pop_front();
        window.reset();
    }
}

void delete_pending_controls()
{
    while (!pending_controls.empty()) {
        std::unique_ptr<basic_control> control = std::move(pending_controls.front());
        pending_controls.pop_front();
        control.reset();
    }
}

void retry_pending_unregistrations()
{
    while (!pending_unregistrations.empty()) {
        const pending_unregistration record = std::move(pending_unregistrations.front());
        pending_unregistrations.pop_front();
        UnregisterClassW(record.class_name.c_str(), record.instance);
    }
}

void fatal_current_exception() noexcept
{
    try {
        throw;
    } catch (const std::exception& error) {
        fatal_error(error.what());
    } catch (...) {
        fatal_error("an unknown error has occurred");
    }
}

void fatal_error(const char* text)
{
    // A quit already posted would close the box before the user could read it.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    // Above whatever the user works in: the program ends when it is answered.
    MessageBoxA(nullptr, text, "Error", MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
    std::exit(-1);
}

} // namespace kite
