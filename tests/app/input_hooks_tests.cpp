#include <gtest/gtest.h>

#include "app/frame_window.h"
#include "app/input_hooks.h"
#include "app/main_window.h"
#include "app/snapshot_writer.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"
#include "toolkit/application.h"
#include "toolkit/edit.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

// Counts heap allocations made on the test thread while counting is switched on.
namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
} // namespace

void* operator new(std::size_t size)
{
    if (counting)
        ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

constexpr DWORD key_w = 0x57;
constexpr DWORD key_q = 0x51;

class hook_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = app.create_window<my_window>("Test.HookOwner", 225, 442);
        main_window = window;
        window->close_handler = [this](kite::basic_window*, bool& allow) {
            ++close_requests;
            allow = false;
        };
    }
    void TearDown() override
    {
        main_window = nullptr;
        test_support::pump_for(20);
    }

    LRESULT key(DWORD vk, WPARAM message = WM_KEYUP)
    {
        KBDLLHOOKSTRUCT event{};
        event.vkCode = vk;
        return keyboard_hook_proc(HC_ACTION, message, reinterpret_cast<LPARAM>(&event));
    }

    LRESULT move(int x, int y, WPARAM message = WM_MOUSEMOVE)
    {
        MSLLHOOKSTRUCT event{};
        event.pt = {x, y};
        return mouse_hook_proc(HC_ACTION, message, reinterpret_cast<LPARAM>(&event));
    }

    frame_window* add_frame()
    {
        auto* frame = app.create_window<frame_window>("Test.HookFrame", 0, 0);
        set_up_frame(*window, frame);
        return frame;
    }

    RECT frame_rect() const
    {
        RECT rect{};
        GetWindowRect(window->frame->handle(), &rect);
        return rect;
    }

    kite::application app{GetModuleHandleW(nullptr)};
    my_window* window = nullptr;
    int close_requests = 0;
};

TEST_F(hook_test, the_capture_rectangle_is_the_frame_rectangle)
{
    const capture_rect even = frame_rect_around(POINT{1000, 700}, 512, 512);
    EXPECT_EQ(even.left, 744);
    EXPECT_EQ(even.top, 444);
    EXPECT_EQ(even.width, 512);
    EXPECT_EQ(even.height, 512);
    const capture_rect corner = frame_rect_around(POINT{10, 10}, 512, 512);
    EXPECT_EQ(corner.left, -246);
    EXPECT_EQ(corner.top, -246);
    // Halving truncates toward zero for negative pointer positions too.
    const capture_rect odd = frame_rect_around(POINT{-3, 100}, 33, 33);
    EXPECT_EQ(odd.left, -19);
    EXPECT_EQ(odd.top, 84);
}

TEST_F(hook_test, pointer_moves_move_the_frame_without_resizing_it)
{
    add_frame();
    window->frame_width = 33;
    window->frame_height = 40;
    window->place_frame(0, 0, false);
    move(100, 200);
    RECT rect = frame_rect();
    EXPECT_EQ(rect.left, 84);
    EXPECT_EQ(rect.top, 180);
    EXPECT_EQ(rect.right - rect.left, 33);

    // A size stored meanwhile does not reach the frame through a move.
    window->frame_width = 100;
    move(300, 300);
    rect = frame_rect();
    EXPECT_EQ(rect.left, 250);
    EXPECT_EQ(rect.right - rect.left, 33);

    // Other mouse messages and a cleared main window leave the frame alone.
    move(700, 700, WM_LBUTTONDOWN);
    EXPECT_EQ(frame_rect().left, 250);
    main_window = nullptr;
    move(700, 700);
    EXPECT_EQ(frame_rect().left, 250);
}

TEST_F(hook_test, a_pointer_move_allocates_nothing)
{
    add_frame();
    move(10, 10);
    // The counter sees an allocation when there is one.
    counting = true;
    { std::string probe(100, 'x'); }
    counting = false;
    ASSERT_GT(allocations.load(), 0);
    allocations = 0;
    counting = true;
    for (int i = 0; i < 1000; ++i)
        move(100 + i % 50, 200 + i % 30);
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

TEST_F(hook_test, q_asks_once_until_the_question_is_answered)
{
    key(key_q);
    EXPECT_TRUE(window->closing);
    key(key_q);
    ASSERT_TRUE(test_support::pump_until([&] { return close_requests >= 1; }, 2000));
    test_support::pump_for(100);
    EXPECT_EQ(close_requests, 1);
    // The main window comes to the top so the question is seen.
    EXPECT_NE(GetWindowLongW(window->handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // Declined: the next Q asks again.
    window->closing = false;
    key(key_q);
    ASSERT_TRUE(test_support::pump_until([&] { return close_requests == 2; }, 2000));
}

TEST_F(hook_test, keys_other_than_a_plain_release_do_nothing)
{
    key(key_q, WM_KEYDOWN);
    key(key_q, WM_SYSKEYUP);
    key(0x41);
    EXPECT_FALSE(window->closing);
    EXPECT_EQ(keyboard_hook_proc(HC_ACTION, WM_KEYUP, 0), CallNextHookEx(nullptr, HC_ACTION, WM_KEYUP, 0));
    EXPECT_FALSE(window->closing);
    main_window = nullptr;
    key(key_q);
    EXPECT_FALSE(window->closing);
}

TEST_F(hook_test, w_is_ignored_while_the_subfolder_edit_has_the_focus_and_taken_from_other_edits)
{
    add_frame();
    window->subfolder_edit = window->add_edit({5, 342, 200, 25});
    window->width_edit = window->add_edit({42, 250, 50, 25});
    window->subfolder_edit->set_text(L"hooktest", false);
    const std::wstring folder = test_support::snapshot_folder() + L"\\hooktest";
    const auto before = test_support::png_files(folder);
    snapshot_writer writer(nullptr, 0);
    window->writer = &writer;

    SetForegroundWindow(window->handle());
    SetFocus(window->subfolder_edit->handle());
    ASSERT_EQ(GetFocus(), window->subfolder_edit->handle());
    key(key_w);
    key(key_q);
    EXPECT_FALSE(window->closing);

    SetFocus(window->width_edit->handle());
    key(key_w);
    // Written after the hook has returned: exactly one file, from the release in the size edit.
    ASSERT_EQ(writer.finish(std::chrono::seconds(10), true).count, 0u);
    window->writer = nullptr;
    const auto after = test_support::png_files(folder);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (const auto& name : after)
        DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace
