#include "bench/subject_window.h"

#include <string>

namespace {

constexpr wchar_t subject_class[] = L"Bench.Subject";
constexpr UINT msg_next_look = WM_APP + 1;
constexpr UINT msg_green_bar = WM_APP + 2;  // wparam: left and top, lparam: width and height

// Green content where the ring lies, as a chart line or a status light may be; used by the window's thread only.
RECT green_bar{};

const COLORREF backgrounds[2] = {RGB(250, 248, 240), RGB(225, 236, 250)};

// Document-like content: lines of text on a plain background, as a screen mostly shows.
void paint(HWND window, int look)
{
    PAINTSTRUCT paint_info;
    HDC dc = BeginPaint(window, &paint_info);
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH background = CreateSolidBrush(backgrounds[look]);
    FillRect(dc, &client, background);
    DeleteObject(background);
    SetBkMode(dc, TRANSPARENT);
    const std::wstring line = L"Pictor measures how long a snapshot takes: 0123456789 ÄÖÜ äöü ß, "
                              L"from the key release to the file and to the thumbnail.";
    for (int y = 8, n = 0; y < client.bottom; y += 18, ++n) {
        SetTextColor(dc, RGB((n * 37) % 160, (n * 53) % 120, (n * 91) % 200));
        TextOutW(dc, 8 + (n % 7) * 11, y, line.c_str(), static_cast<int>(line.size()));
    }
    if (!IsRectEmpty(&green_bar)) {
        HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        FillRect(dc, &green_bar, green);
        DeleteObject(green);
    }
    EndPaint(window, &paint_info);
}

LRESULT CALLBACK subject_procedure(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_PAINT:
        paint(window, static_cast<int>(GetWindowLongPtrW(window, GWLP_USERDATA)));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case msg_green_bar:
        green_bar = RECT{LOWORD(wparam), HIWORD(wparam), LOWORD(wparam) + LOWORD(lparam), HIWORD(wparam) + HIWORD(lparam)};
        return 0;
    case msg_next_look:
        SetWindowLongPtrW(window, GWLP_USERDATA, 1 - GetWindowLongPtrW(window, GWLP_USERDATA));
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, msg, wparam, lparam);
    }
}

} // namespace

subject_window::subject_window(const RECT& place) : created_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    thread_ = std::thread([this, place] { run(place); });
    WaitForSingleObject(created_, 10000);
}

subject_window::~subject_window()
{
    if (window_ != nullptr)
        PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(created_);
}

void subject_window::next_look()
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window_, msg_next_look, 0, 0, SMTO_NORMAL, 5000, &ignored);
    // The picture reaches the screen once the window's thread is idle again.
    Sleep(60);
}

void subject_window::show_green_bar(const RECT& bar)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window_, msg_green_bar, MAKEWPARAM(bar.left, bar.top),
                        MAKELPARAM(bar.right - bar.left, bar.bottom - bar.top), SMTO_NORMAL, 5000, &ignored);
}

void subject_window::run(RECT place)
{
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = subject_procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = subject_class;
    RegisterClassExW(&window_class);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, subject_class, L"Subject", WS_POPUP, place.left,
                              place.top, place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                              window_class.hInstance, nullptr);
    if (window_ != nullptr) {
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        UpdateWindow(window_);
    }
    SetEvent(created_);
    MSG msg;
    while (window_ != nullptr && GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
}
