#include "tests/support/input.h"

namespace test_support {

namespace {

// Maps a pixel to the 0..65535 range so that the system's conversion back lands on that pixel.
LONG normalise(int value, int extent)
{
    return static_cast<LONG>((static_cast<long long>(value) * 65536 + extent - 1) / extent);
}

void send_key(WORD vk, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

} // namespace

POINT move_pointer(int x, int y)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = normalise(x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = normalise(y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
    POINT where{};
    GetCursorPos(&where);
    return where;
}

void key_down(WORD vk)
{
    send_key(vk, 0);
}

void key_up(WORD vk)
{
    send_key(vk, KEYEVENTF_KEYUP);
}

void tap_key(WORD vk)
{
    key_down(vk);
    key_up(vk);
}

} // namespace test_support
