#pragma once

#include <string>

namespace kite_utility::filesystem {

// Both separators count: backslash and forward slash.
inline constexpr char separators[] = "\\/";

// The last component of a path: the text after its last separator (empty when the path ends in one).
std::string file_name(const std::string& path);

// The file name's part from its last '.' to the end, dot included; empty without a dot. A dot in a
// folder name does not count.
std::string extension(const std::string& path);

} // namespace kite_utility::filesystem
