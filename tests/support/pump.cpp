#include "tests/support/pump.h"

#include "toolkit/application.h"

namespace test_support {

bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms, bool* quit_seen)
{
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (condition())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now > 20 ? 20 : deadline - now),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (msg.message == WM_QUIT) {
                PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
                if (quit_seen != nullptr)
                    *quit_seen = true;
                continue;
            }
            kite::pump_message(msg);
            if (condition())
                return true;
        }
    }
}

void pump_for(DWORD timeout_ms)
{
    pump_until([] { return false; }, timeout_ms);
}

} // namespace test_support
