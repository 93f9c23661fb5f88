#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>

#include "app/snapshot_file.h"
#include "utility/not_copyable.h"

// Writes released snapshots one after the other on a worker thread of its own, first in, first out, so
// that names and thumbnails keep the order of the key releases and a release never waits for the disk.
//
// Who owns the pixels, step by step:
// - The key release copies the screen into a DIB section that its released_snapshot owns.
// - enqueue moves that snapshot into the queue, which owns it while it waits.
// - The worker takes it out of the queue and owns it while the PNG is written; the pixels are released as
//   soon as the imaging component holds its own copy, and the rest when the file is written.
// - The thumbnail the worker makes is owned by the finished queue until the UI thread takes it with
//   take_finished and hands it to the preview control.
// Waiting pixels are counted; past waiting_limit_bytes a release is refused rather than risking the memory
// of the ones already waiting.
class snapshot_writer : public kite_utility::not_copyable {
public:
    static constexpr std::int64_t waiting_limit_bytes = std::int64_t{384} * 1024 * 1024;
    static constexpr std::chrono::milliseconds default_finish_bound{30000};

    // Each finished snapshot posts message to notify (when not null); the window then calls take_finished.
    snapshot_writer(HWND notify, UINT message);
    // Finishes what was released, within default_finish_bound.
    ~snapshot_writer();

    // Whether a snapshot of this many bytes of pixels may still wait.
    bool has_room_for(std::int64_t bytes) const;
    // Queues the snapshot; false, with the snapshot dropped, past the limit or once finishing began.
    bool enqueue(released_snapshot snapshot);
    // A failure at the release itself, handed to the window like a finished snapshot with an error.
    void report(std::string error);
    // Where the notifications go from now on; null stops them (the window is going).
    void notify_to(HWND notify);

    // What the worker has finished since the last call, in release order.
    std::deque<finished_snapshot> take_finished();

    // Waits until every snapshot released so far is written, at most bound; no release is taken after.
    // Answers whether all were written.
    bool finish(std::chrono::milliseconds bound);

private:
    struct shared_state;
    static void work(std::shared_ptr<shared_state> state);

    // Shared with the worker, which may outlive this object when finishing runs out of time.
    std::shared_ptr<shared_state> state_;
    std::thread worker_;
};

// Posted to the main window for every finished snapshot.
inline constexpr UINT msg_snapshot_finished = WM_APP + 1;
