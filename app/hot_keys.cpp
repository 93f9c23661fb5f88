#include "app/hot_keys.h"

#include "app/input_hooks.h"
#include "app/main_window.h"
#include "app/snapshot.h"
#include "app/snapshot_writer.h"
#include "toolkit/edit.h"

namespace {

bool subfolder_edit_has_focus(const my_window& window)
{
    return window.subfolder_edit != nullptr && window.subfolder_edit->handle() != nullptr &&
           GetFocus() == window.subfolder_edit->handle();
}

// Whatever fails, the user hears of the snapshot.
void take_released_snapshot(my_window& window, const key_release& release)
{
    try {
        const std::string subfolder = window.subfolder_text();
        if (FAILED(release.pointer_failure)) {
            report_failed_release(subfolder, release.time, release.pointer_failure);
            return;
        }
        take_snapshot(frame_rect_around(release.pointer, release.frame_width, release.frame_height), subfolder,
                      release.time);
    } catch (...) {
        if (window.writer != nullptr)
            window.writer->report_lost();
    }
}

void report_lost_releases(my_window& window)
{
    for (unsigned lost = hook_relay.take_lost_releases(); lost > 0; --lost)
        if (window.writer != nullptr)
            window.writer->report_lost();
}

// The frame of a window that is going, or after the quit was confirmed, stays where it is.
void act_on_releases(my_window& window)
{
    report_lost_releases(window);
    for (const key_release& release : hook_relay.take_releases()) {
        if (main_window != &window)
            return;
        if (subfolder_edit_has_focus(window))
            continue;
        if (release.key == hot_key::quit)
            ask_to_quit(window);
        else if (release.key == hot_key::snapshot)
            take_released_snapshot(window, release);
    }
}

void follow_pointer(my_window& window)
{
    POINT pointer{};
    if (hook_relay.take_pointer(pointer))
        window.place_frame(pointer.x - window.frame_width / 2, pointer.y - window.frame_height / 2, true);
}

} // namespace

LRESULT handle_input_message(kite::basic_window* window, UINT message, WPARAM, LPARAM)
{
    auto* form = dynamic_cast<my_window*>(window);
    if (form == nullptr || main_window != form)
        return 0;
    if (message == msg_pointer_moved)
        follow_pointer(*form);
    else if (message == msg_key_released)
        act_on_releases(*form);
    return 0;
}

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
