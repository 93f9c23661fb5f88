#include "app/input_hooks.h"

#include "toolkit/native_handles.h"

#include <ctime>
#include <future>
#include <stdexcept>
#include <utility>

input_relay hook_relay;

namespace {

constexpr DWORD key_w = 0x57;
constexpr DWORD key_q = 0x51;

bool key_down_now(int vk)
{
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

HRESULT last_error_or_fail()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// What the hook thread tells its starter: the text of the hook that could not be installed, or none.
struct installation {
    const char* failure = nullptr;
    DWORD thread_id = 0;
};

void run_hooks(HINSTANCE instance, input_hooks::installer install, std::promise<installation> started)
{
    // The thread's message queue exists before anyone may post the quit to it.
    MSG message{};
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    installation result;
    result.thread_id = GetCurrentThreadId();
    kite::unique_hook keyboard(install(WH_KEYBOARD_LL, keyboard_hook_proc, instance, 0));
    if (!keyboard)
        result.failure = "Konnte Keyboard-HOOK nicht installieren.";
    kite::unique_hook mouse;
    if (keyboard) {
        mouse.reset(install(WH_MOUSE_LL, mouse_hook_proc, instance, 0));
        if (!mouse)
            result.failure = "Konnte Mouse-HOOK nicht installieren.";
    }
    if (result.failure != nullptr) {
        keyboard.reset();
        started.set_value(result);
        return;
    }
    started.set_value(result);
    // The system calls both hooks from inside this wait.
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    mouse.reset();
    keyboard.reset();
}

} // namespace

capture_rect frame_rect_around(POINT pointer, std::int32_t width, std::int32_t height)
{
    return {pointer.x - width / 2, pointer.y - height / 2, width, height};
}

hot_key hot_key_of(WPARAM message, DWORD vk, DWORD flags, held_modifiers held)
{
    // A key released while Alt is held comes as WM_SYSKEYUP, but with Ctrl too (AltGr) as WM_KEYUP.
    if (message != WM_KEYUP || (flags & LLKHF_ALTDOWN) != 0 || held.alt || held.windows)
        return hot_key::none;
    if (vk == key_w)
        return hot_key::snapshot;
    if (vk == key_q)
        return hot_key::quit;
    return hot_key::none;
}

void input_relay::connect(HWND window)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    target_ = window;
    move_posted_ = false;
}

void input_relay::set_frame_size(std::int32_t width, std::int32_t height)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    frame_width_ = width;
    frame_height_ = height;
}

void input_relay::pointer_moved(POINT where)
{
    HWND target = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pointer_ = where;
        if (target_ == nullptr || move_posted_)
            return;
        move_posted_ = true;
        target = target_;
    }
    if (!PostMessageW(target, msg_pointer_moved, 0, 0)) {
        const std::lock_guard<std::mutex> lock(mutex_);
        move_posted_ = false;
    }
}

void input_relay::key_released(WPARAM message, const KBDLLHOOKSTRUCT& event)
{
    // Most keys are none of Pictor's business: only W and Q are looked at further.
    if (event.vkCode != key_w && event.vkCode != key_q)
        return;
    held_modifiers held;
    held.alt = key_down_now(VK_MENU);
    held.windows = key_down_now(VK_LWIN) || key_down_now(VK_RWIN);
    key_release release;
    release.key = hot_key_of(message, event.vkCode, event.flags, held);
    if (release.key == hot_key::none)
        return;
    release.time = std::time(nullptr);
    if (release.key == hot_key::snapshot && !GetCursorPos(&release.pointer))
        release.pointer_failure = last_error_or_fail();
    HWND target = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (target_ == nullptr)
            return;
        target = target_;
        release.frame_width = frame_width_;
        release.frame_height = frame_height_;
        try {
            releases_.push_back(release);
        } catch (...) {
            ++lost_;
        }
    }
    // A message lost here (a full queue) is made good by the next: each takes every release waiting.
    PostMessageW(target, msg_key_released, 0, 0);
}

std::deque<key_release> input_relay::take_releases()
{
    std::deque<key_release> taken;
    const std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(releases_);
    return taken;
}

unsigned input_relay::take_lost_releases()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(lost_, 0u);
}

bool input_relay::take_pointer(POINT& where)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!move_posted_)
        return false;
    move_posted_ = false;
    where = pointer_;
    return true;
}

LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM wparam, LPARAM lparam)
{
    // No exception may unwind into the system's frames; the key is passed on whatever happened here.
    try {
        if (lparam != 0)
            hook_relay.key_released(wparam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam));
    } catch (...) {
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK mouse_hook_proc(int code, WPARAM wparam, LPARAM lparam)
{
    try {
        if (lparam != 0 && wparam == WM_MOUSEMOVE)
            hook_relay.pointer_moved(reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam)->pt);
    } catch (...) {
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

input_hooks::input_hooks(HINSTANCE instance, installer install)
{
    std::promise<installation> started;
    std::future<installation> installed = started.get_future();
    // The promise goes with the thread: the starter may be gone before set_value has quite returned.
    thread_ = std::thread(run_hooks, instance, install, std::move(started));
    const installation result = installed.get();
    thread_id_ = result.thread_id;
    if (result.failure != nullptr) {
        thread_.join();
        throw std::runtime_error(result.failure);
    }
}

input_hooks::~input_hooks()
{
    remove();
}

void input_hooks::remove()
{
    if (!thread_.joinable())
        return;
    // The thread's queue exists and nothing else is posted to it, so the quit gets there.
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
}
