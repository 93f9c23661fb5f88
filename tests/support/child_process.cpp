#include "tests/support/child_process.h"

#include "tests/support/pump.h"

namespace test_support {

std::wstring beside_this_program(const std::wstring& file_name)
{
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(sizeof(path) / sizeof(path[0])));
    std::wstring folder(path);
    const auto slash = folder.find_last_of(L"\\/");
    folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return folder + file_name;
}

child_process::child_process(const std::wstring& executable, const std::wstring& arguments)
{
    std::wstring command = L"\"" + executable + L"\"";
    if (!arguments.empty())
        command += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(executable.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_))
        info_ = {};
    if (info_.hThread != nullptr) {
        CloseHandle(info_.hThread);
        info_.hThread = nullptr;
    }
}

child_process::~child_process()
{
    if (info_.hProcess == nullptr)
        return;
    if (running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
}

bool child_process::running() const
{
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool child_process::wait_for_exit(DWORD timeout_ms, DWORD& exit_code)
{
    if (info_.hProcess == nullptr)
        return false;
    if (WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(info_.hProcess, &exit_code);
    return true;
}

namespace {

struct window_search {
    DWORD process_id;
    const wchar_t* class_name;
    const wchar_t* title;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<window_search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process_id)
        return TRUE;
    if (search->class_name != nullptr && class_name_of(window) != search->class_name)
        return TRUE;
    if (search->title != nullptr && window_text(window) != search->title)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> windows_of(DWORD process_id, const wchar_t* class_name, const wchar_t* title)
{
    window_search search{process_id, class_name, title, {}};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND wait_for_window(DWORD process_id, const wchar_t* class_name, const wchar_t* title, DWORD timeout_ms)
{
    // A window counts once it is shown: a message box exists a moment before its text is in place.
    HWND found = nullptr;
    pump_until(
        [&] {
            const auto windows = windows_of(process_id, class_name, title);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr && IsWindowVisible(found);
        },
        timeout_ms);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

std::wstring message_box_text(HWND box)
{
    // The message text of a standard message box is the static control with id 0xFFFF.
    HWND text = GetDlgItem(box, 0xFFFF);
    return text != nullptr ? window_text(text) : std::wstring();
}

void answer_message_box(HWND box, int button_id)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button_id)));
}

std::wstring window_text(HWND window)
{
    // WM_GETTEXT works across processes, where GetWindowTextW may answer from a cache.
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring class_name_of(HWND window)
{
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

} // namespace test_support
