// Runs one toolkit scenario that ends the process, so that tests can watch it from outside.
#include <windows.h>

#include <string>

#include "toolkit/application.h"
#include "toolkit/window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int)
{
    const std::wstring scenario = command_line != nullptr ? command_line : L"";
    kite::application app(instance);
    if (scenario == L"duplicate-name") {
        // The first window still exists, so its class cannot be replaced.
        app.create_window<kite::basic_window>("Probe.Twice", 200, 100);
        app.create_window<kite::basic_window>("Probe.Twice", 200, 100);
        return 3;
    }
    if (scenario == L"fatal-error") {
        kite::fatal_error("Probe failure text");
    }
    return 2;
}
