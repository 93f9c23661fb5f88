#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

// Full path of an executable that the build puts beside the running test executable.
std::wstring beside_this_program(const std::wstring& file_name);

// A child process, ended by force on destruction if it is still running.
class child_process {
public:
    explicit child_process(const std::wstring& executable, const std::wstring& arguments = L"");
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    bool started() const { return info_.hProcess != nullptr; }
    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
    bool running() const;

    // Waits for the process to end; false on timeout. The exit code goes to exit_code.
    bool wait_for_exit(DWORD timeout_ms, DWORD& exit_code);

private:
    PROCESS_INFORMATION info_{};
};

// Top-level windows of a process, optionally only those of a class and/or with a title.
std::vector<HWND> windows_of(DWORD process_id, const wchar_t* class_name = nullptr, const wchar_t* title = nullptr);

// Waits until the process shows a top-level window of the class (and title); null on timeout.
HWND wait_for_window(DWORD process_id, const wchar_t* class_name, const wchar_t* title, DWORD timeout_ms);

// Message boxes: the dialog's text and a way to answer it.
std::wstring message_box_text(HWND box);
void answer_message_box(HWND box, int button_id);

std::wstring window_text(HWND window);
std::wstring class_name_of(HWND window);

} // namespace test_support
