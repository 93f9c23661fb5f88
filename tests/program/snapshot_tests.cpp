#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/input.h"
#include "tests/support/pattern.h"
#include "tests/support/pictor_session.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"

#include <vector>

using namespace test_support;

namespace {

constexpr WORD key_w = 0x57;
constexpr WORD key_q = 0x51;
constexpr unsigned file_timeout = 10000;

class snapshot_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pattern.ready());
        ASSERT_TRUE(pictor.ready());
        folder = snapshot_folder();
        ASSERT_FALSE(folder.empty());
        before = png_files(folder);
    }

    // Moves the pointer and waits until the frame has followed it.
    POINT point_at(int x, int y)
    {
        const POINT where = move_pointer(x, y);
        pump_until(
            [&] {
                const RECT rect = pictor.frame_rect();
                return rect.left == where.x - 256 && rect.top == where.y - 256;
            },
            3000);
        return where;
    }

    pattern_session pattern;
    pictor_session pictor;
    std::wstring folder;
    std::set<std::wstring> before;
};

TEST_F(snapshot_test, the_frame_follows_the_pointer_unclamped)
{
    for (POINT target : {POINT{1000, 700}, POINT{300, 200}, POINT{5, 1075}, POINT{1919, 3}}) {
        const POINT where = point_at(target.x, target.y);
        const RECT rect = pictor.frame_rect();
        EXPECT_EQ(rect.left, where.x - 256) << target.x << "," << target.y;
        EXPECT_EQ(rect.top, where.y - 256) << target.x << "," << target.y;
        EXPECT_EQ(rect.right - rect.left, 512);
        EXPECT_EQ(rect.bottom - rect.top, 512);
    }
}

TEST_F(snapshot_test, releasing_w_writes_exactly_the_pixels_under_the_frame)
{
    ASSERT_TRUE(pattern.activate());
    const POINT where = point_at(700, 500);
    const RECT frame_before = pictor.frame_rect();
    tap_key(key_w);
    const auto fresh = wait_for_new_files(folder, before, 1, file_timeout);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_TRUE(is_snapshot_name(fresh[0], false)) << fresh[0].c_str();

    image_pixels image;
    ASSERT_TRUE(read_image(folder + L"\\" + fresh[0], image));
    EXPECT_EQ(image.width, 512);
    EXPECT_EQ(image.height, 512);
    int green = 0;
    EXPECT_EQ(pattern_mismatches(image, where.x - 256, where.y - 256, &green), 0);
    EXPECT_EQ(green, 0);

    // The frame is back where it was, and the key-up reached the focused application.
    EXPECT_TRUE(IsWindowVisible(pictor.frame));
    const RECT frame_after = pictor.frame_rect();
    EXPECT_EQ(frame_after.left, frame_before.left);
    EXPECT_EQ(frame_after.top, frame_before.top);
    EXPECT_EQ(pattern.key_ups(key_w), 1u);
    EXPECT_EQ(GetForegroundWindow(), pattern.window);
}

TEST_F(snapshot_test, a_frame_partly_off_screen_still_gives_a_file_of_the_full_size)
{
    // Near the bottom-left corner, below the main window: the frame reaches past two screen edges.
    const POINT where = point_at(100, 1050);
    tap_key(key_w);
    const auto fresh = wait_for_new_files(folder, before, 1, file_timeout);
    ASSERT_EQ(fresh.size(), 1u);
    image_pixels image;
    ASSERT_TRUE(read_image(folder + L"\\" + fresh[0], image));
    EXPECT_EQ(image.width, 512);
    EXPECT_EQ(image.height, 512);
    // The on-screen part holds the pattern at its own place in the file.
    const int left = where.x - 256, top = where.y - 256;
    int mismatches = 0;
    for (int y = 10; y < 250; ++y)
        for (int x = 180; x < 400; ++x) {
            const COLORREF want = pattern_colour(left + x, top + y);
            if ((image.at(x, y) & 0x00FFFFFFu) !=
                static_cast<std::uint32_t>((GetRValue(want) << 16) | (GetGValue(want) << 8) | GetBValue(want)))
                ++mismatches;
        }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(snapshot_test, two_releases_within_a_second_get_a_counter)
{
    point_at(800, 600);
    // Start right after a second boundary so both fall into the same second.
    SYSTEMTIME now{};
    do {
        GetLocalTime(&now);
        Sleep(5);
    } while (now.wMilliseconds > 300);
    tap_key(key_w);
    tap_key(key_w);
    const auto fresh = wait_for_new_files(folder, before, 2, file_timeout);
    ASSERT_EQ(fresh.size(), 2u);
    const std::wstring& plain = fresh[0].find(L'#') == std::wstring::npos ? fresh[0] : fresh[1];
    const std::wstring& counted = fresh[0].find(L'#') == std::wstring::npos ? fresh[1] : fresh[0];
    EXPECT_TRUE(is_snapshot_name(plain, false));
    EXPECT_EQ(counted, plain.substr(0, 19) + L"#1.png");
}

TEST_F(snapshot_test, only_plain_key_releases_of_w_capture)
{
    point_at(900, 500);
    // Auto-repeat: many key-downs, one key-up, one file.
    for (int i = 0; i < 5; ++i)
        key_down(key_w);
    key_up(key_w);
    auto fresh = wait_for_new_files(folder, before, 1, file_timeout);
    ASSERT_EQ(fresh.size(), 1u);

    // Shift and Ctrl play no part.
    key_down(VK_SHIFT);
    tap_key(key_w);
    key_up(VK_SHIFT);
    key_down(VK_CONTROL);
    tap_key(key_w);
    key_up(VK_CONTROL);
    fresh = wait_for_new_files(folder, before, 3, file_timeout);
    EXPECT_EQ(fresh.size(), 3u);

    // Released while Alt is held, W arrives as a system key and takes nothing. Alt is held over the pattern
    // window, which has no system menu: under Wine, Alt+W in a window with one enters menu mode, and that
    // focus change, like the activation here, makes Wine read the modifiers from the X server again,
    // where no Alt is down. Windows keeps them.
    ASSERT_TRUE(pattern.activate());
    let_programs_take_pending_events();
    key_down(VK_MENU);
    tap_key(key_w);
    key_up(VK_MENU);
    pump_for(1500);
    EXPECT_EQ(png_files(folder).size(), before.size() + 3);
}

// AltGr+Q types "@" on German keyboards, and Win+Q and Win+W are the system's: none of them is Pictor's.
TEST_F(snapshot_test, altgr_and_windows_key_combinations_neither_capture_nor_ask)
{
    point_at(900, 500);
    ASSERT_TRUE(pattern.activate());
    let_programs_take_pending_events();
    const std::vector<std::vector<WORD>> modifiers = {{VK_CONTROL, VK_MENU}, {VK_RMENU}, {VK_LWIN}, {VK_RWIN}};
    for (const auto& held : modifiers) {
        for (WORD key : {key_q, key_w}) {
            for (WORD modifier : held)
                key_down(modifier);
            // Wine keeps a key's "up" answer for 50 ms: the modifier is then down for whoever asks.
            Sleep(60);
            tap_key(key);
            for (auto it = held.rbegin(); it != held.rend(); ++it)
                key_up(*it);
            Sleep(60);
        }
    }
    pump_for(1500);
    EXPECT_TRUE(windows_of(pictor.process.id(), L"#32770", L"Pictor").empty());
    EXPECT_EQ(png_files(folder), before);

    // The hooks saw the keys all along: a plain W still takes its snapshot.
    tap_key(key_w);
    EXPECT_EQ(wait_for_new_files(folder, before, 1, file_timeout).size(), 1u);
}

} // namespace
