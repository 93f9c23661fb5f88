#include "app/snapshot.h"

#include "app/error_box.h"
#include "app/main_window.h"
#include "app/screen_capture.h"
#include "app/snapshot_writer.h"
#include "toolkit/com.h"
#include "toolkit/static_controls.h"

#include <cstdint>
#include <exception>
#include <utility>

namespace {

void show_thumbnail(my_window& window, finished_snapshot& done)
{
    if (window.preview == nullptr || !done.thumbnail)
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

// Queued snapshots keep a log-off waiting with the reason the system shows the user.
void hand_on(my_window& window, released_snapshot snapshot)
{
    if (window.writer->enqueue(std::move(snapshot)))
        window.shutdown.hold(window.handle());
    else if (window.writer->accepting())
        window.writer->report_lost();
}

released_snapshot released_at(std::time_t release, const std::string& subfolder)
{
    released_snapshot snapshot;
    snapshot.time = release;
    snapshot.subfolder = subfolder;
    return snapshot;
}

bool capture_and_hand_on(my_window& window, const capture_rect& rect, const std::string& subfolder,
                         std::time_t release)
{
    released_snapshot snapshot = released_at(release, subfolder);
    preview_box(window, snapshot.box_width, snapshot.box_height);
    snapshot.pixel_bytes = std::int64_t{rect.width} * rect.height * 4;
    if (rect.width <= 0 || rect.height <= 0)
        snapshot.capture_failure = E_INVALIDARG;
    else if (!window.writer->has_room_for(snapshot.pixel_bytes))
        snapshot.refusal = too_many_waiting_text;
    else
        snapshot.pixels = capture_screen(rect, window.frame, snapshot.capture_failure);
    if (!snapshot.pixels && SUCCEEDED(snapshot.capture_failure) && snapshot.refusal.empty())
        snapshot.capture_failure = E_FAIL;
    const bool captured = static_cast<bool>(snapshot.pixels);
    hand_on(window, std::move(snapshot));
    return captured;
}

} // namespace

bool take_snapshot(const capture_rect& rect, const std::string& subfolder, std::time_t release)
{
    my_window* window = main_window;
    if (window == nullptr || window->writer == nullptr)
        return false;
    try {
        return capture_and_hand_on(*window, rect, subfolder, release);
    } catch (...) {
        // Out of memory for the snapshot's own record: the user still hears of it.
        window->writer->report_lost();
        return false;
    }
}

void report_failed_release(const std::string& subfolder, std::time_t release, HRESULT failure)
{
    my_window* window = main_window;
    if (window == nullptr || window->writer == nullptr)
        return;
    try {
        released_snapshot snapshot = released_at(release, subfolder);
        snapshot.capture_failure = FAILED(failure) ? failure : E_FAIL;
        hand_on(*window, std::move(snapshot));
    } catch (...) {
        window->writer->report_lost();
    }
}

std::vector<std::string> take_finished_failures(snapshot_writer& writer,
                                                const std::function<void(finished_snapshot&)>& show)
{
    std::vector<std::string> failures;
    for (finished_snapshot& done : writer.take_finished()) {
        if (show)
            show(done);
        if (!done.error.empty())
            failures.push_back(std::move(done.error));
        else if (done.path.empty())
            failures.push_back(unknown_failure_text);
    }
    for (unsigned lost = writer.take_lost(); lost > 0; --lost)
        failures.push_back(not_taken_text(E_OUTOFMEMORY));
    return failures;
}

LRESULT show_finished_snapshots(kite::basic_window* window, UINT message, WPARAM, LPARAM)
{
    auto* form = dynamic_cast<my_window*>(window);
    if (message != msg_snapshot_finished || form == nullptr || form->writer == nullptr)
        return 0;
    const auto show = [form](finished_snapshot& done) { show_thumbnail(*form, done); };
    for (std::string& failure : take_finished_failures(*form->writer, show))
        queue_error(std::move(failure));
    if (form->writer->pending() == 0)
        form->shutdown.release();
    // The box runs a message loop that may even close the window: nothing of it is touched afterwards.
    show_queued_errors();
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
        show_error(error.what());
        return false;
    } catch (...) {
        return false;
    }
}
