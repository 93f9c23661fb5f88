#pragma once

#include <string>

namespace kite_utility::filesystem {

// UTF-8 to UTF-16 (code page 65001). An empty source gives an empty target; a conversion that yields
// nothing leaves the target as it was.
void to_utf16(const std::string& source, std::wstring& target);
std::wstring to_utf16(const std::string& source);

// UTF-16 to UTF-8, the same rules the other way.
void to_utf8(const std::wstring& source, std::string& target);
std::string to_utf8(const std::wstring& source);

// Buffer form: converts length units from source into at most size bytes of target and returns the bytes
// written; 0 for a null source or a zero length. A negative length reads up to the source's terminating zero;
// a negative size stands for INT_MAX (the caller vouches for the buffer).
int to_utf8(const wchar_t* source, int length, char* target, int size);

} // namespace kite_utility::filesystem
