#include "utility/file_facts.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "utility/path_names.h"
#include "utility/text_conversion.h"

namespace kite_utility::filesystem {
namespace {

constexpr std::size_t longest_name = sizeof(find_file_information_t::name) - 1;

// Backup semantics let directories open as well as files; the wide sharing keeps others undisturbed.
unique_file_handle open_for_reading(const std::string& path)
{
    const std::wstring wide = to_utf16(path);
    return unique_file_handle(CreateFileW(wide.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

void store_name(const std::string& path, find_file_information_t& info)
{
    const std::string name = file_name(path);
    if (name.empty())
        return;
    const std::size_t length = std::min(name.size(), longest_name);
    std::memcpy(info.name, name.data(), length);
    std::memset(info.name + length, 0, sizeof(info.name) - length);
}

} // namespace

bool file_information(const std::string& path, find_file_information_t& info)
{
    if (path.empty())
        return false;
    const unique_file_handle file = open_for_reading(path);
    if (!file)
        return false;
    BY_HANDLE_FILE_INFORMATION facts{};
    if (!GetFileInformationByHandle(file.get(), &facts))
        return false;
    store_name(path, info);
    info.flags = (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? directory_flag : file_flag;
    return true;
}

bool is_directory(const std::string& path)
{
    find_file_information_t info{};
    return file_information(path, info) && (info.flags & directory_flag) != 0;
}

bool create_directory(const std::string& path)
{
    if (is_directory(path))
        return true;
    const std::wstring wide = to_utf16(path);
    return SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr) == ERROR_SUCCESS;
}

} // namespace kite_utility::filesystem
