#include "app/snapshot_writer.h"

#include "toolkit/com.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

namespace {

class file_sink : public snapshot_sink {
public:
    finished_snapshot write(released_snapshot& snapshot, bool thumbnail) override
    {
        return files_.write(snapshot, thumbnail);
    }

private:
    snapshot_file_writer files_;
};

// A text for the user that must not throw where it is set: without memory for it the snapshot is still
// reported, as one without a path and without a text.
void set_text(std::string& target, const char* text) noexcept
{
    try {
        target = text;
    } catch (...) {
        target.clear();
    }
}

} // namespace

std::unique_ptr<snapshot_sink> make_file_sink()
{
    return std::make_unique<file_sink>();
}

// Jobs move between the lists by splicing, which never allocates: once queued, a snapshot reaches the
// finished list whatever runs out.
struct snapshot_writer::shared_state {
    mutable std::mutex mutex;
    std::condition_variable work_arrived;
    std::condition_variable all_written;
    std::list<job> waiting;
    std::list<job> writing;  // the one in hand, if any
    std::list<job> finished;
    std::int64_t waiting_bytes = 0;  // of the waiting snapshots and the one in hand
    bool accepting = true;
    bool stopping = false;
    bool thumbnail = true;
    unsigned lost = 0;
    std::uint64_t released = 0;  // the last sequence number given
    HWND notify = nullptr;
    UINT message = 0;

    bool idle() const { return waiting.empty() && writing.empty(); }
    void post() const
    {
        if (notify != nullptr)
            PostMessageW(notify, message, 0, 0);
    }
};

snapshot_writer::snapshot_writer(HWND notify, UINT message, snapshot_sink_maker make_sink)
    : state_(std::make_unique<shared_state>())
{
    state_->notify = notify;
    state_->message = message;
    worker_ = std::thread([state = state_.get(), make_sink = std::move(make_sink)] { work(*state, make_sink); });
}

snapshot_writer::~snapshot_writer()
{
    finish(default_finish_bound, false);
    if (worker_.joinable())
        worker_.join();
}

bool snapshot_writer::has_room_for(std::int64_t bytes) const
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->accepting && state_->waiting_bytes + bytes <= waiting_limit_bytes;
}

bool snapshot_writer::enqueue(released_snapshot snapshot)
{
    // The one allocation comes first, so that a failure leaves nothing counted and the snapshot as it was.
    std::list<job> node;
    try {
        node.emplace_back();
    } catch (const std::bad_alloc&) {
        return false;
    }
    job& added = node.front();
    added.released = std::move(snapshot);
    {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        if (!state_->accepting)
            return false;
        added.released.sequence = ++state_->released;
        if (added.released.pixels) {
            if (state_->waiting_bytes + added.released.pixel_bytes > waiting_limit_bytes) {
                added.released.pixels.reset();
                set_text(added.released.refusal, too_many_waiting_text);
            } else {
                state_->waiting_bytes += added.released.pixel_bytes;
            }
        }
        state_->waiting.splice(state_->waiting.end(), node);
    }
    state_->work_arrived.notify_one();
    return true;
}

bool snapshot_writer::accepting() const
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->accepting;
}

void snapshot_writer::report_lost() noexcept
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->lost;
    state_->post();
}

void snapshot_writer::notify_to(HWND notify)
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->notify = notify;
}

std::size_t snapshot_writer::pending() const
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->waiting.size() + state_->writing.size();
}

std::vector<queued_release> snapshot_writer::waiting() const
{
    std::vector<queued_release> listed;
    const std::lock_guard<std::mutex> lock(state_->mutex);
    for (const std::list<job>* jobs : {&state_->writing, &state_->waiting})
        for (const job& left : *jobs)
            listed.push_back({left.released.sequence, left.released.time, left.released.subfolder});
    return listed;
}

void snapshot_writer::wind_down(HWND notify)
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->accepting = false;
    state_->thumbnail = false;
    state_->notify = notify;
}

bool snapshot_writer::wait_for_finished(std::chrono::milliseconds bound)
{
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->all_written.wait_for(lock, bound, [this] { return !state_->finished.empty(); });
}

std::vector<finished_snapshot> snapshot_writer::take_finished()
{
    std::list<job> taken;
    {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        taken.splice(taken.end(), state_->finished);
    }
    std::vector<finished_snapshot> result;
    result.reserve(taken.size());
    for (job& done : taken)
        result.push_back(std::move(done.finished));
    return result;
}

unsigned snapshot_writer::take_lost() noexcept
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return std::exchange(state_->lost, 0u);
}

unwritten_snapshots snapshot_writer::finish(std::chrono::milliseconds bound, bool thumbnail)
{
    unwritten_snapshots unwritten;
    std::list<job> dropped;
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        state_->accepting = false;
        state_->thumbnail = thumbnail;
        state_->notify = nullptr;
        if (!state_->all_written.wait_for(lock, bound, [this] { return state_->idle(); })) {
            unwritten.count = state_->waiting.size();
            for (const job& left : state_->waiting)
                if (std::find(unwritten.subfolders.begin(), unwritten.subfolders.end(), left.released.subfolder) ==
                    unwritten.subfolders.end())
                    unwritten.subfolders.push_back(left.released.subfolder);
            unwritten.in_hand = !state_->writing.empty();
            if (unwritten.in_hand)
                unwritten.in_hand_subfolder = state_->writing.front().released.subfolder;
            dropped.splice(dropped.end(), state_->waiting);
        }
        state_->stopping = true;
    }
    state_->work_arrived.notify_all();
    if (!unwritten.in_hand && worker_.joinable())
        worker_.join();
    return unwritten;
}

void snapshot_writer::write_one(snapshot_sink* sink, job& current, bool thumbnail) noexcept
{
    try {
        if (sink == nullptr)
            throw std::bad_alloc();
        current.finished = sink->write(current.released, thumbnail);
        current.finished.sequence = current.released.sequence;
        if (current.finished.path.empty() && current.finished.error.empty())
            set_text(current.finished.error, unknown_failure_text);
    } catch (...) {
        // The sink keeps its failures to itself; this is what gets past it, out of memory, say.
        current.finished = finished_snapshot();
        current.finished.sequence = current.released.sequence;
        set_text(current.finished.error, unknown_failure_text);
    }
    current.released.pixels.reset();
}

void snapshot_writer::work(shared_state& state, const snapshot_sink_maker& make_sink)
{
    // Imaging is free-threaded: a multithreaded apartment fits it and never has to pump messages. Without
    // one, or without a sink, every snapshot fails with its reason instead of ending the thread.
    std::optional<kite_com::com_apartment> apartment;
    std::unique_ptr<snapshot_sink> sink;
    try {
        apartment.emplace(COINIT_MULTITHREADED);
    } catch (...) {
    }
    try {
        sink = make_sink();
    } catch (...) {
    }
    for (;;) {
        bool thumbnail = true;
        {
            std::unique_lock<std::mutex> lock(state.mutex);
            state.work_arrived.wait(lock, [&] { return state.stopping || !state.waiting.empty(); });
            if (state.waiting.empty())
                break;
            state.writing.splice(state.writing.end(), state.waiting, state.waiting.begin());
            thumbnail = state.thumbnail;
        }
        job& current = state.writing.front();
        const std::int64_t counted = current.released.pixels ? current.released.pixel_bytes : 0;
        write_one(sink.get(), current, thumbnail);
        {
            const std::lock_guard<std::mutex> lock(state.mutex);
            state.waiting_bytes -= counted;
            state.finished.splice(state.finished.end(), state.writing);
            state.post();
        }
        state.all_written.notify_all();
    }
    // The sink's imaging factory goes before the apartment is left.
    sink.reset();
}
