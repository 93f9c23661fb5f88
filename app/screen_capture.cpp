#include "app/screen_capture.h"

#include "app/frame_window.h"
#include "app/ring_detection.h"
#include "toolkit/dib_section.h"

#include <dwmapi.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using std::chrono::milliseconds;
using capture_clock = capture_system::clock;

RECT screen_rect_of(const capture_rect& rect)
{
    return RECT{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

struct window_list {
    RECT area;
    HWND skip;
    std::vector<HWND> windows;
    std::vector<RECT> places;
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
            IntersectRect(&common, &bounds, &list.area)) {
            list.windows.push_back(window);
            list.places.push_back(bounds);
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// The windows of every program under the area, each top-level window before its children.
window_list windows_under(const RECT& area, HWND frame)
{
    window_list top{area, frame, {}, {}};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&top));
    window_list all{area, frame, {}, {}};
    for (std::size_t i = 0; i < top.windows.size(); ++i) {
        all.windows.push_back(top.windows[i]);
        all.places.push_back(top.places[i]);
        window_list children{area, frame, {}, {}};
        EnumChildWindows(top.windows[i], collect_window, reinterpret_cast<LPARAM>(&children));
        all.windows.insert(all.windows.end(), children.windows.begin(), children.windows.end());
        all.places.insert(all.places.end(), children.places.begin(), children.places.end());
    }
    return all;
}

BOOL CALLBACK collect_monitor(HMONITOR, HDC, LPRECT place, LPARAM context)
{
    try {
        reinterpret_cast<std::vector<RECT>*>(context)->push_back(*place);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

milliseconds time_left(capture_clock::time_point deadline)
{
    return std::chrono::duration_cast<milliseconds>(deadline - capture_clock::now());
}

// The system's own answers: the screen, the compositor and the windows of every program.
class system_capture final : public capture_system {
public:
    explicit system_capture(frame_window* frame)
        : frame_(frame != nullptr ? frame->handle() : nullptr), screen_(nullptr)
    {
    }
    bool has_screen() const { return screen_.get() != nullptr; }

    bool hide_frame() override
    {
        if (frame_ == nullptr)
            return false;
        ShowWindow(frame_, SW_HIDE);
        return true;
    }
    void show_frame() override
    {
        // Showing a large shaped window takes a while: it happens after the hook has let the key go.
        if (!PostMessageW(frame_, msg_show_frame, 0, 0))
            ShowWindow(frame_, SW_SHOWNOACTIVATE);
    }
    bool composing() override
    {
        BOOL composing = FALSE;
        return SUCCEEDED(DwmIsCompositionEnabled(&composing)) && composing;
    }
    HRESULT next_composed_picture() override { return DwmFlush(); }
    void pause() override { Sleep(2); }
    std::vector<RECT> repaint_beneath(const capture_rect& rect, capture_clock::time_point deadline) override;
    std::vector<RECT> monitors() override;
    HRESULT read(HDC target, POINT at, const RECT& part) override
    {
        SetLastError(ERROR_SUCCESS);
        if (BitBlt(target, at.x, at.y, part.right - part.left, part.bottom - part.top, screen_.get(), part.left,
                   part.top, SRCCOPY))
            return S_OK;
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    capture_clock::time_point now() override { return capture_clock::now(); }

private:
    HWND frame_;
    kite::window_dc screen_;
};

// Where nothing composes the desktop, hiding the frame leaves its ring on the screen until the windows
// beneath paint again. Each is asked to paint with what is left of the bound, so a window that does not
// answer costs at most that and never hangs the caller.
std::vector<RECT> system_capture::repaint_beneath(const capture_rect& rect, capture_clock::time_point deadline)
{
    const kite::unique_region ring = ring_region(rect.left, rect.top, rect.width, rect.height);
    RedrawWindow(nullptr, nullptr, ring.get(), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    const window_list beneath = windows_under(screen_rect_of(rect), frame_);
    for (HWND window : beneath.windows) {
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
    return beneath.places;
}

std::vector<RECT> system_capture::monitors()
{
    std::vector<RECT> found;
    EnumDisplayMonitors(nullptr, nullptr, collect_monitor, reinterpret_cast<LPARAM>(&found));
    if (found.empty()) {
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        found.push_back(RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             top + GetSystemMetrics(SM_CYVIRTUALSCREEN)});
    }
    return found;
}

RECT bounds_of(const std::vector<RECT>& monitors)
{
    RECT bounds{};
    for (const RECT& monitor : monitors)
        UnionRect(&bounds, &bounds, &monitor);
    return bounds;
}

// Hides the frame for its lifetime, so that its ring, which lies on the rectangle's border, is not copied,
// and gives the screen the chance to show what the ring covered.
class hidden_frame {
public:
    hidden_frame(capture_system& system, const capture_rect& rect, std::vector<RECT> edges)
        : system_(system), deadline_(system.now() + milliseconds(repaint_bound_ms)), hidden_(system.hide_frame())
    {
        if (!hidden_)
            return;
        // A composing desktop holds every window's picture: the next composed picture is free of the ring.
        composing_ = system.composing();
        if (composing_) {
            wait_a_little();
        } else {
            const std::vector<RECT> windows = system.repaint_beneath(rect, deadline_);
            edges.insert(edges.end(), windows.begin(), windows.end());
        }
        cuts_ = cuts_of(screen_rect_of(rect), edges);
    }
    ~hidden_frame()
    {
        if (hidden_)
            system_.show_frame();
    }
    hidden_frame(const hidden_frame&) = delete;
    hidden_frame& operator=(const hidden_frame&) = delete;

    // Whether the ring may still be on the screen: the windows beneath draw in their own time, and a
    // composed picture may still show the ring if the frame was hidden just as it was composed.
    bool ring_may_linger() const { return hidden_; }
    // Waits for the screen to change: the next composed picture, or a moment for the windows to paint.
    void wait_a_little() const
    {
        if (!composing_ || FAILED(system_.next_composed_picture()))
            system_.pause();
    }
    capture_clock::time_point deadline() const { return deadline_; }
    // Each monitor is composed, and each window draws, a whole piece of the ring at a time.
    const ring_cuts& cuts() const { return cuts_; }

private:
    capture_system& system_;
    capture_clock::time_point deadline_;
    bool hidden_;
    bool composing_ = false;
    ring_cuts cuts_;
};

// One capture's copy: a DIB section selected into a memory DC, and the screen's bounds.
struct screen_copy {
    HDC target;
    std::uint32_t* bits;
    capture_rect rect;
    RECT screen;
};

// Copies a part of the rectangle (in the copy's coordinates) from the screen to the same place in the
// copy. Only what lies on the screen is asked of the system; the rest is made black, whatever a driver
// would answer there.
HRESULT copy_part(capture_system& system, const screen_copy& copy, const RECT& part)
{
    RECT wanted = part;
    OffsetRect(&wanted, copy.rect.left, copy.rect.top);
    RECT visible{};
    const bool any = IntersectRect(&visible, &wanted, &copy.screen) != FALSE;
    if (!any || !EqualRect(&visible, &wanted)) {
        GdiFlush();
        for (LONG y = part.top; y < part.bottom; ++y)
            std::fill(copy.bits + static_cast<std::size_t>(y) * copy.rect.width + part.left,
                      copy.bits + static_cast<std::size_t>(y) * copy.rect.width + part.right, 0u);
    }
    if (!any)
        return S_OK;
    return system.read(copy.target, POINT{visible.left - copy.rect.left, visible.top - copy.rect.top}, visible);
}

// The four strips of the copy that the ring lay on.
std::vector<RECT> ring_strips(const capture_rect& rect)
{
    const LONG w = rect.width, h = rect.height, t = std::min<LONG>(ring_thickness, std::min(w, h));
    return {RECT{0, 0, w, t}, RECT{0, h - t, w, h}, RECT{0, t, t, h - t}, RECT{w - t, t, w, h - t}};
}

// The ring's strips are read again while a whole piece of them still shows the ring, at most until the
// deadline.
HRESULT wait_for_ring_to_go(capture_system& system, const screen_copy& copy, const hidden_frame& hidden)
{
    const std::vector<RECT> strips = ring_strips(copy.rect);
    for (;;) {
        GdiFlush();
        if (!ring_left_behind(copy.bits, copy.rect.width, copy.rect.height, hidden.cuts()) ||
            system.now() >= hidden.deadline())
            return S_OK;
        hidden.wait_a_little();
        for (const RECT& strip : strips) {
            const HRESULT read = copy_part(system, copy, strip);
            if (FAILED(read))
                return read;
        }
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

kite::unique_bitmap capture_screen(const capture_rect& rect, capture_system& system, HRESULT& failure)
{
    failure = S_OK;
    if (rect.width <= 0 || rect.height <= 0)
        return kite::unique_bitmap();
    // Pixels in process memory rather than a device bitmap: they wait there for the writer.
    std::uint32_t* bits = nullptr;
    kite::unique_bitmap bitmap = kite::top_down_dib(rect.width, rect.height, bits);
    kite::unique_memory_dc memory(CreateCompatibleDC(nullptr));
    if (!bitmap || bits == nullptr || !memory) {
        failure = E_OUTOFMEMORY;
        return kite::unique_bitmap();
    }
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    const std::vector<RECT> monitors = system.monitors();
    const screen_copy copy{memory.get(), bits, rect, bounds_of(monitors)};
    {
        const hidden_frame hidden(system, rect, monitors);
        failure = copy_part(system, copy, RECT{0, 0, rect.width, rect.height});
        if (SUCCEEDED(failure) && hidden.ring_may_linger())
            failure = wait_for_ring_to_go(system, copy, hidden);
    }
    GdiFlush();
    SelectObject(memory.get(), previous);
    // A screen that cannot be read gives no picture at all, never a black one.
    if (FAILED(failure))
        return kite::unique_bitmap();
    return bitmap;
}

kite::unique_bitmap capture_screen(const capture_rect& rect, frame_window* frame, HRESULT& failure)
{
    failure = S_OK;
    if (rect.width <= 0 || rect.height <= 0)
        return kite::unique_bitmap();
    system_capture system(frame);
    if (!system.has_screen()) {
        failure = E_FAIL;
        return kite::unique_bitmap();
    }
    return capture_screen(rect, system, failure);
}
