#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "utility/not_copyable.h"

// "Öffne Zielordner" on a thread of its own: resolving the Pictures folder, making the target folder and
// asking the shell to show it can each wait on a slow or offline share, and the thread that runs the input
// hooks must never wait. A failure comes back through the message loop.
class target_folder_opener : public kite_utility::not_copyable {
public:
    // Opens the subfolder's target folder; answers S_OK, or the reason with the folder it was about.
    using open_function = std::function<HRESULT(const std::string& subfolder, std::string& folder)>;

    // Each failure posts message to notify (when not null); the window then calls take_failures.
    target_folder_opener(HWND notify, UINT message, open_function open = open_in_shell);
    // Waits for the folder being opened, if any.
    ~target_folder_opener();

    // Returns at once. A request made while another is still being opened replaces any not yet begun.
    void request(std::string subfolder);
    // The texts of the failures since the last call, in order.
    std::vector<std::string> take_failures();
    // No further requests are taken; answers whether the thread has ended (false: it still waits on the
    // folder, and only the end of the process stops it).
    bool stop(std::chrono::milliseconds bound);

    // The shell's "open" on the folder a snapshot of the subfolder would go to, made first if missing.
    static HRESULT open_in_shell(const std::string& subfolder, std::string& folder);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::string> requested_;
    bool opening_ = false;
    bool stopping_ = false;
    std::vector<std::string> failures_;
    HWND notify_;
    UINT message_;
    open_function open_;
    std::thread worker_;
};

// Posted to the main window when opening the target folder failed.
inline constexpr UINT msg_folder_failed = WM_APP + 3;

namespace target_folder_opener_detail {
// Runs before the folder is made, when set: test builds of the program slow the disk down here.
extern void (*before_making_folder)();
} // namespace target_folder_opener_detail
