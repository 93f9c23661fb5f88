#pragma once

#include <chrono>

namespace kite {
class application;
}

class input_hooks;
class snapshot_writer;
class target_folder_opener;

// What happens to released snapshots when Pictor ends: quit, log-off, shutdown, or a program that asks
// Pictor to close. None is lost silently.

// How long the end of a session and a quit wait for the snapshots still being written.
inline constexpr std::chrono::milliseconds session_end_bound{20000};
inline constexpr std::chrono::milliseconds quit_bound{30000};
// How long a quit waits for "Öffne Zielordner" still on its way.
inline constexpr std::chrono::milliseconds opener_bound{2000};

// What must be finished before Pictor ends; everything is owned by start-up.
struct ending_parts {
    kite::application& app;
    input_hooks& hooks;
    snapshot_writer& writer;
    target_folder_opener& opener;
    // "Ja" was said: the quit's wait for the snapshots runs in the message loop.
    bool quitting = false;
    // The session ended (or the system asked Pictor to close): the process ends after the message loop.
    bool session_ended = false;
};

// WM_ENDSESSION to any of Pictor's windows. A cancelled log-off changes nothing. Else the hooks go, every
// released snapshot is written within session_end_bound, and what could not be written is kept for the
// next start; then the message loop ends, and with it Pictor, whether or not the system ends it.
void end_session(ending_parts& parts, bool ending);

// After "Ja": the hooks go, and a hidden window answers the session's messages and holds up a log-off
// until the snapshots still waiting are written or quit_bound has run out. Then it goes, and with it the
// message loop.
void begin_quit(ending_parts& parts);

// After the message loop. After a session end the process ends at once. After a quit, one "Error" box
// lists every failure not yet shown, in release order, and what could not be written in time; if
// something still waits on the disk then, the process ends here, so that nothing runs under it while the
// runtime takes itself down.
void finish(ending_parts& parts);
