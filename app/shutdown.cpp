#include "app/shutdown.h"

#include "app/error_box.h"
#include "app/input_hooks.h"
#include "app/output_folder.h"
#include "app/shutdown_block.h"
#include "app/snapshot.h"
#include "app/snapshot_writer.h"
#include "app/target_folder_opener.h"
#include "app/unsaved_snapshots.h"
#include "toolkit/application.h"
#include "toolkit/window.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr UINT_PTR quit_bound_timer = 1;

std::string quit_bound_seconds()
{
    return std::to_string(quit_bound.count() / 1000);
}

std::string unwritten_text(const unwritten_snapshots& unwritten)
{
    std::string text;
    if (unwritten.count > 0) {
        text = std::to_string(unwritten.count) + (unwritten.count == 1 ? " Snapshot" : " Snapshots") +
               " nicht gespeichert: Das Speichern dauerte länger als " + quit_bound_seconds() + " Sekunden.";
        for (const std::string& subfolder : unwritten.subfolders)
            text += "\nZielordner: " + intended_target_folder(subfolder);
    }
    // Its file may still get its name before the process ends: it is complete if it is there.
    if (unwritten.in_hand) {
        text += std::string(text.empty() ? "" : "\n\n") + "1 Snapshot vielleicht nicht gespeichert: Das Speichern " +
                "dauerte länger als " + quit_bound_seconds() + " Sekunden. Liegt er im Zielordner, ist er vollständig." +
                "\nZielordner: " + intended_target_folder(unwritten.in_hand_subfolder);
    }
    return text;
}

// Stands in for the main window once the user has said "Ja": the session's messages still find a window
// of Pictor's, and the log-off is held up while the last snapshots are written.
class quit_window : public kite::basic_window {
public:
    quit_window(kite::application* owner, const std::wstring& name, int width, int height)
        : kite::basic_window(owner, name, width, height)
    {
        shown = false;
    }

    void watch(ending_parts& parts)
    {
        parts_ = &parts;
        app_message_handler = [this](kite::basic_window*, UINT message, WPARAM, LPARAM) {
            if (message == msg_snapshot_finished)
                close_when_written();
            return LRESULT{0};
        };
        timer_handler = [this](kite::basic_window*, UINT_PTR) { close(); };
        end_session_handler = [this](kite::basic_window*, bool ending) { end_session(*parts_, ending); };
        parts.writer.wind_down(handle());
        SetTimer(handle(), quit_bound_timer, static_cast<UINT>(quit_bound.count()), nullptr);
        close_when_written();
    }

private:
    void close_when_written()
    {
        if (parts_->writer.pending() > 0)
            block_.hold(handle());
        else
            close();
    }
    void close()
    {
        block_.release();
        PostMessageW(handle(), WM_CLOSE, 0, 0);
    }

    ending_parts* parts_ = nullptr;
    shutdown_block block_;
};

// Every failure the user has not seen yet, in release order: those waiting for a box, then those the
// writer has finished.
std::vector<std::string> unseen_failures(snapshot_writer& writer)
{
    std::vector<std::string> texts = take_queued_errors();
    for (std::string& failure : take_finished_failures(writer))
        texts.push_back(std::move(failure));
    return texts;
}

std::vector<waiting_snapshot> listed_for_the_record(const std::vector<queued_release>& queued)
{
    std::vector<waiting_snapshot> listed;
    for (const queued_release& release : queued)
        listed.push_back({release.sequence, release.time, intended_snapshot_path(release.subfolder, release.time)});
    return listed;
}

void record_outcomes(snapshot_writer& writer, unsaved_snapshots_record& record)
{
    for (const finished_snapshot& done : writer.take_finished()) {
        if (!done.path.empty())
            record.written(done.sequence);
        else
            record.failed(done.sequence, done.error.empty() ? unknown_failure_text : done.error);
    }
}

// Writes what waits, within the bound; each snapshot is struck off the record once written, and a
// failure's reason is added to it, so the next start can tell the user what this one could not.
void drain_for_session_end(snapshot_writer& writer)
{
    const std::vector<std::string> unseen = unseen_failures(writer);
    writer.wind_down(nullptr);
    unsaved_snapshots_record record(listed_for_the_record(writer.waiting()), unseen);
    const steady_clock::time_point deadline = steady_clock::now() + session_end_bound;
    while (writer.pending() > 0 && steady_clock::now() < deadline) {
        writer.wait_for_finished(std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now()));
        record_outcomes(writer, record);
    }
    record_outcomes(writer, record);
}

} // namespace

void end_session(ending_parts& parts, bool ending)
{
    if (!ending || parts.session_ended)
        return;
    parts.session_ended = true;
    parts.hooks.remove();
    drain_for_session_end(parts.writer);
    PostQuitMessage(0);
}

void begin_quit(ending_parts& parts)
{
    parts.quitting = true;
    parts.hooks.remove();
    auto* waiting = parts.app.create_window<quit_window>("Pictor.QuitWindow", 0, 0);
    waiting->watch(parts);
}

void finish(ending_parts& parts)
{
    // Everything released is written or kept for the next start; the system would end Pictor now anyway.
    if (parts.session_ended)
        TerminateProcess(GetCurrentProcess(), 0);
    parts.hooks.remove();
    // The quit's window waited for the snapshots already; a loop that ended otherwise waits here.
    const unwritten_snapshots unwritten = parts.writer.finish(parts.quitting ? milliseconds(0) : quit_bound, false);
    // A folder that failed to open while the quit waited for it is told too.
    const bool opener_ended = parts.opener.stop(opener_bound);
    std::vector<std::string> texts = unseen_failures(parts.writer);
    for (std::string& failure : parts.opener.take_failures())
        texts.push_back(std::move(failure));
    if (unwritten.any())
        texts.push_back(unwritten_text(unwritten));
    show_errors_together(texts);
    if (unwritten.any() || !opener_ended)
        TerminateProcess(GetCurrentProcess(), 0);
}
