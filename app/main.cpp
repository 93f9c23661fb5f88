#include <windows.h>
#include <shellscalingapi.h>

#include <exception>
#include <stdexcept>

#include "app/frame_window.h"
#include "app/input_hooks.h"
#include "app/main_form.h"
#include "app/main_window.h"
#include "app/snapshot.h"
#include "app/snapshot_writer.h"
#include "resources/resource_ids.h"
#include "toolkit/application.h"
#include "toolkit/native_handles.h"

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

kite::unique_hook install_hook(int kind, HOOKPROC procedure, HINSTANCE instance, const char* failure)
{
    kite::unique_hook hook(SetWindowsHookExW(kind, procedure, instance, 0));
    if (!hook)
        throw std::runtime_error(failure);
    return hook;
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
    window->close_handler = confirm_close;
    window->created_handler = build_form;

    // Declared before the hooks, so that it finishes the snapshots already released after they are gone.
    snapshot_writer writer(window->handle(), msg_snapshot_finished);
    window->writer = &writer;
    window->app_message_handler = show_finished_snapshots;

    kite::unique_hook keyboard_hook =
        install_hook(WH_KEYBOARD_LL, keyboard_hook_proc, instance, "Konnte Keyboard-HOOK nicht installieren.");
    kite::unique_hook mouse_hook =
        install_hook(WH_MOUSE_LL, mouse_hook_proc, instance, "Konnte Mouse-HOOK nicht installieren.");

    while (kite::pump_message(app.msg)) {
    }
    // Locals go in reverse order: the mouse hook, then the keyboard hook, then the writer, which finishes
    // every snapshot already released, then the application.
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
