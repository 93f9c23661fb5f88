#include "app/input_hooks.h"

#include "app/frame_window.h"
#include "app/main_window.h"
#include "app/snapshot.h"
#include "app/snapshot_writer.h"
#include "toolkit/edit.h"
#include "utility/text_conversion.h"

#include <ctime>

namespace {

constexpr DWORD key_w = 0x57;
constexpr DWORD key_q = 0x51;

bool subfolder_edit_has_focus(const my_window& window)
{
    return window.subfolder_edit != nullptr && window.subfolder_edit->handle() != nullptr &&
           GetFocus() == window.subfolder_edit->handle();
}

// The quit question comes from the main window's close handler; a second Q while it is open does nothing.
void ask_to_quit(my_window& window)
{
    if (window.closing)
        return;
    window.closing = true;
    if (HWND handle = window.handle()) {
        // Brings the window, and with it the question, above every window that is not topmost.
        SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        PostMessageW(handle, WM_CLOSE, 0, 0);
    }
}

// Only what must happen at the release happens here: the file and the thumbnail are made by the writer.
// Whatever fails, the user hears of the snapshot.
void snapshot_under_frame(my_window& window)
{
    const std::time_t release = std::time(nullptr);
    try {
        const std::string subfolder = window.subfolder_text();
        POINT cursor{};
        if (!GetCursorPos(&cursor)) {
            const DWORD error = GetLastError();
            report_failed_release(subfolder, release, error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL);
            return;
        }
        take_snapshot(frame_rect_around(cursor, window.frame_width, window.frame_height), subfolder, release);
    } catch (...) {
        if (window.writer != nullptr)
            window.writer->report_lost();
    }
}

void handle_key(WPARAM message, LPARAM event)
{
    my_window* window = main_window;
    if (window == nullptr || event == 0 || message != WM_KEYUP || subfolder_edit_has_focus(*window))
        return;
    const DWORD key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(event)->vkCode;
    if (key == key_q)
        ask_to_quit(*window);
    else if (key == key_w)
        snapshot_under_frame(*window);
}

} // namespace

capture_rect frame_rect_around(POINT pointer, std::int32_t width, std::int32_t height)
{
    return {pointer.x - width / 2, pointer.y - height / 2, width, height};
}

std::string my_window::subfolder_text() const
{
    if (subfolder_edit == nullptr)
        return std::string();
    return kite_utility::filesystem::to_utf8(subfolder_edit->get_text());
}

LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM wparam, LPARAM lparam)
{
    // No exception may unwind into the system's frames; the key is passed on whatever happened here.
    try {
        handle_key(wparam, lparam);
    } catch (...) {
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK mouse_hook_proc(int code, WPARAM wparam, LPARAM lparam)
{
    // Runs for every pointer move in the system: one move of the frame, no resize, no allocation.
    my_window* window = main_window;
    if (window != nullptr && lparam != 0 && wparam == WM_MOUSEMOVE && window->frame != nullptr) {
        if (HWND frame = window->frame->handle()) {
            const POINT pointer = reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam)->pt;
            SetWindowPos(frame, nullptr, pointer.x - window->frame_width / 2, pointer.y - window->frame_height / 2,
                         window->frame_width, window->frame_height, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
