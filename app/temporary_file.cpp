#include "app/temporary_file.h"

#include "app/output_folder.h"
#include "utility/text_conversion.h"
#include "utility/unique_resource.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace {

using kite_utility::filesystem::to_utf16;
using kite_utility::filesystem::unique_file_handle;

constexpr char temporary_prefix[] = "~Pictor-";
constexpr char temporary_extension[] = ".tmp";
// With the prefix and the extension as long as a snapshot's name without a counter (23 characters); 44
// random bits are plenty, as a taken name is never opened but passed over.
constexpr int random_digits = 11;
// A random name is taken only by a file someone made on purpose; a few more tries get past that.
constexpr int name_tries = 8;
// A leftover is a file nobody has written for this long: a Pictor writing one renames it within seconds.
constexpr std::uint64_t leftover_age = std::uint64_t{10} * 60 * 10'000'000;  // in 100 ns, as FILETIME counts

struct find_handle_traits {
    using handle = HANDLE;
    static handle empty() { return INVALID_HANDLE_VALUE; }
    static bool valid(handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void release(handle h) { FindClose(h); }
};
using unique_find_handle = kite_utility::unique_resource<find_handle_traits>;

HRESULT last_error()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Only the writer itself may write, rename or delete the file; others may read it.
HANDLE create_new(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
}

std::string hex_digits(std::uint64_t value, int count)
{
    std::string digits(static_cast<std::size_t>(count), '0');
    for (int i = count - 1; i >= 0; --i, value >>= 4)
        digits[static_cast<std::size_t>(i)] = "0123456789ABCDEF"[value & 0xF];
    return digits;
}

// The GUID's first 44 bits are random in every version-4 GUID.
std::uint64_t random_bits()
{
    GUID id{};
    if (SUCCEEDED(CoCreateGuid(&id)))
        return std::uint64_t{id.Data1} << 12 | std::uint64_t{id.Data2} >> 4;
    // Without a GUID the names still differ between processes and between calls.
    static std::atomic<unsigned> calls{0};
    return std::uint64_t{GetCurrentProcessId()} << 24 ^ GetTickCount64() << 8 ^ ++calls;
}

// The folder part of a path, separator included, so that a drive's root stays a root.
std::wstring folder_of(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::vector<LONGLONG> rename_request(const std::wstring& target)
{
    const std::size_t name_bytes = target.size() * sizeof(wchar_t);
    // FILE_RENAME_INFO ends in the name; the buffer is aligned for the structure.
    std::vector<LONGLONG> buffer((sizeof(FILE_RENAME_INFO) + name_bytes + sizeof(LONGLONG)) / sizeof(LONGLONG) + 1);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    std::copy(target.begin(), target.end(), rename->FileName);
    return buffer;
}

std::uint64_t ticks(const FILETIME& time)
{
    return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

bool is_leftover(const WIN32_FIND_DATAW& found, const FILETIME& now)
{
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           ticks(found.ftLastWriteTime) + leftover_age < ticks(now);
}

} // namespace

temporary_file::temporary_file(const std::string& folder, HRESULT& failure, const name_source& names,
                               flush_function flush)
    : flush_(flush)
{
    failure = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    for (int attempt = 0; attempt < name_tries; ++attempt) {
        const std::string path = join_path(folder, names());
        file_.reset(create_new(to_utf16(path)));
        if (file_) {
            path_ = path;
            failure = S_OK;
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            failure = HRESULT_FROM_WIN32(error);
            return;
        }
    }
}

temporary_file::~temporary_file()
{
    if (!file_ || published_)
        return;
    // Deleted through the handle: by name it might be someone else's file by now.
    FILE_DISPOSITION_INFO dispose{TRUE};
    SetFileInformationByHandle(file_.get(), FileDispositionInfo, &dispose, sizeof dispose);
}

bool temporary_file::flush_to_disk(HANDLE handle) noexcept
{
    return FlushFileBuffers(handle) != FALSE;
}

HRESULT temporary_file::write_all(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file_.get(), bytes, chunk, &written, nullptr))
            return last_error();
        if (written == 0)
            return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
        bytes += written;
        size -= written;
    }
    return flush_(file_.get()) ? S_OK : last_error();
}

// Everything that can fail for want of memory comes before the rename.
unsigned long temporary_file::rename_to(std::string path)
{
    const std::wstring target = to_utf16(path);
    const std::wstring folder = folder_of(target);
    std::vector<LONGLONG> request = rename_request(target);
    const DWORD size = static_cast<DWORD>(request.size() * sizeof(LONGLONG));
    if (!SetFileInformationByHandle(file_.get(), FileRenameInfo, request.data(), size)) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
    }
    publish(path);
    make_name_durable(folder);
    return ERROR_SUCCESS;
}

void temporary_file::publish(std::string& path) noexcept
{
    published_ = true;
    path_.swap(path);
}

// The data were on the disk before the rename; now the new name goes there too, through the file and,
// where the system lets a folder be opened for it, through the folder that holds the name. Neither result
// can make the snapshot unsaved: the rename is done and can't be taken back, the complete file stands under
// its name for the user to see, and "not saved" would be untrue. A file system that refuses the flush
// (a share, a folder opened without write access) keeps the name as safely as it keeps any other.
void temporary_file::make_name_durable(const std::wstring& folder) const noexcept
{
    flush_(file_.get());
    if (folder.empty())
        return;
    const unique_file_handle directory(CreateFileW(folder.c_str(), GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (directory)
        flush_(directory.get());
}

std::string temporary_file::unique_temporary_name()
{
    return temporary_prefix + hex_digits(random_bits(), random_digits) + temporary_extension;
}

// Share modes alone would not do: a server that ignores them lets a file still being written be deleted.
// Its age does: such a file was written moments ago. The pattern takes the longer names of earlier versions
// as well.
void remove_leftover_temporaries(const std::string& folder)
{
    const std::wstring base = to_utf16(ensure_trailing_separator(folder));
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = base + to_utf16(std::string(temporary_prefix) + "*" + temporary_extension);
    const unique_find_handle search(FindFirstFileW(pattern.c_str(), &found));
    if (!search)
        return;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    do {
        if (is_leftover(found, now))
            DeleteFileW((base + found.cFileName).c_str());
    } while (FindNextFileW(search.get(), &found));
}
