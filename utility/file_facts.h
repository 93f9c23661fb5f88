#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "utility/unique_resource.h"

namespace kite_utility::filesystem {

// What one file-system entry is. Callers zero the whole record before use.
struct find_file_information_t {
    // The path's last component as the caller wrote it, at most 250 bytes, zero-filled behind the text.
    char name[251];
    // Exactly one bit after a successful file_information: file_flag or directory_flag.
    std::uint16_t flags;
};

inline constexpr std::uint16_t file_flag = 1;
inline constexpr std::uint16_t directory_flag = 2;

struct file_handle_traits {
    using handle = HANDLE;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void release(handle h) { CloseHandle(h); }
};

// An opened file or directory, closed with CloseHandle.
using unique_file_handle = kite_utility::unique_resource<file_handle_traits>;

// Fills info when path names an entry that can be opened for reading; otherwise false and info untouched.
bool file_information(const std::string& path, find_file_information_t& info);

bool is_directory(const std::string& path);

// Creates every missing level of path; true when it was a directory already or was created now.
bool create_directory(const std::string& path);

} // namespace kite_utility::filesystem
