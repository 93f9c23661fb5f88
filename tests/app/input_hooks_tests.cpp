#include <gtest/gtest.h>

#include "app/frame_window.h"
#include "app/hot_keys.h"
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
#include <stdexcept>
#include <string>
#include <utility>

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
        window->app_message_handler = handle_input_message;
        hook_relay.set_frame_size(window->frame_width, window->frame_height);
        hook_relay.connect(window->handle());
    }
    void TearDown() override
    {
        hook_relay.connect(nullptr);
        hook_relay.take_releases();
        main_window = nullptr;
        test_support::pump_for(20);
    }

    LRESULT key(DWORD vk, WPARAM message = WM_KEYUP, DWORD flags = 0)
    {
        KBDLLHOOKSTRUCT event{};
        event.vkCode = vk;
        event.flags = flags;
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

    // The frame's top-left corner once the UI thread has taken the moves posted to it.
    bool frame_reaches(LONG left, LONG top)
    {
        return test_support::pump_until(
            [&] {
                const RECT rect = frame_rect();
                return rect.left == left && rect.top == top;
            },
            2000);
    }

    kite::application app{GetModuleHandleW(nullptr)};
    my_window* window = nullptr;
    int close_requests = 0;
};

TEST(hot_keys, w_and_q_count_alone_or_with_shift_or_ctrl_never_with_alt_altgr_or_a_windows_key)
{
    struct row {
        WPARAM message;
        DWORD vk;
        DWORD flags;
        held_modifiers held;
        hot_key expected;
    };
    const held_modifiers none{}, alt{true, false}, windows{false, true};
    const row table[] = {
        {WM_KEYUP, key_w, 0, none, hot_key::snapshot},
        {WM_KEYUP, key_q, 0, none, hot_key::quit},
        // Shift and Ctrl leave the message and the flags as they are.
        {WM_KEYUP, key_w, LLKHF_INJECTED, none, hot_key::snapshot},
        // Presses and other keys.
        {WM_KEYDOWN, key_w, 0, none, hot_key::none},
        {WM_KEYUP, 0x41, 0, none, hot_key::none},
        // Alt alone makes a system key.
        {WM_SYSKEYUP, key_w, LLKHF_ALTDOWN, alt, hot_key::none},
        // AltGr (Ctrl+Alt) releases come as WM_KEYUP: the event's flag or the held key gives it away.
        {WM_KEYUP, key_q, LLKHF_ALTDOWN, none, hot_key::none},
        {WM_KEYUP, key_q, 0, alt, hot_key::none},
        {WM_KEYUP, key_w, 0, alt, hot_key::none},
        // The system's own Win+Q and Win+W.
        {WM_KEYUP, key_q, 0, windows, hot_key::none},
        {WM_KEYUP, key_w, 0, windows, hot_key::none},
    };
    for (const row& r : table)
        EXPECT_EQ(hot_key_of(r.message, r.vk, r.flags, r.held), r.expected)
            << "message " << r.message << " key " << r.vk << " flags " << r.flags << " alt " << r.held.alt
            << " windows " << r.held.windows;
}

// A stand-in for SetWindowsHookExW that counts the hooks it hands out and can refuse one kind.
int refused_kind = 0;
int hooks_installed = 0;
DWORD installing_thread = 0;

HHOOK WINAPI counting_installer(int kind, HOOKPROC procedure, HINSTANCE instance, DWORD thread)
{
    installing_thread = GetCurrentThreadId();
    if (kind == refused_kind)
        return nullptr;
    ++hooks_installed;
    return SetWindowsHookExW(kind, procedure, instance, thread);
}

TEST(input_hooks, a_hook_that_cannot_be_installed_gives_its_text)
{
    for (const auto& [kind, text] : {std::pair<int, std::string>{WH_KEYBOARD_LL, "Konnte Keyboard-HOOK nicht installieren."},
                                     std::pair<int, std::string>{WH_MOUSE_LL, "Konnte Mouse-HOOK nicht installieren."}}) {
        refused_kind = kind;
        hooks_installed = 0;
        try {
            input_hooks hooks(GetModuleHandleW(nullptr), counting_installer);
            ADD_FAILURE() << "no exception for " << text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), text);
        }
        // The keyboard hook goes first, so a refused mouse hook comes after one keyboard hook.
        EXPECT_EQ(hooks_installed, kind == WH_MOUSE_LL ? 1 : 0);
    }
    // Installed on a thread of their own, not on the caller's.
    refused_kind = 0;
    hooks_installed = 0;
    input_hooks hooks(GetModuleHandleW(nullptr), counting_installer);
    EXPECT_EQ(hooks_installed, 2);
    EXPECT_NE(installing_thread, GetCurrentThreadId());
    hooks.remove();
}

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
    ASSERT_TRUE(frame_reaches(84, 180));
    EXPECT_EQ(frame_rect().right - frame_rect().left, 33);

    // A size stored meanwhile does not reach the frame through a move.
    window->frame_width = 100;
    move(300, 300);
    ASSERT_TRUE(frame_reaches(250, 280));
    EXPECT_EQ(frame_rect().right - frame_rect().left, 33);

    // Moves faster than the UI thread takes them: the frame goes to the last one.
    for (int i = 0; i < 50; ++i)
        move(400 + i, 300);
    ASSERT_TRUE(frame_reaches(449 - 50, 280));

    // Other mouse messages and a disconnected relay leave the frame alone.
    move(700, 700, WM_LBUTTONDOWN);
    hook_relay.connect(nullptr);
    move(700, 700);
    test_support::pump_for(100);
    EXPECT_EQ(frame_rect().left, 449 - 50);
}

TEST_F(hook_test, a_pointer_move_allocates_nothing)
{
    add_frame();
    move(10, 10);
    test_support::pump_for(20);
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
    // Decided on the UI thread, from the message the hook posted.
    EXPECT_FALSE(window->closing);
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
    key(key_q, WM_SYSKEYUP, LLKHF_ALTDOWN);
    key(key_q, WM_KEYUP, LLKHF_ALTDOWN);
    key(0x41);
    EXPECT_EQ(keyboard_hook_proc(HC_ACTION, WM_KEYUP, 0), CallNextHookEx(nullptr, HC_ACTION, WM_KEYUP, 0));
    test_support::pump_for(200);
    EXPECT_FALSE(window->closing);
    EXPECT_EQ(close_requests, 0);
    // After a confirmed quit the relay is disconnected: a release records nothing.
    hook_relay.connect(nullptr);
    key(key_q);
    EXPECT_TRUE(hook_relay.take_releases().empty());
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
    test_support::pump_for(200);
    EXPECT_FALSE(window->closing);

    SetFocus(window->width_edit->handle());
    key(key_w);
    test_support::pump_for(200);
    // Written after the hook has returned: exactly one file, from the release in the size edit.
    ASSERT_FALSE(writer.finish(std::chrono::seconds(10), true).any());
    window->writer = nullptr;
    const auto after = test_support::png_files(folder);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (const auto& name : after)
        DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace
