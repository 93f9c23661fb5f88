#include "utility/text_conversion.h"

#include <windows.h>

#include <climits>
#include <cwchar>

namespace kite_utility::filesystem {
namespace {

int clamp_length(std::size_t length)
{
    return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

} // namespace

void to_utf16(const std::string& source, std::wstring& target)
{
    if (source.empty()) {
        target.clear();
        return;
    }
    const int length = clamp_length(source.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, source.data(), length, nullptr, 0);
    if (needed <= 0)
        return;
    target.resize(static_cast<std::size_t>(needed));
    MultiByteToWideChar(CP_UTF8, 0, source.data(), length, target.data(), needed);
}

std::wstring to_utf16(const std::string& source)
{
    std::wstring result;
    to_utf16(source, result);
    return result;
}

void to_utf8(const std::wstring& source, std::string& target)
{
    if (source.empty()) {
        target.clear();
        return;
    }
    const int length = clamp_length(source.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, source.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return;
    target.resize(static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_UTF8, 0, source.data(), length, target.data(), needed, nullptr, nullptr);
}

std::string to_utf8(const std::wstring& source)
{
    std::string result;
    to_utf8(source, result);
    return result;
}

int to_utf8(const wchar_t* source, int length, char* target, int size)
{
    if (source == nullptr || length == 0)
        return 0;
    // A negative length marks a zero-terminated source; reading INT_MAX units would run past its end.
    if (length < 0)
        length = clamp_length(std::wcslen(source));
    if (length == 0)
        return 0;
    if (size < 0)
        size = INT_MAX;
    const int written = WideCharToMultiByte(CP_UTF8, 0, source, length, target, size, nullptr, nullptr);
    return written < 0 ? 0 : written;
}

} // namespace kite_utility::filesystem
