// Telling the ring left behind on the screen from content of its colour, over scripted copies.
#include <gtest/gtest.h>

#include "app/ring_detection.h"

#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t green = 0x0000FF00u;

// A copy of a 60 x 40 rectangle: content that is never the ring's green, and whatever a test paints on it.
struct scripted_copy {
    static constexpr int width = 60;
    static constexpr int height = 40;
    std::vector<std::uint32_t> pixels;

    scripted_copy() : pixels(width * height)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[y * width + x] = 0x00406080u + static_cast<std::uint32_t>((x * 7 + y * 3) & 31);
    }
    void paint(int left, int top, int right, int bottom, std::uint32_t colour = green)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                pixels[y * width + x] = colour;
    }
    void paint_ring()
    {
        paint(0, 0, width, 2);
        paint(0, height - 2, width, height);
        paint(0, 0, 2, height);
        paint(width - 2, 0, width, height);
    }
    bool left_behind(const ring_cuts& cuts = {}) const
    {
        return ring_left_behind(pixels.data(), width, height, cuts);
    }
};

TEST(ring_detection, the_whole_ring_is_left_behind_and_nothing_once_it_has_gone)
{
    scripted_copy copy;
    EXPECT_FALSE(copy.left_behind());
    EXPECT_FALSE(copy.left_behind(ring_cuts{{10, 30}, {20}}));
    copy.paint_ring();
    EXPECT_TRUE(copy.left_behind());
    EXPECT_TRUE(copy.left_behind(ring_cuts{{10, 30}, {20}}));
}

TEST(ring_detection, the_piece_over_a_window_that_has_not_drawn_yet_is_left_behind)
{
    // Everything beneath has drawn again but a window covering the left 25 columns of the top line.
    scripted_copy top;
    top.paint(0, 0, 25, 2);
    EXPECT_TRUE(top.left_behind(ring_cuts{{25}, {}}));
    // Without that window's edge the piece is no whole piece.
    EXPECT_FALSE(top.left_behind());

    // A window whose top edge is 10 rows down the right strip, as the screen's rectangles give it.
    const RECT area{100, 50, 160, 90};
    scripted_copy right;
    right.paint(58, 10, 60, 40);
    EXPECT_TRUE(right.left_behind(cuts_of(area, {RECT{150, 60, 400, 300}})));
    // A rectangle that does not touch the area cuts nothing.
    EXPECT_FALSE(right.left_behind(cuts_of(area, {RECT{170, 60, 400, 300}})));

    // A frame beyond the screen's left edge: black there, the ring left behind from the edge on.
    scripted_copy beyond;
    beyond.paint(0, 0, 15, 40, 0);
    beyond.paint(15, 0, 60, 2);
    EXPECT_TRUE(beyond.left_behind(cuts_of(area, {RECT{115, 0, 1400, 900}})));
}

TEST(ring_detection, green_content_on_the_ring_line_is_not_taken_for_the_ring)
{
    const ring_cuts windows{{10, 50}, {5, 35}};
    // A bar of the ring's size and colour under the top line, between two windows' edges.
    scripted_copy bar;
    bar.paint(20, 0, 40, 2);
    EXPECT_FALSE(bar.left_behind(windows));
    EXPECT_FALSE(bar.left_behind());
    // A chart line one pixel high along the whole bottom line.
    scripted_copy line;
    line.paint(0, 39, 60, 40);
    EXPECT_FALSE(line.left_behind(windows));
    // A status light on the left strip.
    scripted_copy light;
    light.paint(0, 12, 8, 20);
    EXPECT_FALSE(light.left_behind(windows));
}

TEST(ring_detection, green_content_does_not_hide_a_piece_still_left_behind)
{
    scripted_copy copy;
    copy.paint(20, 0, 40, 2);
    copy.paint(0, 12, 8, 20);
    // The window beneath the right half of the bottom line has not drawn yet.
    copy.paint(30, 38, 60, 40);
    EXPECT_TRUE(copy.left_behind(ring_cuts{{30}, {}}));
}

} // namespace
