#include "app/snapshot.h"

#include "app/main_window.h"
#include "app/screen_capture.h"
#include "app/snapshot_writer.h"
#include "toolkit/com.h"
#include "toolkit/static_controls.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <utility>

namespace {

// Failures wait here while an "Error" box is open, so that the boxes come one after the other.
std::deque<std::string> unshown_errors;
bool error_box_open = false;

void show_errors()
{
    if (error_box_open)
        return;
    error_box_open = true;
    while (!unshown_errors.empty()) {
        const std::string text = std::move(unshown_errors.front());
        unshown_errors.pop_front();
        MessageBoxA(nullptr, text.c_str(), "Error", MB_ICONERROR);
    }
    error_box_open = false;
}

void show_thumbnail(my_window& window, finished_snapshot& done)
{
    if (window.preview == nullptr)
        return;
    window.preview->centred = true;
    window.preview->set_bitmap(std::move(done.thumbnail));
    if (HWND handle = window.handle())
        InvalidateRect(handle, nullptr, TRUE);
}

void preview_box(const my_window& window, std::int32_t& width, std::int32_t& height)
{
    RECT box{};
    if (window.preview != nullptr && window.preview->handle() != nullptr)
        GetClientRect(window.preview->handle(), &box);
    width = box.right - box.left;
    height = box.bottom - box.top;
}

// The user learns of a snapshot that was not taken from the "Error" box, once the hook has returned.
bool refuse(snapshot_writer& writer, std::string text)
{
    writer.report(std::move(text));
    return false;
}

} // namespace

bool take_snapshot(const capture_rect& rect, const std::string& subfolder, std::time_t release)
{
    my_window* window = main_window;
    if (window == nullptr || window->writer == nullptr)
        return false;
    snapshot_writer& writer = *window->writer;
    released_snapshot snapshot;
    snapshot.time = release;
    snapshot.subfolder = subfolder;
    preview_box(*window, snapshot.box_width, snapshot.box_height);
    if (rect.width > 0 && rect.height > 0) {
        snapshot.pixel_bytes = std::int64_t{rect.width} * rect.height * 4;
        if (!writer.has_room_for(snapshot.pixel_bytes))
            return refuse(writer, too_many_waiting_text);
        HRESULT failure = S_OK;
        snapshot.pixels = capture_screen(rect, window->frame, failure);
        if (!snapshot.pixels)
            return refuse(writer, kite_com::hresult_error(failure).what());
    }
    return writer.enqueue(std::move(snapshot));
}

LRESULT show_finished_snapshots(kite::basic_window* window, UINT message, WPARAM, LPARAM)
{
    auto* form = dynamic_cast<my_window*>(window);
    if (message != msg_snapshot_finished || form == nullptr || form->writer == nullptr)
        return 0;
    for (finished_snapshot& done : form->writer->take_finished()) {
        if (!done.error.empty())
            unshown_errors.push_back(std::move(done.error));
        else if (!done.path.empty())
            show_thumbnail(*form, done);
    }
    // The box runs a message loop that may even close the window: nothing of it is touched afterwards.
    show_errors();
    return 0;
}

bool load_image_file(kite::image& control, const std::wstring& path)
{
    try {
        RECT box{};
        if (control.handle() != nullptr)
            GetClientRect(control.handle(), &box);
        control.centred = true;
        control.set_bitmap(read_thumbnail(path, box.right - box.left, box.bottom - box.top));
        return static_cast<bool>(control.bitmap);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "Error", MB_ICONERROR);
        return false;
    } catch (...) {
        return false;
    }
}
