#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "utility/not_copyable.h"
#include "utility/text_conversion.h"

namespace kite {

class basic_window;
class basic_control;
class application;

// Private messages of the toolkit. The first three are posted to the thread, the last to a new window.
constexpr UINT msg_retry_unregister = WM_USER + 1;
constexpr UINT msg_delete_windows = WM_USER + 2;
constexpr UINT msg_delete_controls = WM_USER + 3;
constexpr UINT msg_created = WM_USER + 4;

// The range of messages a program defines for its own windows.
constexpr bool is_app_message(UINT message)
{
    return message >= WM_APP && message <= 0xBFFF;
}

template <int N>
class messages;

// Message-routing base. The first instance of the process binds the dispatcher to itself.
template <>
class messages<1> : public kite_utility::not_copyable {
public:
    using dispatch_function = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

    static constexpr std::uint32_t instance_limit = 0xFFFFFFF0u;
    static std::uint32_t instance_count;
    static HINSTANCE module_instance;
    static dispatch_function dispatcher;

    explicit messages(HINSTANCE instance);
    virtual ~messages();

    virtual LRESULT route_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

    MSG msg;
};

// A class name whose UnregisterClassW failed, to be tried once more from the loop.
struct pending_unregistration {
    HINSTANCE instance;
    std::wstring class_name;
};

// Deferred deletion: nothing is deleted while one of its own member functions may still be on the stack.
extern std::deque<std::unique_ptr<basic_window>> pending_windows;
extern std::deque<std::unique_ptr<basic_control>> pending_controls;
extern std::deque<pending_unregistration> pending_unregistrations;

// Owns every top-level window of the process and routes their messages.
class application : public messages<1> {
public:
    explicit application(HINSTANCE instance);
    ~application() override;

    LRESULT route_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) override;

    // T derives from basic_window and is constructed from (application*, class name, width, height).
    // The name (UTF-8) becomes the window class name and the initial title.
    template <class T>
    T* create_window(const std::string& name, int width, int height);

    LRESULT dispatch_to_window(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

    std::vector<std::unique_ptr<basic_window>> windows;

private:
    LRESULT on_destroy();
    void create_last_window();

    // Set while the destructor deletes the remaining windows: no quit message is posted then.
    bool tearing_down_ = false;
};

LRESULT CALLBACK window_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// One step of the message loop; false once WM_QUIT arrives or GetMessageW fails.
bool pump_message(MSG& msg);

void delete_pending_windows();
void delete_pending_controls();
void retry_pending_unregistrations();

// Shows text in an error box without owner and ends the process with exit code -1.
[[noreturn]] void fatal_error(const char* text);

// In the catch (...) of a procedure the system calls: an exception must not unwind through the system's
// frames (on 32-bit x86 that ends the process without a word), so its text goes to fatal_error.
[[noreturn]] void fatal_current_exception() noexcept;

template <class T>
T* application::create_window(const std::string& name, int width, int height)
{
    auto window = std::make_unique<T>(this, kite_utility::filesystem::to_utf16(name), width, height);
    windows.push_back(std::move(window));
    create_last_window();
    return static_cast<T*>(windows.back().get());
}

} // namespace kite
