#include "app/temporary_file.h"

#include "app/output_folder.h"
#include "utility/text_conversion.h"
#include "utility/unique_resource.h"

#include <objbase.h>

#include <algorithm>
#include <vector>

namespace {

using kite_utility::filesystem::to_utf16;

constexpr char temporary_prefix[] = "~Pictor-";
constexpr char temporary_extension[] = ".tmp";
// A random name is taken only by a file someone made on purpose; a few more tries get past that.
constexpr int name_tries = 8;

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

} // namespace

temporary_file::temporary_file(const std::string& folder, HRESULT& failure, const name_source& names)
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
    if (!file_ || kept_)
        return;
    // Deleted through the handle: by name it might be someone else's file by now.
    FILE_DISPOSITION_INFO dispose{TRUE};
    SetFileInformationByHandle(file_.get(), FileDispositionInfo, &dispose, sizeof dispose);
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
    return FlushFileBuffers(file_.get()) ? S_OK : last_error();
}

unsigned long temporary_file::rename_to(const std::string& path)
{
    const std::wstring target = to_utf16(path);
    const std::size_t name_bytes = target.size() * sizeof(wchar_t);
    // FILE_RENAME_INFO ends in the name; the buffer is aligned for the structure.
    std::vector<LONGLONG> buffer((sizeof(FILE_RENAME_INFO) + name_bytes + sizeof(LONGLONG)) / sizeof(LONGLONG) + 1);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    std::copy(target.begin(), target.end(), rename->FileName);
    const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
    if (!SetFileInformationByHandle(file_.get(), FileRenameInfo, rename, size)) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
    }
    path_ = path;
    return ERROR_SUCCESS;
}

std::string temporary_file::unique_temporary_name()
{
    GUID id{};
    wchar_t text[64] = {};
    if (FAILED(CoCreateGuid(&id)) || StringFromGUID2(id, text, 64) == 0)
        return temporary_prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) +
               temporary_extension;
    // Without the braces.
    std::wstring inner(text + 1);
    inner.pop_back();
    return temporary_prefix + kite_utility::filesystem::to_utf8(inner) + temporary_extension;
}

void remove_leftover_temporaries(const std::string& folder)
{
    const std::wstring base = to_utf16(ensure_trailing_separator(folder));
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = base + to_utf16(std::string(temporary_prefix) + "*" + temporary_extension);
    const unique_find_handle search(FindFirstFileW(pattern.c_str(), &found));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            DeleteFileW((base + found.cFileName).c_str());
    } while (FindNextFileW(search.get(), &found));
}
