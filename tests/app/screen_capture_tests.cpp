// The capture's sequence (hide the frame, wait for the screen, read, read the ring's strips again until the
// ring has gone or the time is up) against a scripted screen, on a composing desktop and on one without.
#include <gtest/gtest.h>

#include "app/screen_capture.h"
#include "tests/support/pattern.h"

#include <cstdint>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t green = 0x0000FF00u;
const capture_rect ring{40, 30, 64, 48};

std::uint32_t pixel_of(COLORREF colour)
{
    return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

bool on_ring(int x, int y)
{
    const int right = ring.left + ring.width, bottom = ring.top + ring.height;
    return x >= ring.left && x < right && y >= ring.top && y < bottom &&
           (x < ring.left + 2 || x >= right - 2 || y < ring.top + 2 || y >= bottom - 2);
}

// A 200 x 150 screen of pattern pixels, optionally with a green bar on the ring's top line. After the
// frame is hidden, the ring stays on it piece by piece until enough composed pictures or pauses have passed.
class scripted_screen : public capture_system {
public:
    struct piece {
        RECT place;
        int waits;  // composed pictures or pauses until the ring goes there; -1: never
    };

    bool composes = true;
    HRESULT flush_result = S_OK;
    int failing_read = 0;  // the read that fails (1 is the first), 0: none
    bool green_bar = false;
    std::vector<piece> pieces{{RECT{0, 0, 200, 150}, 1}};
    std::vector<RECT> windows;  // answered by repaint_beneath

    int flushes = 0;
    int pauses = 0;
    int repaints = 0;
    int reads = 0;
    bool hidden = false;
    bool shown = false;
    clock::time_point start = clock::time_point() + 1h;
    clock::time_point time = start;

    std::uint32_t content(int x, int y) const
    {
        if (green_bar && y >= ring.top && y < ring.top + 2 && x >= 60 && x < 80)
            return green;
        return pixel_of(test_support::pattern_colour(x, y));
    }
    std::uint32_t shown_at(int x, int y) const
    {
        if (on_ring(x, y))
            for (const piece& each : pieces) {
                const POINT at{x, y};
                if (PtInRect(&each.place, at) && (!hidden || each.waits < 0 || waits() < each.waits))
                    return green;
            }
        return content(x, y);
    }
    int waits() const { return (flush_result == S_OK ? flushes : 0) + pauses; }

    bool hide_frame() override
    {
        hidden = true;
        return true;
    }
    void show_frame() override { shown = true; }
    bool composing() override { return composes; }
    HRESULT next_composed_picture() override
    {
        ++flushes;
        time += 16ms;
        return flush_result;
    }
    void pause() override
    {
        ++pauses;
        time += 2ms;
    }
    std::vector<RECT> repaint_beneath(const capture_rect&, clock::time_point) override
    {
        ++repaints;
        return windows;
    }
    std::vector<RECT> monitors() override { return {RECT{0, 0, 200, 150}}; }
    HRESULT read(HDC target, POINT at, const RECT& part) override
    {
        if (++reads == failing_read)
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        const int width = part.right - part.left, height = part.bottom - part.top;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<std::size_t>(y) * width + x] = shown_at(part.left + x, part.top + y);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(target, at.x, at.y, width, height, 0, 0, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
        return S_OK;
    }
    clock::time_point now() override { return time; }
};

struct capture_result {
    bool taken = false;
    HRESULT failure = S_OK;
    int mismatches = 0;  // pixels that differ from the content
    int ring_pixels = 0; // of those, the ring's green
};

capture_result capture(scripted_screen& screen)
{
    capture_result result;
    kite::unique_bitmap copy = capture_screen(ring, screen, result.failure);
    result.taken = static_cast<bool>(copy);
    DIBSECTION section{};
    if (!copy || GetObjectW(copy.get(), sizeof(section), &section) != sizeof(section))
        return result;
    const auto* pixels = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
    for (int y = 0; y < ring.height; ++y)
        for (int x = 0; x < ring.width; ++x) {
            const std::uint32_t pixel = pixels[y * ring.width + x] & 0x00FFFFFFu;
            if (pixel != screen.content(ring.left + x, ring.top + y)) {
                ++result.mismatches;
                result.ring_pixels += pixel == green;
            }
        }
    return result;
}

TEST(screen_capture, a_composing_desktop_is_read_once_the_composed_picture_is_free_of_the_ring)
{
    for (int pictures : {1, 3}) {
        SCOPED_TRACE(pictures);
        scripted_screen screen;
        screen.pieces = {{RECT{0, 0, 200, 150}, pictures}};
        const capture_result result = capture(screen);
        ASSERT_TRUE(result.taken);
        EXPECT_EQ(result.mismatches, 0);
        EXPECT_EQ(screen.flushes, pictures);
        EXPECT_EQ(screen.pauses, 0);
        EXPECT_EQ(screen.repaints, 0);
        EXPECT_TRUE(screen.shown);
    }
}

TEST(screen_capture, green_content_on_the_ring_line_is_read_at_the_first_composed_picture)
{
    scripted_screen screen;
    screen.green_bar = true;
    const capture_result result = capture(screen);
    ASSERT_TRUE(result.taken);
    EXPECT_EQ(result.mismatches, 0);
    EXPECT_EQ(screen.flushes, 1);
}

TEST(screen_capture, a_ring_that_never_goes_holds_the_capture_only_until_the_deadline)
{
    scripted_screen screen;
    screen.pieces = {{RECT{0, 0, 200, 150}, -1}};
    const capture_result result = capture(screen);
    // The copy is what the screen shows.
    ASSERT_TRUE(result.taken);
    EXPECT_EQ(result.failure, S_OK);
    EXPECT_EQ(result.ring_pixels, 2 * (64 + 48) * 2 - 16);
    EXPECT_GE(screen.time - screen.start, std::chrono::milliseconds(repaint_bound_ms));
    EXPECT_LT(screen.time - screen.start, std::chrono::milliseconds(repaint_bound_ms) + 16ms);
    EXPECT_TRUE(screen.shown);
}

TEST(screen_capture, a_failing_flush_falls_back_to_a_short_wait)
{
    scripted_screen screen;
    screen.flush_result = E_FAIL;
    screen.pieces = {{RECT{0, 0, 200, 150}, 2}};
    const capture_result result = capture(screen);
    ASSERT_TRUE(result.taken);
    EXPECT_EQ(result.mismatches, 0);
    EXPECT_EQ(screen.pauses, 2);
}

TEST(screen_capture, without_composing_the_piece_over_a_window_that_draws_late_is_read_again)
{
    scripted_screen screen;
    screen.composes = false;
    screen.green_bar = true;
    // Two windows side by side under the ring; the right one draws after two pauses.
    screen.windows = {RECT{0, 0, 90, 150}, RECT{90, 0, 200, 150}};
    screen.pieces = {{screen.windows[0], 0}, {screen.windows[1], 2}};
    const capture_result result = capture(screen);
    ASSERT_TRUE(result.taken);
    EXPECT_EQ(result.mismatches, 0);
    EXPECT_EQ(screen.repaints, 1);
    EXPECT_EQ(screen.pauses, 2);
    EXPECT_EQ(screen.flushes, 0);
}

TEST(screen_capture, a_screen_that_cannot_be_read_gives_no_picture_and_the_system_reason)
{
    // The first read, or a read of the strips after it.
    for (int failing : {1, 2}) {
        SCOPED_TRACE(failing);
        scripted_screen screen;
        screen.pieces = {{RECT{0, 0, 200, 150}, 2}};
        screen.failing_read = failing;
        const capture_result result = capture(screen);
        EXPECT_FALSE(result.taken);
        EXPECT_EQ(result.failure, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        EXPECT_TRUE(screen.shown);
    }
}

} // namespace
