#pragma once

#include <windows.h>

#include "utility/unique_resource.h"

namespace kite {

struct window_traits {
    using handle = HWND;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr; }
    static void release(handle h) { DestroyWindow(h); }
};

template <class Gdi>
struct gdi_object_traits {
    using handle = Gdi;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr; }
    static void release(handle h) { DeleteObject(h); }
};

struct menu_traits {
    using handle = HMENU;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr; }
    static void release(handle h) { DestroyMenu(h); }
};

struct hook_traits {
    using handle = HHOOK;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr; }
    static void release(handle h) { UnhookWindowsHookEx(h); }
};

struct memory_dc_traits {
    using handle = HDC;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr; }
    static void release(handle h) { DeleteDC(h); }
};

// Owning handles: each releases its resource with the one call that fits it.
using unique_window = kite_utility::unique_resource<window_traits>;
using unique_brush = kite_utility::unique_resource<gdi_object_traits<HBRUSH>>;
using unique_pen = kite_utility::unique_resource<gdi_object_traits<HPEN>>;
using unique_font = kite_utility::unique_resource<gdi_object_traits<HFONT>>;
using unique_bitmap = kite_utility::unique_resource<gdi_object_traits<HBITMAP>>;
using unique_region = kite_utility::unique_resource<gdi_object_traits<HRGN>>;
using unique_menu = kite_utility::unique_resource<menu_traits>;
using unique_hook = kite_utility::unique_resource<hook_traits>;
using unique_memory_dc = kite_utility::unique_resource<memory_dc_traits>;

// Asks for WM_MOUSEHOVER and WM_MOUSELEAVE on a window after the default hover time.
inline void track_hover_and_leave(HWND window)
{
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = window;
    track.dwHoverTime = HOVER_DEFAULT;
    TrackMouseEvent(&track);
}

// A device context from GetDC, given back with ReleaseDC to the window it came from.
class window_dc {
public:
    explicit window_dc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~window_dc()
    {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    window_dc(const window_dc&) = delete;
    window_dc& operator=(const window_dc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

} // namespace kite
