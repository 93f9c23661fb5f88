#include "app/output_folder.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <string_view>
#include <utility>

#include "utility/file_facts.h"
#include "utility/text_conversion.h"
#include "utility/unique_resource.h"

namespace fs = kite_utility::filesystem;

namespace {

constexpr std::string_view separator_characters = "\\/";
constexpr std::string_view invalid_characters = "<>:\"/\\|?*";
constexpr char program_folder_name[] = "Pictor";

// The identifiers are spelled out here so that no extra import library is needed for them.
constexpr GUID folderid_desktop = {0xB4BFCC3A, 0xDB2C, 0x424C, {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}};
constexpr GUID folderid_documents = {0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}};
constexpr GUID folderid_pictures = {0x33E28130, 0x4E1E, 0x4676, {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}};
constexpr GUID folderid_local_app_data = {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
constexpr GUID no_folder = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

struct known_folder_entry {
    known_folder key;
    GUID id;
};

constexpr known_folder_entry known_folders[] = {
    {known_folder::desktop, folderid_desktop},
    {known_folder::documents, folderid_documents},
    {known_folder::pictures, folderid_pictures},
    {known_folder::local_app_data, folderid_local_app_data},
    {known_folder{0}, no_folder},
};

// An unknown value maps to the null identifier, which the shell refuses.
const GUID& known_folder_id(known_folder folder)
{
    const known_folder_entry* entry = known_folders;
    while (entry->key != known_folder{0} && entry->key != folder)
        ++entry;
    return entry->id;
}

struct shell_buffer_traits {
    using handle = PWSTR;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr; }
    static void release(handle h) { CoTaskMemFree(h); }
};

// The shell's path buffer; it is released whether the call succeeded or not.
using unique_shell_buffer = kite_utility::unique_resource<shell_buffer_traits>;

bool is_separator(char c)
{
    return separator_characters.find(c) != std::string_view::npos;
}

char sanitize_character(char c)
{
    if (c == '\\')
        return c;
    if (c == '/')
        return '\\';
    if (invalid_characters.find(c) != std::string_view::npos)
        return '_';
    return c;
}

bool is_existing_file(const std::string& path)
{
    fs::find_file_information_t info{};
    return fs::file_information(path, info) && (info.flags & fs::file_flag) != 0;
}

// Without a long-path opt-in Windows can neither test nor write a longer path, and the candidates only grow.
bool fits_max_path(const std::string& path)
{
    return fs::to_utf16(path).size() < MAX_PATH;
}

// The program's own format instead of "%F": the runtime's strftime may not know the shorthand.
constexpr char time_format[] = "%Y-%m-%d_%H-%M-%S";

std::string format_local_time(std::time_t now)
{
    // time() reports a failure as -1, and the runtime's parameter check may end the process on it.
    if (now < 0)
        return std::string();
    std::tm local{};
    if (localtime_s(&local, &now) != 0)
        return std::string();
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, time_format, &local);
    return std::string(buffer, length);
}

std::string shell_folder_path(known_folder folder, DWORD flags)
{
    unique_shell_buffer buffer;
    if (SHGetKnownFolderPath(known_folder_id(folder), flags, nullptr, buffer.put()) != S_OK)
        return std::string();
    return ensure_trailing_separator(fs::to_utf8(std::wstring(buffer.get())), 0);
}

} // namespace

std::string ensure_trailing_separator(std::string path, int kind)
{
    if (!path.empty() && is_separator(path.back()))
        return path;
    path += kind == 1 ? '/' : '\\';
    return path;
}

std::string join_path(std::string first, const std::string& second)
{
    return ensure_trailing_separator(std::move(first), 0) + second;
}

std::string known_folder_path(known_folder folder)
{
    return shell_folder_path(folder, KF_FLAG_CREATE);
}

std::string pictures_folder(const std::string& name)
{
    const std::string base = known_folder_path(known_folder::pictures);
    if (base.empty() || name.empty())
        return base;
    const std::string folder = join_path(base, name);
    return fs::create_directory(folder) ? folder : std::string();
}

std::string sanitize_subfolder(std::string text)
{
    for (char& c : text)
        c = sanitize_character(c);
    return text;
}

std::string target_folder(const std::string& subfolder)
{
    return output_folder_detail::target_folder_below(pictures_folder(program_folder_name), subfolder);
}

std::string snapshot_file_name(int n)
{
    return output_folder_detail::snapshot_file_name(n, [] { return std::time(nullptr); });
}

std::string snapshot_file_path(const std::string& folder)
{
    return output_folder_detail::snapshot_file_path(folder, [] { return std::time(nullptr); },
                                                    output_folder_detail::last_counter);
}

std::string intended_target_folder(const std::string& subfolder)
{
    std::string folder = join_path(shell_folder_path(known_folder::pictures, KF_FLAG_DONT_VERIFY), program_folder_name);
    if (!subfolder.empty())
        folder = join_path(folder, sanitize_subfolder(subfolder));
    return folder;
}

std::string snapshot_file_name_at(std::time_t release)
{
    return output_folder_detail::snapshot_file_name(0, [release] { return release; });
}

std::string publish_snapshot_file(const rename_function& rename, const std::string& folder, std::time_t release,
                                  long& failure)
{
    return output_folder_detail::publish_snapshot_file(rename, folder, release, output_folder_detail::last_counter,
                                                       failure);
}

namespace output_folder_detail {

std::string target_folder_below(const std::string& program_folder, const std::string& subfolder)
{
    // Without Pictures\Pictor there is no folder: joined paths would land at the root of the current drive.
    if (program_folder.empty())
        return std::string();
    std::string folder = program_folder;
    if (!subfolder.empty())
        folder = join_path(folder, sanitize_subfolder(subfolder));
    // A subfolder that can't be created is not reported here: the write into it fails later.
    if (!fs::is_directory(folder))
        fs::create_directory(folder);
    return folder;
}

std::string snapshot_file_name(int n, const clock_function& now)
{
    std::string name = format_local_time(now());
    if (name.empty())
        return name;
    if (n > 0)
        name += '#' + std::to_string(n);
    return name + ".png";
}

// The clock is read for every candidate, so a retry past a second boundary takes the new second. A directory
// of the candidate's name doesn't count as taken; only existing files are protected.
std::string snapshot_file_path(const std::string& folder, const clock_function& now, int last)
{
    if (folder.empty())
        return std::string();
    for (int n = 0; n <= last; ++n) {
        const std::string name = snapshot_file_name(n, now);
        if (name.empty())
            return std::string();
        const std::string path = join_path(folder, name);
        if (!fits_max_path(path))
            return std::string();
        if (!is_existing_file(path))
            return path;
    }
    return std::string();
}

std::string publish_snapshot_file(const rename_function& rename, const std::string& folder, std::time_t release,
                                  int last, long& failure)
{
    failure = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    const clock_function at_release = [release] { return release; };
    for (int n = 0; n <= last; ++n) {
        const std::string name = snapshot_file_name(n, at_release);
        const std::string path = name.empty() ? std::string() : join_path(folder, name);
        if (path.empty() || !fits_max_path(path)) {
            failure = HRESULT_FROM_WIN32(name.empty() ? ERROR_INVALID_DATA : ERROR_FILENAME_EXCED_RANGE);
            return std::string();
        }
        // The rename never replaces, so it is itself the test for a free name.
        const DWORD error = rename(path);
        if (error == ERROR_SUCCESS)
            return path;
        fs::find_file_information_t taken{};
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS && !fs::file_information(path, taken)) {
            failure = HRESULT_FROM_WIN32(error);
            return std::string();
        }
    }
    return std::string();
}

} // namespace output_folder_detail
