#include "tests/support/pictor_session.h"

#include "tests/support/pattern.h"
#include "tests/support/pump.h"

namespace test_support {

pattern_session::pattern_session(const std::wstring& arguments)
    : process(beside_this_program(L"pattern_window.exe"), arguments)
{
    window = wait_for_window(process.id(), pattern_class, nullptr, session_timeout);
    if (window != nullptr)
        WaitForInputIdle(process.handle(), session_timeout);
}

bool pattern_session::activate() const
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, pattern_activate, 0, 0, SMTO_NORMAL, 5000, &answer);
    return answer != 0;
}

unsigned pattern_session::key_ups(WORD vk) const
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, pattern_key_ups, vk, 0, SMTO_NORMAL, 5000, &answer);
    return static_cast<unsigned>(answer);
}

pictor_session::pictor_session(const std::wstring& executable) : process(beside_this_program(executable))
{
    main = wait_for_window(process.id(), L"Pictor.MainWindow", nullptr, session_timeout);
    frame = wait_for_window(process.id(), L"Pictor.FrameWindow", nullptr, session_timeout);
    // Both windows exist before the message loop runs; wait until it does.
    WaitForInputIdle(process.handle(), session_timeout);
    pump_for(200);
}

RECT pictor_session::frame_rect() const
{
    RECT rect{};
    GetWindowRect(frame, &rect);
    return rect;
}

DWORD pictor_session::wait_for_exit(DWORD timeout_ms)
{
    DWORD code = STILL_ACTIVE;
    process.wait_for_exit(timeout_ms, code);
    return code;
}

} // namespace test_support
