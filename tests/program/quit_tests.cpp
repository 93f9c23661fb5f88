#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/input.h"
#include "tests/support/pictor_form.h"
#include "tests/support/pictor_session.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"

#include <functional>
#include <string>

using namespace test_support;

namespace {

constexpr WORD key_w = 0x57;
constexpr WORD key_q = 0x51;
constexpr DWORD question_timeout = 10000;

class quit_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pictor.ready());
        ASSERT_TRUE(form.ready());
    }

    std::size_t open_questions() const { return windows_of(pictor.process.id(), L"#32770", L"Pictor").size(); }

    // Waits for "Pictor beenden?" and answers it.
    void answer_question(int answer)
    {
        HWND question = wait_for_quit_question(pictor.process.id(), question_timeout);
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(message_box_text(question), L"Pictor beenden?");
        // Owned by the main window. Wine ignores MB_TOPMOST: the flags are checked as a contract in app_tests.
        EXPECT_EQ(GetWindow(question, GW_OWNER), pictor.main);
        answer_message_box(question, answer);
        ASSERT_TRUE(pump_until([&] { return open_questions() == 0; }, question_timeout));
    }

    void expect_exit_with_both_windows_gone()
    {
        EXPECT_EQ(pictor.wait_for_exit(question_timeout), 0u);
        EXPECT_FALSE(IsWindow(pictor.main));
        EXPECT_FALSE(IsWindow(pictor.frame));
    }

    // The close box of the title bar, found by asking the window what lies under each point.
    POINT close_box() const
    {
        RECT rect{};
        GetWindowRect(pictor.main, &rect);
        for (int y = rect.top + 2; y < rect.top + 40; ++y)
            for (int x = rect.right - 2; x > rect.right - 80; --x) {
                DWORD_PTR hit = 0;
                SendMessageTimeoutW(pictor.main, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 2000, &hit);
                if (hit == HTCLOSE)
                    return POINT{x - 3, y + 3};
            }
        return POINT{-1, -1};
    }

    pattern_session pattern;
    pictor_session pictor;
    pictor_form form{pictor.main};
};

TEST_F(quit_test, every_way_in_asks_and_no_keeps_windows_hooks_and_settings)
{
    form.set_text(width_edit, L"64");
    const std::function<void()> ways[] = {
        [&] {
            const POINT box = close_box();
            ASSERT_NE(box.x, -1);
            click_at(box.x, box.y);
        },
        [&] {
            form.click(preview_caption);
            key_down(VK_MENU);
            tap_key(VK_F4);
            key_up(VK_MENU);
        },
        [&] { form.click(quit_button); },
        [&] { tap_key(key_q); },
    };
    int way = 0;
    for (const auto& ask : ways) {
        SCOPED_TRACE(way++);
        // A declined question left the main window behind the pattern window.
        bring_to_front(pictor.main);
        ask();
        answer_question(IDNO);
        EXPECT_TRUE(IsWindowVisible(pictor.main));
        EXPECT_TRUE(IsWindowVisible(pictor.frame));
        EXPECT_EQ(form.text(width_edit), L"64");
        // The quit key's topmost state ends with the answer.
        EXPECT_EQ(GetWindowLongW(pictor.main, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        // The hooks still move the frame, at the size set before.
        const POINT where = move_pointer(700 + 100 * way, 500);
        EXPECT_TRUE(pump_until(
            [&] {
                const RECT rect = pictor.frame_rect();
                return rect.left == where.x - 32 && rect.top == where.y - 256 && rect.right - rect.left == 64;
            },
            question_timeout));
    }
    tap_key(key_q);
    answer_question(IDYES);
    expect_exit_with_both_windows_gone();
}

TEST_F(quit_test, a_second_quit_key_while_the_question_is_open_asks_nothing_more)
{
    tap_key(key_q);
    ASSERT_NE(wait_for_quit_question(pictor.process.id(), question_timeout), nullptr);
    tap_key(key_q);
    pump_for(1000);
    EXPECT_EQ(open_questions(), 1u);
    answer_question(IDNO);
    pump_for(500);
    EXPECT_EQ(open_questions(), 0u);

    // Declined, the quit key asks again.
    tap_key(key_q);
    answer_question(IDYES);
    expect_exit_with_both_windows_gone();
}

TEST_F(quit_test, the_quit_key_while_the_close_box_question_is_open_adds_no_second_question)
{
    PostMessageW(pictor.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_NE(wait_for_quit_question(pictor.process.id(), question_timeout), nullptr);
    tap_key(key_q);
    pump_for(1000);
    EXPECT_EQ(open_questions(), 1u);
    answer_question(IDNO);
    pump_for(500);
    EXPECT_EQ(open_questions(), 0u);
    EXPECT_TRUE(IsWindowVisible(pictor.main));

    // The refused request is forgotten with the answer: the quit key asks again.
    tap_key(key_q);
    answer_question(IDYES);
    expect_exit_with_both_windows_gone();
}

TEST_F(quit_test, keys_released_after_yes_take_no_snapshot_and_ask_nothing)
{
    const std::wstring folder = snapshot_folder();
    const auto before = png_files(folder);
    form.click(quit_button);
    HWND question = wait_for_quit_question(pictor.process.id(), question_timeout);
    ASSERT_NE(question, nullptr);
    answer_message_box(question, IDYES);
    // The answer is posted: keys released before Pictor has taken it come before the Yes.
    ASSERT_TRUE(pump_until([&] { return !IsWindow(question); }, question_timeout));
    tap_key(key_w);
    tap_key(key_q);
    expect_exit_with_both_windows_gone();
    EXPECT_EQ(png_files(folder), before);
}

} // namespace
