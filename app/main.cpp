#include <windows.h>
#include <shellscalingapi.h>

#include <exception>
#include <string>
#include <utility>

#include "app/error_box.h"
#include "app/frame_window.h"
#include "app/hot_keys.h"
#include "app/input_hooks.h"
#include "app/main_form.h"
#include "app/main_window.h"
#include "app/snapshot.h"
#include "app/shutdown.h"
#include "app/snapshot_writer.h"
#include "app/target_folder_opener.h"
#include "app/unsaved_snapshots.h"
#include "resources/resource_ids.h"
#include "toolkit/application.h"

namespace {

void set_small_icon(HINSTANCE instance, my_window& window)
{
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PICTOR));
    if (HWND handle = window.handle())
        SendMessageW(handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

// A window the system has already maximized loses the maximized state and any sizing border.
void fix_main_window_style(my_window& window)
{
    HWND handle = window.handle();
    if (handle == nullptr)
        return;
    const LONG style = GetWindowLongW(handle, GWL_STYLE);
    if (style & (WS_MAXIMIZE | WS_THICKFRAME))
        SetWindowLongW(handle, GWL_STYLE, style & ~(WS_MAXIMIZE | WS_THICKFRAME));
}

// What the last session's end could not write is told once the form stands, then forgotten.
void show_unsaved_from_last_session(my_window& window)
{
    for (std::string& text : take_unsaved_snapshot_texts())
        queue_error(std::move(text));
    PostMessageW(window.handle(), msg_show_errors, 0, 0);
}

LRESULT handle_app_message(kite::basic_window* window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == msg_show_errors) {
        show_queued_errors();
        return 0;
    }
    if (message == msg_key_released || message == msg_pointer_moved)
        return handle_input_message(window, message, wparam, lparam);
    if (message == msg_folder_failed)
        return show_folder_failures(window, message, wparam, lparam);
    return show_finished_snapshots(window, message, wparam, lparam);
}

void run(HINSTANCE instance)
{
    SetProcessDpiAwareness(PROCESS_PER_MONITOR_DPI_AWARE);
    kite::application app(instance);

    my_window* window = app.create_window<my_window>(main_window_name, main_window_width, main_window_height);
    main_window = window;
    set_small_icon(instance, *window);
    fix_main_window_style(*window);

    set_up_frame(*window, app.create_window<frame_window>(frame_window_name, 0, 0));

    // The form is built at the loop's first pass, once the hooks are in place.
    window->created_handler = build_form;

    // Both outlive the windows: released snapshots are finished after the main window has gone.
    snapshot_writer writer(window->handle(), msg_snapshot_finished);
    target_folder_opener opener(window->handle(), msg_folder_failed);
    window->writer = &writer;
    window->opener = &opener;
    window->app_message_handler = handle_app_message;

    hook_relay.set_frame_size(window->frame_width, window->frame_height);
    hook_relay.connect(window->handle());
    input_hooks hooks(instance);

    ending_parts parts{app, hooks, writer, opener};
    window->close_handler = [&parts](kite::basic_window* closing, bool& allow) {
        confirm_close(closing, allow);
        if (allow)
            begin_quit(parts);
    };
    // Every window of Pictor's may be the one the system tells first.
    const auto on_session_end = [&parts](kite::basic_window*, bool ending) { end_session(parts, ending); };
    window->end_session_handler = on_session_end;
    if (window->frame != nullptr)
        window->frame->end_session_handler = on_session_end;

    show_unsaved_from_last_session(*window);
    while (kite::pump_message(app.msg)) {
    }
    finish(parts);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    try {
        run(instance);
    } catch (const std::exception& error) {
        main_window = nullptr;
        kite::fatal_error(error.what());
    }
    return 0;
}
