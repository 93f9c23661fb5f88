#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

// The controls of Pictor's main window, in the order the form creates them.
enum form_control {
    preview_caption,
    preview,
    width_label,
    size_limits,
    width_edit,
    height_label,
    height_edit,
    quit_button,
    default_size_button,
    subfolder_label,
    subfolder_edit,
    reset_button,
    version,
    form_control_count
};

// The form of a running Pictor, found once the message loop has built it.
class pictor_form {
public:
    explicit pictor_form(HWND main_window);
    bool ready() const { return controls.size() == form_control_count; }
    HWND operator[](form_control which) const { return controls[which]; }

    // Clicks the control's centre with SendInput; the main window comes to the front and an edit gets the
    // keyboard focus.
    void click(form_control which) const;
    // Replaces an edit's text with WM_SETTEXT: the edit's change handler runs as for typing.
    void set_text(form_control which, const std::wstring& text) const;
    std::wstring text(form_control which) const;
    // The selection of an edit as start and end.
    POINT selection(form_control which) const;

    HWND main;
    std::vector<HWND> controls;
};

// Child windows in Z order, which for controls created one after another is their creation order.
std::vector<HWND> child_windows(HWND parent);

// A child's rectangle relative to its parent's client area, as left, top, right, bottom.
RECT rect_in_parent(HWND child);

POINT centre_of(HWND window);

// Raises a window and makes it the foreground window.
void bring_to_front(HWND window);

// Visible popup menus of a process.
std::vector<HWND> open_menus(DWORD process_id);

// Visible top-level windows of processes other than this one and the one given: what the shell opens.
std::vector<HWND> foreign_windows(DWORD process_id);

// Right-clicks the preview and chooses its one menu item; false when no menu appears.
bool choose_preview_menu_item(const pictor_form& form, DWORD process_id);

// Waits for visible foreign windows that are not in before, closes them and answers how many there were.
std::size_t close_new_foreign_windows(DWORD process_id, const std::vector<HWND>& before, DWORD timeout_ms);

// Pictor's quit question, a message box titled "Pictor"; null when none appears in time.
HWND wait_for_quit_question(DWORD process_id, DWORD timeout_ms);

} // namespace test_support
