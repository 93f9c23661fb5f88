#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "tests/support/child_process.h"

namespace test_support {

// The pattern window in a process of its own, shown before Pictor so that the frame stays above it.
class pattern_session {
public:
    // arguments: "virtual-screen" to cover every monitor.
    explicit pattern_session(const std::wstring& arguments = L"");
    bool ready() const { return window != nullptr; }
    // Gives the pattern window the foreground and the keyboard focus.
    bool activate() const;
    // How many key-ups of the key the pattern window has received.
    unsigned key_ups(WORD vk) const;

    child_process process;
    HWND window = nullptr;
};

// Pictor.exe (or a build of it beside it) started as a child process, with its two windows found and its
// message loop running.
class pictor_session {
public:
    explicit pictor_session(const std::wstring& executable = L"Pictor.exe");
    bool ready() const { return main != nullptr && frame != nullptr; }
    RECT frame_rect() const;
    // Ends the program if it still runs; answers the exit code, or STILL_ACTIVE on timeout.
    DWORD wait_for_exit(DWORD timeout_ms);

    child_process process;
    HWND main = nullptr;
    HWND frame = nullptr;
};

constexpr DWORD session_timeout = 15000;

} // namespace test_support
