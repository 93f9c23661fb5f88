#include "app/main_form.h"

#include "app/error_box.h"
#include "app/frame_size_settings.h"
#include "app/frame_window.h"
#include "app/input_hooks.h"
#include "app/main_window.h"
#include "app/snapshot_writer.h"
#include "app/target_folder_opener.h"
#include "toolkit/button.h"
#include "toolkit/control_scaling.h"
#include "toolkit/edit.h"
#include "toolkit/static_controls.h"
#include "utility/text_conversion.h"
// Generated from the project's version.
#include "pictor_version.h"

#include <string>
#include <utility>

namespace {

using kite::control_rect;
using kite_utility::filesystem::to_utf16;

// The form at 96 DPI, in pixels of the main window's client area.
constexpr control_rect preview_caption_rect{5, 5, 150, 25};
constexpr control_rect preview_rect{5, 31, 200, 200};
constexpr control_rect width_label_rect{5, 250, 35, 25};
// Overlaps the top two pixels of the width row.
constexpr control_rect size_limits_rect{5, 232, 150, 20};
constexpr control_rect width_edit_rect{42, 250, 50, 25};
constexpr control_rect height_label_rect{5, 280, 35, 25};
constexpr control_rect height_edit_rect{42, 280, 50, 25};
constexpr control_rect quit_button_rect{5, 372, 75, 25};
// Spans both size rows.
constexpr control_rect default_size_button_rect{95, 250, 75, 55};
constexpr control_rect subfolder_label_rect{5, 320, 200, 22};
constexpr control_rect subfolder_edit_rect{5, 342, 200, 25};
constexpr control_rect reset_button_rect{82, 372, 80, 25};
constexpr control_rect version_rect{165, 377, 30, 20};

constexpr WPARAM size_text_limit = 4;
constexpr float layout_dpi = 96.0f;

void add_preview(my_window& window)
{
    window.preview_caption = window.add_label(preview_caption_rect, "Letzter Snapshot...");
    window.preview = window.add_image(preview_rect);
    if (window.preview == nullptr)
        return;
    window.preview->menu.reset(CreatePopupMenu());
    if (window.preview->menu)
        window.preview->add_menu_item(to_utf16(open_target_folder_text), open_target_folder);
}

std::string size_limits_text()
{
    const screen_rect area = work_area_size();
    return "min: 32x32 max: " + std::to_string(area.width) + "x" + std::to_string(area.height);
}

// The text is in place before the handlers are bound, so building the form resizes nothing.
kite::edit* add_size_edit(my_window& window, const control_rect& rect, std::int32_t size)
{
    kite::edit* edit = window.add_edit(rect);
    if (edit == nullptr || edit->handle() == nullptr)
        return edit;
    SendMessageW(edit->handle(), EM_LIMITTEXT, size_text_limit, 0);
    edit->set_text(std::to_wstring(size), false);
    edit->on_change = [&window](kite::basic_message_control* changed) { window.apply_frame_size(changed); };
    edit->on_kill_focus = [&window](kite::basic_message_control* left) { show_frame_size(window, left); };
    return edit;
}

void add_size_settings(my_window& window)
{
    window.add_label(width_label_rect, "Breite:");
    window.add_label(size_limits_rect, size_limits_text());
    window.width_edit = add_size_edit(window, width_edit_rect, window.frame_width);
    window.add_label(height_label_rect, "Höhe:");
    window.height_edit = add_size_edit(window, height_edit_rect, window.frame_height);
}

void add_button(my_window& window, const std::string& text, const control_rect& rect,
                void (*command)(my_window&))
{
    kite::ctrl::button* button = window.add_button(text, rect);
    if (button != nullptr)
        button->on_click = [&window, command](kite::basic_message_control*) { command(window); };
}

void add_subfolder_setting(my_window& window)
{
    window.add_label(subfolder_label_rect, "Unterordner:");
    window.subfolder_edit = window.add_edit(subfolder_edit_rect);
    if (window.subfolder_edit != nullptr)
        window.subfolder_edit->on_change = fix_subfolder_text;
}

// The window's DPI over 96; 1 without a window or an answer.
float dpi_scale(HWND window)
{
    const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 0;
    return dpi != 0 ? static_cast<float>(dpi) / layout_dpi : 1.0f;
}

// Once: a later change of the window's DPI does not rescale the form.
void scale_for_dpi(my_window& window)
{
    window.scale(dpi_scale(window.handle()));
    for (const auto& control : window.controls) {
        const auto* windowed = dynamic_cast<const kite::basic_message_control*>(control.get());
        HWND parent = windowed != nullptr && windowed->handle() != nullptr ? GetParent(windowed->handle()) : nullptr;
        kite::scale_control(control.get(), dpi_scale(parent));
    }
}

// Set while "Pictor beenden?" is open. A close that arrives meanwhile (the quit key after the close box,
// say) is refused instead of stacking a second question whose Yes would destroy the window under the first.
bool question_open = false;

class open_question {
public:
    open_question() { question_open = true; }
    ~open_question() { question_open = false; }
    open_question(const open_question&) = delete;
    open_question& operator=(const open_question&) = delete;
};

bool user_confirms_quit(HWND owner)
{
    open_question asking;
    SetForegroundWindow(owner);
    return MessageBoxW(owner, to_utf16("Pictor beenden?").c_str(), to_utf16("Pictor").c_str(), quit_question_style) ==
           IDYES;
}

} // namespace

void build_form(kite::basic_window* window)
{
    auto* form = dynamic_cast<my_window*>(window);
    if (form == nullptr)
        return;
    add_preview(*form);
    add_size_settings(*form);
    add_button(*form, "&Beenden", quit_button_rect, request_quit);
    add_button(*form, "512x512", default_size_button_rect, set_default_frame_size);
    add_subfolder_setting(*form);
    add_button(*form, "Zurücksetzen", reset_button_rect, reset_settings);
    form->add_label(version_rect, "v" PICTOR_VERSION_TEXT);
    scale_for_dpi(*form);
}

void confirm_close(kite::basic_window* window, bool& allow)
{
    if (question_open) {
        allow = false;
        return;
    }
    allow = user_confirms_quit(window != nullptr ? window->handle() : nullptr);
    auto* form = dynamic_cast<my_window*>(window);
    if (form == nullptr)
        return;
    if (allow) {
        // From here on the hooks find no window and a size entry moves no frame. Snapshots still being
        // written are finished without announcing them to a window handle that is about to go.
        hook_relay.connect(nullptr);
        close_frame(*form);
        if (form->writer != nullptr)
            form->writer->notify_to(nullptr);
        main_window = nullptr;
        return;
    }
    // Ends the topmost state the quit key gave the window, without taking the keyboard from the user's
    // program.
    SetWindowPos(form->handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    form->closing = false;
}

void open_target_folder(unsigned int)
{
    my_window* window = main_window;
    if (window == nullptr || window->opener == nullptr)
        return;
    window->opener->request(window->subfolder_text());
}

LRESULT show_folder_failures(kite::basic_window* window, UINT message, WPARAM, LPARAM)
{
    auto* form = dynamic_cast<my_window*>(window);
    if (message != msg_folder_failed || form == nullptr || form->opener == nullptr)
        return 0;
    for (std::string& failure : form->opener->take_failures())
        queue_error(std::move(failure));
    show_queued_errors();
    return 0;
}

void request_quit(my_window& window)
{
    window.closing = true;
    if (HWND handle = window.handle())
        PostMessageW(handle, WM_CLOSE, 0, 0);
}
