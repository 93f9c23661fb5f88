#pragma once

#include <ctime>
#include <functional>
#include <string>

// Where snapshots go: PICTURES\Pictor[\subfolder]\YYYY-MM-DD_HH-MM-SS[#n].png. Every path is UTF-8; a folder
// or file that can't be had shows as an empty string, never as an exception.

enum class known_folder { desktop = 1, documents = 2, pictures = 3, local_app_data = 4 };

// The separator kind 0 (and any unknown kind) appends a backslash, 1 a forward slash; a path that already
// ends in either separator is returned as it is.
std::string ensure_trailing_separator(std::string path, int kind = 0);

// Nothing is trimmed: a leading separator of second stays.
std::string join_path(std::string first, const std::string& second);

// The shell folder, created if missing, with a trailing backslash; empty when the shell can't resolve it.
std::string known_folder_path(known_folder folder);

// The folder name below Pictures, created if missing (no trailing backslash); Pictures itself for an empty
// name; empty when either can't be had.
std::string pictures_folder(const std::string& name);

// Slashes become backslashes, the other characters Windows forbids in names become '_'.
std::string sanitize_subfolder(std::string text);

// Pictures\Pictor plus the cleaned subfolder, created on demand; empty when Pictures\Pictor can't be had.
std::string target_folder(const std::string& subfolder);

// The file name for the current local second, "#n" before ".png" when n > 0; empty if the time can't be
// formatted.
std::string snapshot_file_name(int n);

// The first name in folder that is not an existing file; empty for an empty folder, when every counter up to
// the last is taken (an earlier snapshot is never replaced) or when the path would not fit MAX_PATH.
std::string snapshot_file_path(const std::string& folder);

// Where a snapshot of this subfolder goes, from the shell's record alone: nothing is looked for on the disk
// or made there, so it answers at once even for a folder that can't be reached. For the user's messages.
std::string intended_target_folder(const std::string& subfolder);

// The snapshot name of the release's second without a counter; empty if the time can't be formatted.
std::string snapshot_file_name_at(std::time_t release);

// Renames a written file; answers the Win32 error, 0 once the file has the new name. It must never replace
// what the name already holds (ERROR_ALREADY_EXISTS then).
using rename_function = std::function<unsigned long(const std::string& path)>;

// Gives the written file the first free snapshot name of the release's second in folder (the counter goes
// on as for snapshot_file_path). A name taken meanwhile, by a file or a folder, is passed over. Answers the
// snapshot's path; empty when no name could be had, with the reason (an HRESULT) in failure.
std::string publish_snapshot_file(const rename_function& rename, const std::string& folder, std::time_t release,
                                  long& failure);

namespace output_folder_detail {

using clock_function = std::function<std::time_t()>;

inline constexpr int last_counter = 9999;

// target_folder with the program's folder already resolved (empty when it could not be).
std::string target_folder_below(const std::string& program_folder, const std::string& subfolder);

std::string snapshot_file_name(int n, const clock_function& now);
std::string snapshot_file_path(const std::string& folder, const clock_function& now, int last);
std::string publish_snapshot_file(const rename_function& rename, const std::string& folder, std::time_t release,
                                  int last, long& failure);

} // namespace output_folder_detail
