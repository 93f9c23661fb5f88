#include "app/snapshot.h"

#include "app/frame_window.h"
#include "app/imaging.h"
#include "app/main_window.h"
#include "app/output_folder.h"
#include "toolkit/application.h"
#include "toolkit/native_handles.h"
#include "toolkit/static_controls.h"
#include "utility/file_facts.h"
#include "utility/text_conversion.h"

#include <dwmapi.h>

#include <exception>

namespace {

using kite_utility::filesystem::to_utf16;
using kite_utility::filesystem::to_utf8;

// Waits for the desktop composition to show what hiding the frame uncovered. Where the system composes
// nothing, the windows beneath have repainted through the redraw before this.
void wait_for_composition()
{
    BOOL composing = FALSE;
    if (SUCCEEDED(DwmIsCompositionEnabled(&composing)) && composing)
        DwmFlush();
}

// Hides the frame for its lifetime, so that its ring, which lies on the rectangle's border, is not copied.
class hidden_frame {
public:
    hidden_frame(frame_window* frame, const capture_rect& rect) : frame_(frame != nullptr ? frame->handle() : nullptr)
    {
        if (frame_ == nullptr)
            return;
        ShowWindow(frame_, SW_HIDE);
        // The windows beneath repaint what the ring covered before the screen is read.
        const RECT uncovered{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
        RedrawWindow(nullptr, &uncovered, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        GdiFlush();
        wait_for_composition();
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
void copy_visible_part(HDC target, HDC screen, const capture_rect& rect)
{
    const RECT wanted{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
    const RECT desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT visible{};
    if (!IntersectRect(&visible, &wanted, &desktop))
        return;
    BitBlt(target, visible.left - rect.left, visible.top - rect.top, visible.right - visible.left,
           visible.bottom - visible.top, screen, visible.left, visible.top, SRCCOPY);
}

// A 32-bit device bitmap holding the screen's pixels of the rectangle; empty for an empty rectangle.
kite::unique_bitmap copy_screen(HDC screen, const capture_rect& rect, frame_window* frame)
{
    kite::unique_bitmap bitmap;
    if (rect.width > 0 && rect.height != 0)
        bitmap.reset(CreateBitmap(rect.width, rect.height, 1, 32, nullptr));
    if (!bitmap)
        return bitmap;
    kite::unique_memory_dc memory(CreateCompatibleDC(screen));
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    {
        hidden_frame hidden(frame, rect);
        copy_visible_part(memory.get(), screen, rect);
    }
    SelectObject(memory.get(), previous);
    return bitmap;
}

// Writes the pixels as PNG and shows the written file in the preview. A failed write is not reported:
// the preview then shows what exists under that name.
void write_snapshot(HBITMAP pixels, const std::string& path, my_window& window)
{
    imaging_factory factory;
    wic_image image(factory);
    if (!image.assign_bitmap(pixels))
        return;
    const std::wstring wide_path = to_utf16(path);
    image.save(wide_path);
    if (window.preview != nullptr)
        load_image_file(*window.preview, wide_path);
    if (HWND handle = window.handle())
        InvalidateRect(handle, nullptr, TRUE);
}

// The file read and, for a non-empty box, fitted into it; no bitmap when there is no such file.
kite::unique_bitmap read_preview(const std::wstring& path, std::int32_t box_width, std::int32_t box_height)
{
    kite_utility::filesystem::find_file_information_t facts{};
    if (!kite_utility::filesystem::file_information(to_utf8(path), facts) || (facts.flags & 1) == 0)
        return kite::unique_bitmap();
    imaging_factory factory;
    wic_image image(factory);
    const bool fitted = box_width >= 1 && box_height >= 1;
    if (!image.load(path) || (fitted && !image.fit(box_width, box_height)))
        throw kite_com::hresult_error(image.result);
    kite::unique_bitmap bitmap = image.make_dib();
    if (!bitmap)
        throw kite_com::hresult_error(FAILED(image.result) ? image.result : E_FAIL);
    return bitmap;
}

} // namespace

std::string take_snapshot(const capture_rect& rect, const std::string& subfolder)
{
    my_window* window = main_window;
    if (window == nullptr)
        return std::string();
    kite::window_dc screen(nullptr);
    if (screen.get() == nullptr)
        return std::string();
    try {
        const std::string folder = target_folder(subfolder);
        // Without a folder or a free name nothing is written: no file lands outside the snapshot folder
        // and no earlier snapshot is replaced.
        const std::string path = folder.empty() ? std::string() : snapshot_file_path(folder);
        if (path.empty())
            return path;
        kite::unique_bitmap pixels = copy_screen(screen.get(), rect, window->frame);
        if (pixels)
            write_snapshot(pixels.get(), path, *window);
        return path;
    } catch (const std::exception& error) {
        kite::fatal_error(error.what());
    }
}

bool load_image_file(kite::image& control, const std::wstring& path)
{
    try {
        RECT box{};
        if (control.handle() != nullptr)
            GetClientRect(control.handle(), &box);
        control.centred = true;
        control.set_bitmap(read_preview(path, box.right - box.left, box.bottom - box.top));
        return static_cast<bool>(control.bitmap);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "Error", MB_ICONERROR);
        return false;
    } catch (...) {
        return false;
    }
}
