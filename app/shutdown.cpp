#include "app/shutdown.h"

#include "app/error_box.h"
#include "app/input_hooks.h"
#include "app/main_window.h"
#include "app/output_folder.h"
#include "app/snapshot.h"
#include "app/snapshot_writer.h"
#include "app/target_folder_opener.h"
#include "utility/text_conversion.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string unwritten_text(const unwritten_snapshots& unwritten)
{
    std::string text = std::to_string(unwritten.count) + (unwritten.count == 1 ? " Snapshot" : " Snapshots") +
                       " nicht gespeichert: Das Speichern dauerte länger als " +
                       std::to_string(quit_bound.count() / 1000) + " Sekunden.";
    for (const std::string& subfolder : unwritten.subfolders)
        text += "\nZielordner: " + intended_target_folder(subfolder);
    return text;
}

} // namespace

void hold_shutdown(my_window& window)
{
    if (window.shutdown_held || window.handle() == nullptr)
        return;
    // Wine has no such reason: its answer is not what counts, Pictor's request is.
    ShutdownBlockReasonCreate(window.handle(), kite_utility::filesystem::to_utf16(shutdown_block_text).c_str());
    window.shutdown_held = true;
}

void release_shutdown(my_window& window)
{
    if (!window.shutdown_held)
        return;
    if (window.handle() != nullptr)
        ShutdownBlockReasonDestroy(window.handle());
    window.shutdown_held = false;
}

void finish_for_session_end(input_hooks& hooks, snapshot_writer& writer)
{
    hooks.remove();
    writer.finish(session_end_bound, false);
}

void finish_after_quit(input_hooks& hooks, snapshot_writer& writer, target_folder_opener& opener)
{
    hooks.remove();
    const unwritten_snapshots unwritten = writer.finish(quit_bound, false);
    // Failures found now come after those already waiting for a box.
    std::vector<std::string> texts = take_queued_errors();
    for (std::string& failure : take_finished_failures(writer))
        texts.push_back(std::move(failure));
    for (std::string& failure : opener.take_failures())
        texts.push_back(std::move(failure));
    if (unwritten.count > 0)
        texts.push_back(unwritten_text(unwritten));
    show_errors_together(texts);
    const bool opener_ended = opener.stop(opener_bound);
    if (unwritten.count > 0 || !opener_ended)
        TerminateProcess(GetCurrentProcess(), 0);
}
