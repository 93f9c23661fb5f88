#pragma once

#include <windows.h>

#include <functional>

namespace test_support {

// Dispatches the thread's messages (through the toolkit's loop step, so deferred deletion happens) until
// condition holds or timeout_ms pass. Returns whether the condition held. A WM_QUIT taken meanwhile is
// reported through quit_seen when given.
bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms, bool* quit_seen = nullptr);

// Dispatches whatever is queued now, for at most timeout_ms.
void pump_for(DWORD timeout_ms);

} // namespace test_support
