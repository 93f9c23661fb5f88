#include "app/screen_capture.h"

#include "app/frame_window.h"
#include "toolkit/dib_section.h"

#include <dwmapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The ring's colour as a pixel of a 32-bit DIB (0x00RRGGBB).
constexpr std::uint32_t ring_pixel = 0x0000FF00u;

bool desktop_composes()
{
    BOOL composing = FALSE;
    return SUCCEEDED(DwmIsCompositionEnabled(&composing)) && composing;
}

RECT screen_rect_of(const capture_rect& rect)
{
    return RECT{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

struct window_list {
    RECT area;
    HWND skip;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect_window(HWND window, LPARAM context)
{
    auto& list = *reinterpret_cast<window_list*>(context);
    RECT bounds{};
    RECT common{};
    // Without memory for one more, the windows found so far are asked to paint; nothing unwinds through
    // the system's enumeration.
    try {
        if (window != list.skip && IsWindowVisible(window) && GetWindowRect(window, &bounds) &&
            IntersectRect(&common, &bounds, &list.area))
            list.windows.push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// The windows of every program under the area, each top-level window before its children.
std::vector<HWND> windows_under(const RECT& area, HWND frame)
{
    window_list top{area, frame, {}};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&top));
    std::vector<HWND> all;
    for (HWND window : top.windows) {
        all.push_back(window);
        window_list children{area, frame, {}};
        EnumChildWindows(window, collect_window, reinterpret_cast<LPARAM>(&children));
        all.insert(all.end(), children.windows.begin(), children.windows.end());
    }
    return all;
}

milliseconds time_left(steady_clock::time_point deadline)
{
    return std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
}

// Where nothing composes the desktop, hiding the frame leaves its ring on the screen until the windows
// beneath paint again. Each is asked to paint with what is left of the bound, so a window that does not
// answer costs at most that and never hangs the caller.
void repaint_uncovered(const capture_rect& rect, HWND frame, steady_clock::time_point deadline)
{
    const kite::unique_region ring = ring_region(rect.left, rect.top, rect.width, rect.height);
    RedrawWindow(nullptr, nullptr, ring.get(), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    for (HWND window : windows_under(screen_rect_of(rect), frame)) {
        const auto left = time_left(deadline).count();
        if (left <= 0)
            break;
        if (!GetUpdateRect(window, nullptr, FALSE))
            continue;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_PAINT, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, static_cast<UINT>(left),
                            &ignored);
    }
    GdiFlush();
}

// Hides the frame for its lifetime, so that its ring, which lies on the rectangle's border, is not copied.
class hidden_frame {
public:
    hidden_frame(frame_window* frame, const capture_rect& rect)
        : frame_(frame != nullptr ? frame->handle() : nullptr),
          deadline_(steady_clock::now() + milliseconds(repaint_bound_ms))
    {
        if (frame_ == nullptr)
            return;
        ShowWindow(frame_, SW_HIDE);
        // A composing desktop holds every window's picture: the next composed frame is free of the ring.
        composing_ = desktop_composes();
        if (composing_)
            DwmFlush();
        else
            repaint_uncovered(rect, frame_, deadline_);
    }
    ~hidden_frame()
    {
        // Showing a large shaped window takes a while: it happens after the hook has let the key go.
        if (frame_ != nullptr && !PostMessageW(frame_, msg_show_frame, 0, 0))
            ShowWindow(frame_, SW_SHOWNOACTIVATE);
    }
    hidden_frame(const hidden_frame&) = delete;
    hidden_frame& operator=(const hidden_frame&) = delete;

    // Whether the ring may still be on the screen: the windows beneath draw in their own time, and a
    // composed frame may still show the ring if the frame was hidden just as it was composed.
    bool ring_may_linger() const { return frame_ != nullptr; }
    // Waits for the screen to change: the next composed frame, or a moment for the windows to paint.
    void wait_a_little() const
    {
        if (!composing_ || FAILED(DwmFlush()))
            Sleep(2);
    }
    steady_clock::time_point deadline() const { return deadline_; }

private:
    HWND frame_;
    steady_clock::time_point deadline_;
    bool composing_ = false;
};

// Copies a part of the rectangle (in the bitmap's coordinates) from the screen to the same place in the
// bitmap. Only what lies on the screen is asked of the screen device; the rest is made black, whatever a
// driver would answer there.
void copy_part(HDC target, std::uint32_t* bits, HDC screen, const capture_rect& rect, const RECT& part)
{
    RECT wanted = part;
    OffsetRect(&wanted, rect.left, rect.top);
    const RECT desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT visible{};
    const bool any = IntersectRect(&visible, &wanted, &desktop) != FALSE;
    if (!any || !EqualRect(&visible, &wanted)) {
        GdiFlush();
        for (LONG y = part.top; y < part.bottom; ++y)
            std::fill(bits + static_cast<std::size_t>(y) * rect.width + part.left,
                      bits + static_cast<std::size_t>(y) * rect.width + part.right, 0u);
    }
    if (!any)
        return;
    BitBlt(target, visible.left - rect.left, visible.top - rect.top, visible.right - visible.left,
           visible.bottom - visible.top, screen, visible.left, visible.top, SRCCOPY);
}

// The four strips of the bitmap that the ring lay on.
std::vector<RECT> ring_strips(const capture_rect& rect)
{
    const LONG w = rect.width, h = rect.height, t = std::min<LONG>(ring_thickness, std::min(w, h));
    return {RECT{0, 0, w, t}, RECT{0, h - t, w, h}, RECT{0, t, t, h - t}, RECT{w - t, t, w, h - t}};
}

bool shows_ring(const std::uint32_t* bits, const capture_rect& rect, const std::vector<RECT>& strips)
{
    GdiFlush();
    for (const RECT& strip : strips)
        for (LONG y = strip.top; y < strip.bottom; ++y)
            for (LONG x = strip.left; x < strip.right; ++x)
                if ((bits[static_cast<std::size_t>(y) * rect.width + x] & 0x00FFFFFFu) == ring_pixel)
                    return true;
    return false;
}

// Windows of other programs may have painted and still not put their picture on the screen. The ring's
// strips are read again until none of their pixels is the ring's green, at most until the deadline.
void wait_for_ring_to_go(HDC target, std::uint32_t* bits, HDC screen, const capture_rect& rect,
                         const hidden_frame& hidden)
{
    const std::vector<RECT> strips = ring_strips(rect);
    while (shows_ring(bits, rect, strips) && time_left(hidden.deadline()).count() > 0) {
        hidden.wait_a_little();
        for (const RECT& strip : strips)
            copy_part(target, bits, screen, rect, strip);
    }
}

} // namespace

LRESULT show_frame_again(kite::basic_window* frame, UINT message, WPARAM, LPARAM)
{
    // Shown without activation: the application the user works in keeps the keyboard.
    if (message == msg_show_frame && frame != nullptr && frame->handle() != nullptr)
        ShowWindow(frame->handle(), SW_SHOWNOACTIVATE);
    return 0;
}

kite::unique_bitmap capture_screen(const capture_rect& rect, frame_window* frame, HRESULT& failure)
{
    failure = S_OK;
    if (rect.width <= 0 || rect.height <= 0)
        return kite::unique_bitmap();
    const kite::window_dc screen(nullptr);
    if (screen.get() == nullptr) {
        failure = E_FAIL;
        return kite::unique_bitmap();
    }
    // Pixels in process memory rather than a device bitmap: they wait there for the writer.
    std::uint32_t* bits = nullptr;
    kite::unique_bitmap bitmap = kite::top_down_dib(rect.width, rect.height, bits);
    kite::unique_memory_dc memory(CreateCompatibleDC(screen.get()));
    if (!bitmap || bits == nullptr || !memory) {
        failure = E_OUTOFMEMORY;
        return kite::unique_bitmap();
    }
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    {
        const hidden_frame hidden(frame, rect);
        copy_part(memory.get(), bits, screen.get(), rect, RECT{0, 0, rect.width, rect.height});
        if (hidden.ring_may_linger())
            wait_for_ring_to_go(memory.get(), bits, screen.get(), rect, hidden);
    }
    GdiFlush();
    SelectObject(memory.get(), previous);
    return bitmap;
}
