#include "tests/support/pictor_form.h"

#include "tests/support/child_process.h"
#include "tests/support/input.h"
#include "tests/support/pump.h"

#include <algorithm>

namespace test_support {

namespace {

constexpr DWORD form_timeout = 15000;

BOOL CALLBACK collect_child(HWND child, LPARAM context)
{
    auto* found = reinterpret_cast<std::vector<HWND>*>(context);
    found->push_back(child);
    return TRUE;
}

} // namespace

std::vector<HWND> child_windows(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&found));
    return found;
}

pictor_form::pictor_form(HWND main_window) : main(main_window)
{
    pump_until(
        [&] {
            controls = child_windows(main);
            return controls.size() >= form_control_count;
        },
        form_timeout);
    if (controls.size() != form_control_count)
        controls.clear();
}

void pictor_form::click(form_control which) const
{
    const POINT centre = centre_of(controls[which]);
    click_at(centre.x, centre.y);
    pump_until([&] { return GetForegroundWindow() == main; }, 3000);
    pump_for(100);
}

void pictor_form::set_text(form_control which, const std::wstring& text) const
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(controls[which], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                        &answer);
}

std::wstring pictor_form::text(form_control which) const
{
    return window_text(controls[which]);
}

POINT pictor_form::selection(form_control which) const
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(controls[which], EM_GETSEL, 0, 0, SMTO_NORMAL, 5000, &answer);
    return POINT{static_cast<LONG>(LOWORD(answer)), static_cast<LONG>(HIWORD(answer))};
}

RECT rect_in_parent(HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

POINT centre_of(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void bring_to_front(HWND window)
{
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
    pump_until([&] { return GetForegroundWindow() == window; }, form_timeout);
}

std::vector<HWND> open_menus(DWORD process_id)
{
    std::vector<HWND> menus;
    for (HWND menu : windows_of(process_id, L"#32768"))
        if (IsWindowVisible(menu))
            menus.push_back(menu);
    return menus;
}

namespace {

BOOL CALLBACK collect_top_level(HWND window, LPARAM context)
{
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> foreign_windows(DWORD process_id)
{
    std::vector<HWND> all;
    EnumWindows(collect_top_level, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> foreign;
    for (HWND window : all) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != process_id && owner != GetCurrentProcessId() && IsWindowVisible(window))
            foreign.push_back(window);
    }
    return foreign;
}

bool choose_preview_menu_item(const pictor_form& form, DWORD process_id)
{
    const POINT centre = centre_of(form[preview]);
    click_at(centre.x, centre.y, true);
    if (!pump_until([&] { return open_menus(process_id).size() == 1; }, form_timeout))
        return false;
    // The menu holds one item, so its centre is on that item.
    const POINT item = centre_of(open_menus(process_id).front());
    click_at(item.x, item.y);
    return true;
}

std::size_t close_new_foreign_windows(DWORD process_id, const std::vector<HWND>& before, DWORD timeout_ms)
{
    std::vector<HWND> fresh;
    pump_until(
        [&] {
            fresh.clear();
            for (HWND window : foreign_windows(process_id))
                if (std::find(before.begin(), before.end(), window) == before.end())
                    fresh.push_back(window);
            return !fresh.empty();
        },
        timeout_ms);
    for (HWND window : fresh)
        PostMessageW(window, WM_CLOSE, 0, 0);
    pump_until(
        [&] { return std::none_of(fresh.begin(), fresh.end(), [](HWND window) { return IsWindowVisible(window); }); },
        timeout_ms);
    return fresh.size();
}

HWND wait_for_quit_question(DWORD process_id, DWORD timeout_ms)
{
    return wait_for_window(process_id, L"#32770", L"Pictor", timeout_ms);
}

} // namespace test_support
