#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

// A folder of its own, removed with everything in it on destruction. Without a parent it lies in the
// temporary folder of the (test) Wine prefix.
class temp_folder {
public:
    temp_folder();
    explicit temp_folder(const std::wstring& parent);
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::wstring& path() const { return path_; }
    // The folder's own name, unique to this test run.
    const std::wstring& name() const { return name_; }
    std::string utf8() const;
    std::wstring child(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring name_;
    std::wstring path_;
};

// The system's temporary folder without its trailing backslash.
std::wstring temp_path();

// Deletes a file or a whole tree; read-only entries too.
void remove_tree(const std::wstring& path);

// Creates (or replaces) a file with the given bytes.
bool write_file(const std::wstring& path, const std::string& content);
std::string read_file(const std::wstring& path);

// The names in a folder, without . and .., sorted.
std::vector<std::wstring> folder_entries(const std::wstring& folder);

bool is_wide_directory(const std::wstring& path);
bool is_wide_file(const std::wstring& path);

// Sets the file's last write time that many minutes back; whether it worked.
bool make_older(const std::wstring& path, int minutes);

// GetFullPathNameW: .. and repeated separators resolved.
std::wstring full_path(const std::wstring& path);

} // namespace test_support
