// Runs one control scenario in a process of its own: failures that end the process, and state that only
// a fresh process has.
#include <windows.h>

#include <string>

#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/static_controls.h"
#include "toolkit/window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int)
{
    const std::wstring scenario = command_line != nullptr ? command_line : L"";
    kite::application app(instance);
    const kite::control_rect rect{0, 0, 80, 20};
    // A child window without a parent cannot be created.
    if (scenario == L"button-without-parent") {
        kite::ctrl::button control(nullptr, "OK", rect);
        return 3;
    }
    if (scenario == L"edit-without-parent") {
        kite::edit control(nullptr, rect);
        return 3;
    }
    if (scenario == L"label-without-parent") {
        kite::label control(nullptr, rect, "Breite:");
        return 3;
    }
    if (scenario == L"image-without-parent") {
        kite::image control(nullptr, rect);
        return 3;
    }
    if (scenario == L"first-menu-id") {
        auto* window = app.create_window<kite::basic_window>("Probe.Menu", 200, 100);
        kite::image* preview = window->add_image(rect);
        preview->menu.reset(CreatePopupMenu());
        if (!preview->add_menu_item(L"Öffne Zielordner", nullptr))
            return 1;
        return static_cast<int>(GetMenuItemID(preview->menu.get(), 0));
    }
    return 2;
}
