#include "app/target_folder_opener.h"

#include "app/output_folder.h"
#include "toolkit/com.h"
#include "utility/file_facts.h"
#include "utility/text_conversion.h"

#include <shellapi.h>

#include <utility>

namespace target_folder_opener_detail {
void (*before_making_folder)() = nullptr;
} // namespace target_folder_opener_detail

namespace {

std::string not_opened_text(const std::string& folder, HRESULT failure)
{
    return "Zielordner nicht geöffnet: " + folder + "\n" + kite_com::describe_failure(failure);
}

} // namespace

target_folder_opener::target_folder_opener(HWND notify, UINT message, open_function open)
    : notify_(notify), message_(message), open_(std::move(open))
{
    worker_ = std::thread([this] { work(); });
}

target_folder_opener::~target_folder_opener()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        notify_ = nullptr;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void target_folder_opener::request(std::string subfolder)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return;
        requested_ = std::move(subfolder);
    }
    changed_.notify_all();
}

std::vector<std::string> target_folder_opener::take_failures()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(failures_, std::vector<std::string>());
}

bool target_folder_opener::stop(std::chrono::milliseconds bound)
{
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    notify_ = nullptr;
    requested_.reset();
    changed_.notify_all();
    if (!changed_.wait_for(lock, bound, [this] { return !opening_; }))
        return false;
    lock.unlock();
    if (worker_.joinable())
        worker_.join();
    return true;
}

HRESULT target_folder_opener::open_in_shell(const std::string& subfolder, std::string& folder)
{
    folder = intended_target_folder(subfolder);
    if (target_folder_opener_detail::before_making_folder != nullptr)
        target_folder_opener_detail::before_making_folder();
    const std::string made = target_folder(subfolder);
    if (made.empty() || !kite_utility::filesystem::is_directory(made))
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    folder = made;
    const std::wstring path = kite_utility::filesystem::to_utf16(made);
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    // The failure is told in Pictor's own box, through the message loop.
    open.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    open.lpVerb = L"open";
    open.lpFile = path.c_str();
    open.nShow = SW_SHOW;
    if (ShellExecuteExW(&open))
        return S_OK;
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

void target_folder_opener::work()
{
    // The shell's own objects want a single-threaded apartment, without the old DDE way of opening.
    std::optional<kite_com::com_apartment> apartment;
    try {
        apartment.emplace(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    } catch (...) {
    }
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || requested_.has_value(); });
        if (stopping_)
            break;
        const std::string subfolder = std::move(*requested_);
        requested_.reset();
        opening_ = true;
        lock.unlock();
        std::string folder;
        HRESULT result = E_UNEXPECTED;
        try {
            result = open_(subfolder, folder);
        } catch (...) {
        }
        std::string text;
        if (FAILED(result)) {
            try {
                text = not_opened_text(folder, result);
            } catch (...) {
            }
        }
        lock.lock();
        opening_ = false;
        if (!text.empty()) {
            try {
                failures_.push_back(std::move(text));
            } catch (...) {
            }
            if (notify_ != nullptr)
                PostMessageW(notify_, message_, 0, 0);
        }
        changed_.notify_all();
    }
}
