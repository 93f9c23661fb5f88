#pragma once

#include <chrono>

class my_window;
class snapshot_writer;
class target_folder_opener;
class input_hooks;

// What happens to released snapshots when Pictor ends: quit, log-off or shutdown. None is lost silently.

// While snapshots wait to be written, a user who logs off is shown why Pictor still works.
inline constexpr const char* shutdown_block_text = "Pictor speichert noch Snapshots.";
void hold_shutdown(my_window& window);
void release_shutdown(my_window& window);

// How long the end of a session and a quit wait for the snapshots still being written.
inline constexpr std::chrono::milliseconds session_end_bound{20000};
inline constexpr std::chrono::milliseconds quit_bound{30000};
// How long a quit waits for "Öffne Zielordner" still on its way.
inline constexpr std::chrono::milliseconds opener_bound{2000};

// WM_ENDSESSION: the hooks go, then every released snapshot is written (no thumbnail: nobody would see it)
// before the system may end the process.
void finish_for_session_end(input_hooks& hooks, snapshot_writer& writer);

// After the loop of a confirmed quit: the hooks go, every released snapshot is written, and one "Error" box
// lists every failure not yet shown, in release order, and what could not be written in time. If something
// still waits on the disk then, the process ends here, so that nothing runs under it while the runtime
// takes itself down.
void finish_after_quit(input_hooks& hooks, snapshot_writer& writer, target_folder_opener& opener);
