// A full-screen window showing a known pattern and counting the key-ups it receives. With the argument
// "virtual-screen" it covers every monitor, not only the primary one.
#include <windows.h>

#include <vector>

#include "tests/support/pattern.h"

namespace {

std::vector<unsigned> key_ups(256, 0);
std::vector<DWORD> pixels;
BITMAPINFO info{};

// The pattern of the screen pixels from (left, top) on, width x height.
void build_pattern(int left, int top, int width, int height)
{
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF colour = test_support::pattern_colour(left + x, top + y);
            pixels[static_cast<std::size_t>(y) * width + x] =
                (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        }
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
}

LRESULT CALLBACK procedure(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(info.bmiHeader.biWidth),
                          static_cast<DWORD>(-info.bmiHeader.biHeight), 0, 0, 0,
                          static_cast<UINT>(-info.bmiHeader.biHeight), pixels.data(), &info, DIB_RGB_COLORS);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_KEYUP:
        ++key_ups[wparam & 255];
        return 0;
    case test_support::pattern_key_ups:
        return key_ups[wparam & 255];
    case test_support::pattern_hang:
        Sleep(static_cast<DWORD>(wparam));
        return 0;
    case test_support::pattern_activate:
        SetForegroundWindow(window);
        SetFocus(window);
        return GetForegroundWindow() == window;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, msg, wparam, lparam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int)
{
    int left = 0, top = 0;
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    if (arguments != nullptr && lstrcmpW(arguments, L"virtual-screen") == 0) {
        left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    build_pattern(left, top, width, height);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpszClassName = test_support::pattern_class;
    RegisterClassExW(&window_class);
    HWND window = CreateWindowExW(0, test_support::pattern_class, L"Pattern", WS_POPUP | WS_VISIBLE, left, top,
                                  width, height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
