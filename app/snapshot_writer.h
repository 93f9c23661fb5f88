#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/snapshot_file.h"
#include "utility/not_copyable.h"

// What the writer does with each snapshot. Made on the writer's thread, inside its COM apartment.
class snapshot_sink {
public:
    virtual ~snapshot_sink() = default;
    // Never throws; a failure comes back as the finished snapshot's error.
    virtual finished_snapshot write(released_snapshot& snapshot, bool thumbnail) = 0;
};
using snapshot_sink_maker = std::function<std::unique_ptr<snapshot_sink>()>;

// Writes snapshot files into the Pictures folder (snapshot_file_writer).
std::unique_ptr<snapshot_sink> make_file_sink();

// What finishing left undone when its time ran out.
struct unwritten_snapshots {
    std::size_t count = 0;                // never begun: certainly not written
    std::vector<std::string> subfolders;  // theirs, each once, in release order
    // The one being written then: it may still be written before the process ends.
    bool in_hand = false;
    std::string in_hand_subfolder;
    bool any() const { return count > 0 || in_hand; }
};

// A release whose snapshot is not yet finished.
struct queued_release {
    std::uint64_t sequence = 0;
    std::time_t time = 0;
    std::string subfolder;
};

// Writes released snapshots one after the other on a worker thread of its own, first in, first out, so
// that names, thumbnails and failures keep the order of the key releases and a release never waits for the
// disk.
//
// Who owns the pixels, step by step:
// - The key release copies the screen into a DIB section that its released_snapshot owns.
// - enqueue moves that snapshot into the queue, which owns it while it waits.
// - The worker takes it out of the queue and owns it while the PNG is made; the pixels are released as
//   soon as the PNG holds the picture, and the rest when the file is written.
// - The thumbnail the worker makes is owned by the finished queue until the UI thread takes it with
//   take_finished and hands it to the preview control.
// A release that was refused or could not copy the screen goes through the queue like any other, so the
// user hears of it in its place among the others. Waiting pixels are counted; past waiting_limit_bytes a
// release is refused rather than risking the memory of the ones already waiting.
class snapshot_writer : public kite_utility::not_copyable {
public:
    static constexpr std::int64_t waiting_limit_bytes = std::int64_t{384} * 1024 * 1024;
    static constexpr std::chrono::milliseconds default_finish_bound{30000};

    // Each finished snapshot posts message to notify (when not null); the window then calls take_finished.
    snapshot_writer(HWND notify, UINT message, snapshot_sink_maker make_sink = make_file_sink);
    // Finishes what was released, within default_finish_bound, and waits for the snapshot in hand.
    ~snapshot_writer();

    // Whether a snapshot of this many bytes of pixels may still wait.
    bool has_room_for(std::int64_t bytes) const;
    // Queues the snapshot behind the earlier ones. Pixels past the limit are dropped and the snapshot is
    // refused in its place. False once finishing began, or when the queue could not grow (the snapshot is
    // then untouched and nothing is counted).
    bool enqueue(released_snapshot snapshot);
    // False once finishing began: releases from then on come too late and are not taken.
    bool accepting() const;
    // A release that could not even be queued; the window hears of it with the next finished ones.
    void report_lost() noexcept;
    // Where the notifications go from now on; null stops them (the window is going).
    void notify_to(HWND notify);

    // Released and not yet finished.
    std::size_t pending() const;
    std::vector<queued_release> waiting() const;
    // What the worker has finished since the last call, in release order.
    std::vector<finished_snapshot> take_finished();
    // How many releases were lost since the last call.
    unsigned take_lost() noexcept;

    // No release is taken from now on; the rest are written without reading them back, and each one
    // finished posts to notify (when not null) instead.
    void wind_down(HWND notify);
    // Waits at most bound for a snapshot to be finished; answers whether one is ready to be taken.
    bool wait_for_finished(std::chrono::milliseconds bound);

    // Waits until every snapshot released so far is written, at most bound; no release is taken after.
    // Without thumbnail, snapshots still waiting are written without reading them back. Answers what is
    // left unwritten when the time ran out: the snapshot in hand may then still be written, so the worker
    // is left to it; only the destructor waits for it.
    unwritten_snapshots finish(std::chrono::milliseconds bound, bool thumbnail);

private:
    struct job {
        released_snapshot released;
        finished_snapshot finished;
    };
    struct shared_state;
    static void work(shared_state& state, const snapshot_sink_maker& make_sink);
    static void write_one(snapshot_sink* sink, job& current, bool thumbnail) noexcept;

    std::unique_ptr<shared_state> state_;
    std::thread worker_;
};

// Posted to the main window for every finished snapshot.
inline constexpr UINT msg_snapshot_finished = WM_APP + 1;

// What the user is told of a snapshot that failed without a reason to give (none could be had).
inline constexpr const char* unknown_failure_text = "Snapshot nicht gespeichert: Unbekannter Fehler.";

// Refusal text when the pixels of earlier snapshots still fill the memory set aside for waiting ones.
inline constexpr const char* too_many_waiting_text =
    "Snapshot nicht aufgenommen: zu viele Snapshots warten noch auf das Speichern.";
