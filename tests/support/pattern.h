#pragma once

#include <windows.h>

namespace test_support {

// The colour the pattern window shows at a screen pixel: every pixel of a 1920 x 1080 screen differs from
// its neighbours, and none is the ring's pure green (blue is never below 64).
inline COLORREF pattern_colour(int x, int y)
{
    return RGB(x & 255, y & 255, 64 + ((x >> 8) & 7) * 8 + ((y >> 8) & 7));
}

// Messages the pattern window answers, for tests in another process.
constexpr UINT pattern_key_ups = WM_APP + 1;   // wparam: virtual-key code; answers how many key-ups arrived
constexpr UINT pattern_activate = WM_APP + 2;  // takes the foreground and the keyboard focus
constexpr UINT pattern_hang = WM_APP + 3;      // posted, wparam: milliseconds the window stops answering
constexpr wchar_t pattern_class[] = L"Test.PatternWindow";

} // namespace test_support
