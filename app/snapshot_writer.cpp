#include "app/snapshot_writer.h"

#include "toolkit/com.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

struct snapshot_writer::shared_state {
    std::mutex mutex;
    std::condition_variable work_arrived;
    std::condition_variable all_written;
    std::deque<released_snapshot> waiting;
    std::deque<finished_snapshot> finished;
    std::int64_t waiting_bytes = 0;  // of the waiting snapshots and the one being written
    bool writing = false;
    bool stopping = false;
    HWND notify = nullptr;
    UINT message = 0;
};

snapshot_writer::snapshot_writer(HWND notify, UINT message) : state_(std::make_shared<shared_state>())
{
    state_->notify = notify;
    state_->message = message;
    worker_ = std::thread(work, state_);
}

snapshot_writer::~snapshot_writer()
{
    finish(default_finish_bound);
}

bool snapshot_writer::has_room_for(std::int64_t bytes) const
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return !state_->stopping && state_->waiting_bytes + bytes <= waiting_limit_bytes;
}

bool snapshot_writer::enqueue(released_snapshot snapshot)
{
    {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->stopping || state_->waiting_bytes + snapshot.pixel_bytes > waiting_limit_bytes)
            return false;
        state_->waiting_bytes += snapshot.pixel_bytes;
        state_->waiting.push_back(std::move(snapshot));
    }
    state_->work_arrived.notify_one();
    return true;
}

void snapshot_writer::report(std::string error)
{
    HWND notify = nullptr;
    UINT message = 0;
    {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        finished_snapshot failed;
        failed.error = std::move(error);
        state_->finished.push_back(std::move(failed));
        notify = state_->notify;
        message = state_->message;
    }
    if (notify != nullptr)
        PostMessageW(notify, message, 0, 0);
}

void snapshot_writer::notify_to(HWND notify)
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->notify = notify;
}

std::deque<finished_snapshot> snapshot_writer::take_finished()
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return std::exchange(state_->finished, std::deque<finished_snapshot>());
}

bool snapshot_writer::finish(std::chrono::milliseconds bound)
{
    bool written = false;
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        if (state_->stopping)
            return state_->waiting.empty() && !state_->writing;
        written = state_->all_written.wait_for(lock, bound,
                                               [this] { return state_->waiting.empty() && !state_->writing; });
        state_->stopping = true;
        state_->notify = nullptr;
    }
    state_->work_arrived.notify_all();
    if (worker_.joinable()) {
        // A worker still busy past the bound is left to the end of the process; it holds the shared state.
        if (written)
            worker_.join();
        else
            worker_.detach();
    }
    return written;
}

void snapshot_writer::work(std::shared_ptr<shared_state> state)
{
    // One apartment for the thread's life; each snapshot's imaging nests inside it. Without one, every
    // snapshot tries on its own and reports the failure.
    std::optional<kite_com::com_apartment> apartment;
    try {
        apartment.emplace();
    } catch (const std::exception&) {
    }
    // Declared after the apartment: its imaging factory goes before the apartment is left.
    snapshot_file_writer files;
    for (;;) {
        released_snapshot snapshot;
        {
            std::unique_lock<std::mutex> lock(state->mutex);
            state->work_arrived.wait(lock, [&] { return state->stopping || !state->waiting.empty(); });
            if (state->waiting.empty())
                return;
            snapshot = std::move(state->waiting.front());
            state->waiting.pop_front();
            state->writing = true;
        }
        finished_snapshot done = files.write(snapshot);
        snapshot.pixels.reset();
        HWND notify = nullptr;
        UINT message = 0;
        {
            const std::lock_guard<std::mutex> lock(state->mutex);
            state->waiting_bytes -= snapshot.pixel_bytes;
            state->writing = false;
            state->finished.push_back(std::move(done));
            notify = state->notify;
            message = state->message;
        }
        state->all_written.notify_all();
        if (notify != nullptr)
            PostMessageW(notify, message, 0, 0);
    }
}
