// The writer behind the key release: every release is heard of in its place, a failing snapshot never
// stops the ones behind it, and finishing says truthfully what was not written.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/output_folder.h"
#include "app/snapshot.h"
#include "app/snapshot_writer.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"
#include "toolkit/application.h"
#include "toolkit/dib_section.h"
#include "utility/text_conversion.h"

#include <atomic>
#include <ctime>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

// Answers each snapshot by its subfolder: "ok…" is written, "throw" throws, "fail" fails with a text;
// "slow" waits until released.
class scripted_sink : public snapshot_sink {
public:
    explicit scripted_sink(std::atomic<bool>& released) : released_(released) {}
    finished_snapshot write(released_snapshot& snapshot, bool) override
    {
        finished_snapshot done;
        if (snapshot.subfolder == "throw")
            throw std::runtime_error("broken");
        if (snapshot.subfolder == "slow")
            while (!released_)
                Sleep(5);
        if (snapshot.subfolder == "fail")
            done.error = "failed";
        else if (!snapshot.refusal.empty())
            done.error = snapshot.refusal;
        else
            done.path = snapshot.subfolder;
        return done;
    }

private:
    std::atomic<bool>& released_;
};

released_snapshot release_of(const std::string& subfolder)
{
    released_snapshot snapshot;
    snapshot.subfolder = subfolder;
    return snapshot;
}

TEST(snapshot_writer, outcomes_come_in_release_order_and_a_failing_snapshot_stops_none_behind_it)
{
    std::atomic<bool> released{true};
    snapshot_writer writer(nullptr, 0, [&] { return std::make_unique<scripted_sink>(released); });
    ASSERT_TRUE(writer.enqueue(release_of("ok1")));
    ASSERT_TRUE(writer.enqueue(release_of("throw")));
    released_snapshot refused = release_of("refused");
    refused.refusal = too_many_waiting_text;
    ASSERT_TRUE(writer.enqueue(std::move(refused)));
    ASSERT_TRUE(writer.enqueue(release_of("fail")));
    ASSERT_TRUE(writer.enqueue(release_of("ok2")));
    EXPECT_FALSE(writer.finish(5s, true).any());

    const auto finished = writer.take_finished();
    ASSERT_EQ(finished.size(), 5u);
    EXPECT_EQ(finished[0].path, "ok1");
    EXPECT_EQ(finished[1].error, unknown_failure_text);
    EXPECT_EQ(finished[2].error, too_many_waiting_text);
    EXPECT_EQ(finished[3].error, "failed");
    EXPECT_EQ(finished[4].path, "ok2");
    EXPECT_FALSE(writer.enqueue(release_of("too late")));
}

// Pixels past the limit are refused in the release's own place, and are not counted as waiting.
TEST(snapshot_writer, pixels_past_the_waiting_limit_are_refused_in_their_place)
{
    std::atomic<bool> released{false};
    snapshot_writer writer(nullptr, 0, [&] { return std::make_unique<scripted_sink>(released); });
    std::uint32_t* bits = nullptr;
    released_snapshot slow = release_of("slow");
    slow.pixels = kite::top_down_dib(8, 8, bits);
    slow.pixel_bytes = snapshot_writer::waiting_limit_bytes - 100;
    ASSERT_TRUE(writer.enqueue(std::move(slow)));
    released_snapshot big = release_of("big");
    big.pixels = kite::top_down_dib(8, 8, bits);
    big.pixel_bytes = 200;
    ASSERT_TRUE(writer.enqueue(std::move(big)));
    EXPECT_FALSE(writer.has_room_for(101));
    released = true;
    EXPECT_FALSE(writer.finish(5s, true).any());
    const auto finished = writer.take_finished();
    ASSERT_EQ(finished.size(), 2u);
    EXPECT_EQ(finished[1].error, too_many_waiting_text);
}

TEST(snapshot_writer, finishing_out_of_time_counts_what_is_not_written_and_where_it_was_to_go)
{
    std::atomic<bool> released{false};
    auto writer = std::make_unique<snapshot_writer>(
        nullptr, 0, [&] { return std::make_unique<scripted_sink>(released); });
    ASSERT_TRUE(writer->enqueue(release_of("slow")));
    ASSERT_TRUE(writer->enqueue(release_of("Serie")));
    ASSERT_TRUE(writer->enqueue(release_of("Serie")));
    const unwritten_snapshots unwritten = writer->finish(100ms, false);
    // The one in hand may still be written: it is not counted as unwritten, but named as such.
    EXPECT_EQ(unwritten.count, 2u);
    EXPECT_EQ(unwritten.subfolders, (std::vector<std::string>{"Serie"}));
    EXPECT_TRUE(unwritten.in_hand);
    EXPECT_EQ(unwritten.in_hand_subfolder, "slow");
    // The one in hand is still written; the writer waits for it before it goes.
    released = true;
    writer.reset();
}

class writer_window_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = app.create_window<my_window>("Test.WriterOwner", 225, 442);
        main_window = window;
    }
    void TearDown() override
    {
        main_window = nullptr;
        window->writer = nullptr;
        test_support::pump_for(20);
    }

    kite::application app{GetModuleHandleW(nullptr)};
    my_window* window = nullptr;
};

// A user logging off while snapshots wait is told why Pictor holds the log-off, and only then.
// Wine keeps no shutdown block reasons: what Pictor asked for is checked.
TEST_F(writer_window_test, a_log_off_is_held_exactly_while_snapshots_wait)
{
    std::atomic<bool> released{false};
    snapshot_writer writer(window->handle(), msg_snapshot_finished,
                           [&] { return std::make_unique<scripted_sink>(released); });
    window->writer = &writer;
    window->app_message_handler = show_finished_snapshots;
    EXPECT_FALSE(window->shutdown.held());
    ASSERT_TRUE(take_snapshot(capture_rect{10, 10, 40, 30}, "slow", std::time(nullptr)));
    EXPECT_TRUE(window->shutdown.held());
    test_support::pump_for(50);
    EXPECT_TRUE(window->shutdown.held());
    released = true;
    EXPECT_TRUE(test_support::pump_until([&] { return !window->shutdown.held(); }, 5000));
    EXPECT_EQ(writer.pending(), 0u);
}

// The picture is on the disk even when showing it fails: the user is told both, with the file's path.
TEST(snapshot_file_writer, a_thumbnail_that_cannot_be_read_keeps_the_file_and_says_so)
{
    snapshot_file_writer files([](const std::wstring&, std::int32_t, std::int32_t, HRESULT& failure) {
        failure = E_OUTOFMEMORY;
        return kite::unique_bitmap();
    });
    released_snapshot snapshot = release_of("Vorschau");
    snapshot.time = std::time(nullptr);
    std::uint32_t* bits = nullptr;
    snapshot.pixels = kite::top_down_dib(16, 8, bits);
    snapshot.box_width = 200;
    snapshot.box_height = 200;
    const finished_snapshot done = files.write(snapshot, true);
    ASSERT_FALSE(done.path.empty()) << done.error;
    test_support::image_pixels image;
    ASSERT_TRUE(test_support::read_image(kite_utility::filesystem::to_utf16(done.path), image));
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(done.error.rfind("Snapshot gespeichert: " + done.path + "\n", 0), 0u) << done.error;
    EXPECT_NE(done.error.find("(0x8007000e)"), std::string::npos) << done.error;
    DeleteFileW(kite_utility::filesystem::to_utf16(done.path).c_str());
    RemoveDirectoryW(kite_utility::filesystem::to_utf16(target_folder("Vorschau")).c_str());
}

// Once the file has its name nothing takes it back: a failure after the rename (no memory to copy the
// path, say) leaves the snapshot on the disk, reported saved.
TEST(snapshot_file_writer, a_failure_after_the_rename_keeps_the_file_and_reports_it_saved)
{
    snapshot_file_writer files(
        [](const std::wstring&, std::int32_t, std::int32_t, HRESULT&) { return kite::unique_bitmap(); },
        [](const rename_function& rename, const std::string& folder, std::time_t release, long& failure) {
            publish_snapshot_file(rename, folder, release, failure);
            throw std::bad_alloc();
            return std::string();
        });
    released_snapshot snapshot = release_of("Umbenannt");
    snapshot.time = std::time(nullptr);
    std::uint32_t* bits = nullptr;
    snapshot.pixels = kite::top_down_dib(16, 8, bits);
    const finished_snapshot done = files.write(snapshot, true);
    const std::string folder = target_folder("Umbenannt");
    EXPECT_EQ(done.error, "");
    EXPECT_EQ(done.path, join_path(folder, snapshot_file_name_at(snapshot.time)));
    EXPECT_TRUE(test_support::has_png_signature(kite_utility::filesystem::to_utf16(done.path)));
    DeleteFileW(kite_utility::filesystem::to_utf16(done.path).c_str());
    RemoveDirectoryW(kite_utility::filesystem::to_utf16(folder).c_str());
}

} // namespace
