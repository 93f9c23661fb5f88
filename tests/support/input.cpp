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
    // Over the whole virtual screen, so that monitors left of or above the primary one are reached too.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = normalise(x - GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
    input.mi.dy = normalise(y - GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
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

namespace {

BOOL CALLBACK take_pending_events(HWND window, LPARAM)
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
    return TRUE;
}

} // namespace

void let_programs_take_pending_events()
{
    EnumWindows(take_pending_events, 0);
}

void place_pointer(int x, int y)
{
    // Wine moves its X pointer only for SetCursorPos, and not while another program holds the pointer (an
    // open menu); where that pointer stays elsewhere, a crossing event from a window that rose or closed
    // meanwhile puts the cursor back there, for every program, at whatever moment the window's program
    // takes its events. So: move, let every window's program take its pending events, and check where the
    // X server has the pointer (GetCursorPos asks it once the last move is 100 ms old).
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0)
            SetCursorPos(x + 1, y);  // a SetCursorPos to the place Wine already has does not move X's pointer
        SetCursorPos(x, y);
        move_pointer(x, y);
        let_programs_take_pending_events();
        Sleep(110);
        POINT where{};
        if (GetCursorPos(&where) && where.x == x && where.y == y)
            return;
    }
}

void click_at(int x, int y, bool right_button)
{
    place_pointer(x, y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = right_button ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = right_button ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

void type_text(const std::wstring& text)
{
    for (wchar_t c : text) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wScan = input[1].ki.wScan = static_cast<WORD>(c);
        input[0].ki.dwFlags = KEYEVENTF_UNICODE;
        input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
}

} // namespace test_support
