#include <gtest/gtest.h>

#include "app/frame_window.h"
#include "app/main_window.h"
#include "tests/support/pump.h"
#include "toolkit/application.h"

namespace {

// The extended style of the first window of the class "Test.Frame" shown on this thread; -1 before that.
LONG frame_ex_style_at_first_show = -1;

LRESULT CALLBACK watch_frame_show(int code, WPARAM wparam, LPARAM lparam)
{
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && sent->message == WM_SHOWWINDOW && sent->wParam != FALSE &&
        frame_ex_style_at_first_show == -1) {
        wchar_t name[32] = {};
        GetClassNameW(sent->hwnd, name, 32);
        if (lstrcmpW(name, L"Test.Frame") == 0)
            frame_ex_style_at_first_show = GetWindowLongW(sent->hwnd, GWL_EXSTYLE);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

class frame_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = app.create_window<my_window>("Test.FrameOwner", 225, 442);
        main_window = window;
    }
    void TearDown() override
    {
        test_support::pump_for(20);
        main_window = nullptr;
    }

    frame_window* make_frame()
    {
        auto* frame = app.create_window<frame_window>("Test.Frame", 0, 0);
        set_up_frame(*window, frame);
        return frame;
    }

    static RECT window_rect(HWND window)
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }

    // Compares the frame's window region pixel by pixel with the ring of the given size.
    static void expect_ring(HWND frame, int width, int height)
    {
        kite::unique_region region(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(frame, region.get()), ERROR);
        int mismatches = 0;
        for (int y = -1; y <= height; ++y) {
            for (int x = -1; x <= width; ++x) {
                const bool inside = x >= 0 && y >= 0 && x < width && y < height;
                const bool on_ring = inside && (x < 2 || y < 2 || x >= width - 2 || y >= height - 2);
                if ((PtInRegion(region.get(), x, y) != FALSE) != on_ring)
                    ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0) << "ring " << width << " x " << height;
    }

    kite::application app{GetModuleHandleW(nullptr)};
    my_window* window = nullptr;
};

TEST_F(frame_test, work_area_matches_the_system)
{
    RECT area{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
    const screen_rect size = work_area_size();
    EXPECT_EQ(size.left, 0);
    EXPECT_EQ(size.top, 0);
    EXPECT_EQ(size.width, area.right - area.left);
    EXPECT_EQ(size.height, area.bottom - area.top);
}

TEST_F(frame_test, set_up_makes_a_topmost_green_tool_window_without_decoration_centred_on_the_pointer)
{
    ASSERT_TRUE(SetCursorPos(1000, 700));
    frame_window* frame = make_frame();
    HWND handle = frame->handle();
    EXPECT_EQ(window->frame, frame);

    const LONG style = GetWindowLongW(handle, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    const LONG ex_style = GetWindowLongW(handle, GWL_EXSTYLE);
    EXPECT_NE(ex_style & WS_EX_TOOLWINDOW, 0);
    EXPECT_NE(ex_style & WS_EX_TOPMOST, 0);

    const RECT rect = window_rect(handle);
    EXPECT_EQ(rect.left, 744);
    EXPECT_EQ(rect.top, 444);
    EXPECT_EQ(rect.right, 1256);
    EXPECT_EQ(rect.bottom, 956);
    expect_ring(handle, 512, 512);

    LOGBRUSH brush{};
    ASSERT_NE(GetObjectW(frame->background.get(), sizeof(brush), &brush), 0);
    EXPECT_EQ(brush.lbColor, static_cast<COLORREF>(0x0000FF00));
}

// Windows decides on a taskbar button and an Alt+Tab entry when a window is shown.
TEST_F(frame_test, frame_is_a_tool_window_already_when_first_shown)
{
    frame_ex_style_at_first_show = -1;
    kite::unique_hook watch(SetWindowsHookExW(WH_CALLWNDPROC, watch_frame_show, nullptr, GetCurrentThreadId()));
    ASSERT_TRUE(watch);
    frame_window* frame = make_frame();
    watch.reset();
    ASSERT_TRUE(IsWindowVisible(frame->handle()));
    ASSERT_NE(frame_ex_style_at_first_show, -1) << "no WM_SHOWWINDOW seen";
    EXPECT_NE(frame_ex_style_at_first_show & WS_EX_TOOLWINDOW, 0);
}

TEST_F(frame_test, resizing_rebuilds_the_ring_and_moving_keeps_it)
{
    ASSERT_TRUE(SetCursorPos(400, 300));
    frame_window* frame = make_frame();
    window->frame_width = 32;
    window->frame_height = 32;
    window->place_frame(100, 120, false);
    RECT rect = window_rect(frame->handle());
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.right - rect.left, 32);
    EXPECT_EQ(rect.bottom - rect.top, 32);
    expect_ring(frame->handle(), 32, 32);

    // keep_size moves only: size and ring stay even if the stored size has changed meanwhile.
    window->frame_width = 64;
    window->place_frame(-10, 5, true);
    rect = window_rect(frame->handle());
    EXPECT_EQ(rect.left, -10);
    EXPECT_EQ(rect.top, 5);
    EXPECT_EQ(rect.right - rect.left, 32);
    expect_ring(frame->handle(), 32, 32);

    window->frame_width = 33;
    window->frame_height = 40;
    window->place_frame(0, 0, false);
    expect_ring(frame->handle(), 33, 40);
}

TEST_F(frame_test, odd_width_is_centred_with_halving_toward_zero)
{
    window->frame_width = 33;
    window->frame_height = 33;
    ASSERT_TRUE(SetCursorPos(100, 100));
    frame_window* frame = make_frame();
    const RECT rect = window_rect(frame->handle());
    EXPECT_EQ(rect.left, 84);
    EXPECT_EQ(rect.top, 84);
    // The pointer is over the middle column: 16 columns to its left, 16 to its right.
    EXPECT_EQ(100 - rect.left, rect.right - 1 - 100);
}

TEST_F(frame_test, frame_reaches_past_the_screen_edge_unclamped)
{
    ASSERT_TRUE(SetCursorPos(10, 10));
    frame_window* frame = make_frame();
    const RECT rect = window_rect(frame->handle());
    EXPECT_EQ(rect.left, -246);
    EXPECT_EQ(rect.top, -246);
    EXPECT_EQ(rect.right - rect.left, 512);
}

TEST_F(frame_test, place_frame_without_a_frame_does_nothing)
{
    EXPECT_EQ(window->frame, nullptr);
    window->place_frame(10, 10, false);
    EXPECT_EQ(window->frame, nullptr);
}

TEST_F(frame_test, a_frame_closed_from_outside_is_forgotten_by_the_main_window)
{
    frame_window* frame = make_frame();
    ASSERT_EQ(window->frame, frame);
    PostMessageW(frame->handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(test_support::pump_until([&] { return window->frame == nullptr; }, 2000));
    EXPECT_EQ(app.windows.size(), 1u);
    // Resizing without a frame is harmless.
    window->place_frame(0, 0, false);
    EXPECT_TRUE(IsWindow(window->handle()));
}

TEST_F(frame_test, attaching_a_second_frame_closes_the_first)
{
    frame_window* first = make_frame();
    HWND first_handle = first->handle();
    auto* second = app.create_window<frame_window>("Test.Frame2", 0, 0);
    set_up_frame(*window, second);
    EXPECT_EQ(window->frame, second);
    ASSERT_TRUE(test_support::pump_until([&] { return !IsWindow(first_handle); }, 2000));
    EXPECT_EQ(window->frame, second);
}

} // namespace
