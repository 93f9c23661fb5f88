#include "utility/path_names.h"

namespace kite_utility::filesystem {

std::string file_name(const std::string& path)
{
    const auto separator = path.find_last_of(separators);
    if (separator == std::string::npos)
        return path;
    return path.substr(separator + 1);
}

std::string extension(const std::string& path)
{
    const std::string name = file_name(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return std::string();
    return name.substr(dot);
}

} // namespace kite_utility::filesystem
