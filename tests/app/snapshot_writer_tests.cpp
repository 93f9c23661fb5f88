#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/snapshot.h"
#include "app/snapshot_writer.h"
#include "tests/support/pump.h"
#include "toolkit/application.h"

#include <ctime>

namespace {

// Releases whose pixels would not fit beside the waiting ones are refused out loud: the window hears of
// each refusal as a finished snapshot with the refusal's text, and nothing is queued.
TEST(snapshot_writer, a_release_past_the_waiting_limit_is_refused_with_a_message)
{
    kite::application app(GetModuleHandleW(nullptr));
    my_window* window = app.create_window<my_window>("Test.WriterOwner", 225, 442);
    snapshot_writer writer(nullptr, 0);
    window->writer = &writer;
    main_window = window;

    const std::int64_t too_much = snapshot_writer::waiting_limit_bytes + 1;
    EXPECT_FALSE(writer.has_room_for(too_much));
    released_snapshot direct;
    direct.pixel_bytes = too_much;
    EXPECT_FALSE(writer.enqueue(std::move(direct)));

    // 11000 x 10000 pixels need 440 MB: refused before the screen is even read.
    EXPECT_FALSE(take_snapshot(capture_rect{0, 0, 11000, 10000}, "", std::time(nullptr)));
    const auto finished = writer.take_finished();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished.front().error, too_many_waiting_text);
    EXPECT_TRUE(finished.front().path.empty());
    EXPECT_TRUE(writer.finish(std::chrono::seconds(5)));

    main_window = nullptr;
    window->writer = nullptr;
    test_support::pump_for(20);
}

} // namespace
