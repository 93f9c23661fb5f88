// The reference for the pointer path: low-level hooks that only pass every event on.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK pass_mouse(int code, WPARAM wparam, LPARAM lparam)
{
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK pass_key(int code, WPARAM wparam, LPARAM lparam)
{
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

} // namespace

int wmain()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, pass_key, instance, 0);
    HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, pass_mouse, instance, 0);
    std::printf("%lu\n", GetCurrentProcessId());
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    UnhookWindowsHookEx(mouse);
    UnhookWindowsHookEx(keyboard);
    return 0;
}
