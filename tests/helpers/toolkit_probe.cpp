// Runs one toolkit scenario that ends the process, so that tests can watch it from outside.
#include <windows.h>

#include <stdexcept>
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
    if (scenario == L"throwing-handler") {
        // Thrown inside a message the system delivers: it must not unwind through the system's frames.
        kite::basic_window* window = app.create_window<kite::basic_window>("Probe.Throws", 200, 100);
        window->created_handler = [](kite::basic_window*) { throw std::runtime_error("Probe handler failed"); };
        while (kite::pump_message(app.msg)) {
        }
        return 4;
    }
    return 2;
}
