#include "tests/support/temp_folder.h"

#include <algorithm>
#include <stdexcept>

#include "utility/file_facts.h"
#include "utility/text_conversion.h"

namespace test_support {
namespace {

std::wstring unique_name()
{
    static unsigned counter = 0;
    return L"pictor-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64()) +
           L"-" + std::to_wstring(++counter);
}

std::wstring without_trailing_separator(std::wstring path)
{
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

} // namespace

std::wstring temp_path()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        throw std::runtime_error("GetTempPathW failed");
    return without_trailing_separator(std::wstring(buffer, length));
}

temp_folder::temp_folder() : temp_folder(temp_path()) {}

temp_folder::temp_folder(const std::wstring& parent)
    : name_(unique_name()), path_(without_trailing_separator(parent) + L"\\" + name_)
{
    if (!CreateDirectoryW(path_.c_str(), nullptr))
        throw std::runtime_error("CreateDirectoryW failed for a test folder");
}

temp_folder::~temp_folder()
{
    remove_tree(path_);
}

std::string temp_folder::utf8() const
{
    return kite_utility::filesystem::to_utf8(path_);
}

namespace {

// The prefix lifts MAX_PATH, so that trees deeper than that go too.
std::wstring long_form(const std::wstring& path)
{
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\" + path;
    return path;
}

void remove_long_tree(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    for (const std::wstring& entry : folder_entries(path))
        remove_long_tree(path + L"\\" + entry);
    RemoveDirectoryW(path.c_str());
}

} // namespace

void remove_tree(const std::wstring& path)
{
    remove_long_tree(long_form(path));
}

bool write_file(const std::wstring& path, const std::string& content)
{
    kite_utility::filesystem::unique_file_handle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

std::string read_file(const std::wstring& path)
{
    // Also while a writer still holds the file.
    kite_utility::filesystem::unique_file_handle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                                  nullptr, OPEN_EXISTING, 0, nullptr));
    std::string content;
    if (!file)
        return content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        content.append(buffer, read);
    return content;
}

std::vector<std::wstring> folder_entries(const std::wstring& folder)
{
    std::vector<std::wstring> entries;
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back(name);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool is_wide_directory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_wide_file(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool make_older(const std::wstring& path, int minutes)
{
    const kite_utility::filesystem::unique_file_handle file(CreateFileW(
        path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER written{};
    written.LowPart = now.dwLowDateTime;
    written.HighPart = now.dwHighDateTime;
    written.QuadPart -= static_cast<ULONGLONG>(minutes) * 60 * 10'000'000;
    const FILETIME then{written.LowPart, written.HighPart};
    return file && SetFileTime(file.get(), nullptr, nullptr, &then);
}

std::wstring full_path(const std::wstring& path)
{
    wchar_t buffer[4 * MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), 4 * MAX_PATH, buffer, nullptr);
    return std::wstring(buffer, length < 4 * MAX_PATH ? length : 0);
}

} // namespace test_support
