#include "app/screen_capture.h"

#include "app/frame_window.h"

#include <dwmapi.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

bool desktop_composes()
{
    BOOL composing = FALSE;
    return SUCCEEDED(DwmIsCompositionEnabled(&composing)) && composing;
}

RECT screen_rect_of(const capture_rect& rect)
{
    return RECT{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

// The pixels the ring lies on, in screen coordinates.
kite::unique_region ring_region(const capture_rect& rect)
{
    const RECT outer_rect = screen_rect_of(rect);
    kite::unique_region ring(CreateRectRgn(outer_rect.left, outer_rect.top, outer_rect.right, outer_rect.bottom));
    if (ring && rect.width > 2 * ring_thickness && rect.height > 2 * ring_thickness) {
        kite::unique_region inner(CreateRectRgn(outer_rect.left + ring_thickness, outer_rect.top + ring_thickness,
                                                outer_rect.right - ring_thickness,
                                                outer_rect.bottom - ring_thickness));
        if (inner)
            CombineRgn(ring.get(), ring.get(), inner.get(), RGN_XOR);
    }
    return ring;
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
    if (window != list.skip && IsWindowVisible(window) && GetWindowRect(window, &bounds) &&
        IntersectRect(&common, &bounds, &list.area))
        list.windows.push_back(window);
    return TRUE;
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

// Where nothing composes the desktop, hiding the frame leaves its ring on the screen until the windows
// beneath paint again. Each is asked to paint with what is left of the bound, so a window that does not
// answer costs at most that and never hangs the caller.
void repaint_uncovered(const capture_rect& rect, HWND frame)
{
    const steady_clock::time_point deadline = steady_clock::now() + milliseconds(repaint_bound_ms);
    const kite::unique_region ring = ring_region(rect);
    RedrawWindow(nullptr, nullptr, ring.get(), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    for (HWND window : windows_under(screen_rect_of(rect), frame)) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now()).count();
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
    hidden_frame(frame_window* frame, const capture_rect& rect) : frame_(frame != nullptr ? frame->handle() : nullptr)
    {
        if (frame_ == nullptr)
            return;
        ShowWindow(frame_, SW_HIDE);
        // A composing desktop holds every window's picture: the next composed frame is free of the ring.
        if (desktop_composes())
            DwmFlush();
        else
            repaint_uncovered(rect, frame_);
    }
    ~hidden_frame()
    {
        // Shown without activation: the application the user works in keeps the keyboard.
        if (frame_ != nullptr)
            ShowWindow(frame_, SW_SHOWNOACTIVATE);
    }
    hidden_frame(const hidden_frame&) = delete;
    hidden_frame& operator=(const hidden_frame&) = delete;

private:
    HWND frame_;
};

// Copies the part of the rectangle that lies on the screen to the same place in the bitmap. Only that part
// is asked of the screen device, so the part outside stays black whatever a driver would answer there.
void copy_visible_part(HDC target, void* bits, HDC screen, const capture_rect& rect)
{
    const RECT wanted = screen_rect_of(rect);
    const RECT desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT visible{};
    const bool any = IntersectRect(&visible, &wanted, &desktop) != FALSE;
    if (!any || !EqualRect(&visible, &wanted))
        std::memset(bits, 0, static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height) * 4);
    if (!any)
        return;
    BitBlt(target, visible.left - rect.left, visible.top - rect.top, visible.right - visible.left,
           visible.bottom - visible.top, screen, visible.left, visible.top, SRCCOPY);
}

// Pixels in process memory rather than a device bitmap: they wait there for the writer.
kite::unique_bitmap top_down_dib(HDC screen, std::int32_t width, std::int32_t height, void*& bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bits = nullptr;
    return kite::unique_bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

} // namespace

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
    void* bits = nullptr;
    kite::unique_bitmap bitmap = top_down_dib(screen.get(), rect.width, rect.height, bits);
    kite::unique_memory_dc memory(CreateCompatibleDC(screen.get()));
    if (!bitmap || bits == nullptr || !memory) {
        failure = E_OUTOFMEMORY;
        return kite::unique_bitmap();
    }
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    {
        const hidden_frame hidden(frame, rect);
        copy_visible_part(memory.get(), bits, screen.get(), rect);
    }
    SelectObject(memory.get(), previous);
    return bitmap;
}
