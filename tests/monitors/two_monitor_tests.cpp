// Pictor on two monitors, as scripts/test sets them up: the primary one, 1280 x 1024 at (0, 0), and a
// 1024 x 768 one left of it, at (-1024, 0). Every position left of the primary monitor is negative.
#include <gtest/gtest.h>

#include "tests/support/input.h"
#include "tests/support/pattern.h"
#include "tests/support/pictor_form.h"
#include "tests/support/pictor_session.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"

#include <memory>
#include <string>
#include <vector>

using namespace test_support;

namespace {

constexpr WORD key_w = 0x57;
constexpr unsigned file_timeout = 10000;
const RECT primary{0, 0, 1280, 1024};
const RECT left_monitor{-1024, 0, 0, 768};

bool on_two_monitors()
{
    wchar_t value[8] = {};
    return GetEnvironmentVariableW(L"PICTOR_TWO_MONITORS", value, 8) > 0 && value[0] == L'1';
}

BOOL CALLBACK collect_monitor(HMONITOR, HDC, LPRECT place, LPARAM context)
{
    reinterpret_cast<std::vector<RECT>*>(context)->push_back(*place);
    return TRUE;
}

std::vector<RECT> monitors()
{
    std::vector<RECT> found;
    EnumDisplayMonitors(nullptr, nullptr, collect_monitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

class two_monitor_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!on_two_monitors())
            GTEST_SKIP() << "runs on the two monitors that scripts/test sets up (PICTOR_TWO_MONITORS=1)";
        const std::vector<RECT> found = monitors();
        ASSERT_EQ(found.size(), 2u);
        EXPECT_TRUE(same(found[0], primary) || same(found[1], primary));
        EXPECT_TRUE(same(found[0], left_monitor) || same(found[1], left_monitor));
        ASSERT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1024);
        ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2304);

        pattern = std::make_unique<pattern_session>(L"virtual-screen");
        ASSERT_TRUE(pattern->ready());
        pictor = std::make_unique<pictor_session>();
        ASSERT_TRUE(pictor->ready());
        form = std::make_unique<pictor_form>(pictor->main);
        ASSERT_TRUE(form->ready());
        // Out of the way of the frames below, on the primary monitor.
        SetWindowPos(pictor->main, nullptr, 1000, 560, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        folder = snapshot_folder();
        ASSERT_FALSE(folder.empty());
    }

    // Puts the pointer at (x, y) for good and waits until the 512 x 512 frame is centred there.
    bool point_at(int x, int y)
    {
        place_pointer(x, y);
        return pump_until(
            [&] {
                const RECT rect = pictor->frame_rect();
                return rect.left == x - 256 && rect.top == y - 256 && rect.right == x + 256 &&
                       rect.bottom == y + 256;
            },
            3000);
    }

    // Releases W with the frame centred on (x, y) and reads the file written.
    bool snapshot_at(int x, int y, image_pixels& image)
    {
        if (!point_at(x, y))
            return false;
        const auto before = png_files(folder);
        tap_key(key_w);
        const auto fresh = wait_for_new_files(folder, before, 1, file_timeout);
        return fresh.size() == 1 && read_image(folder + L"\\" + fresh[0], image);
    }

    std::unique_ptr<pattern_session> pattern;
    std::unique_ptr<pictor_session> pictor;
    std::unique_ptr<pictor_form> form;
    std::wstring folder;
};

TEST_F(two_monitor_test, the_ring_follows_the_pointer_onto_the_left_monitor_and_back)
{
    for (POINT where : {POINT{-500, 400}, POINT{-5, 300}, POINT{-1020, 760}, POINT{600, 500}}) {
        SCOPED_TRACE(std::to_string(where.x) + "," + std::to_string(where.y));
        EXPECT_TRUE(point_at(where.x, where.y));
        const RECT rect = pictor->frame_rect();
        EXPECT_EQ(rect.left, where.x - 256);
        EXPECT_EQ(rect.top, where.y - 256);
        EXPECT_TRUE(IsWindowVisible(pictor->frame));
    }
}

TEST_F(two_monitor_test, snapshots_on_the_left_monitor_and_across_the_border_are_exact)
{
    ASSERT_TRUE(pattern->activate());
    for (POINT where : {POINT{-600, 380}, POINT{0, 400}}) {
        SCOPED_TRACE(std::to_string(where.x) + "," + std::to_string(where.y));
        image_pixels image;
        ASSERT_TRUE(snapshot_at(where.x, where.y, image));
        ASSERT_EQ(image.width, 512);
        ASSERT_EQ(image.height, 512);
        int green = 0;
        EXPECT_EQ(pattern_mismatches(image, where.x - 256, where.y - 256, &green), 0);
        EXPECT_EQ(green, 0);
    }
}

TEST_F(two_monitor_test, a_frame_beyond_the_left_edge_of_the_screen_gives_a_file_of_the_full_size)
{
    ASSERT_TRUE(pattern->activate());
    const POINT where{-1000, 300};
    image_pixels image;
    ASSERT_TRUE(snapshot_at(where.x, where.y, image));
    ASSERT_EQ(image.width, 512);
    ASSERT_EQ(image.height, 512);
    // 232 columns lie left of every monitor: black. The rest is the left monitor's picture.
    const int beyond = -1024 - (where.x - 256);
    int lit = 0, mismatches = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const std::uint32_t pixel = image.at(x, y) & 0x00FFFFFFu;
            if (x < beyond) {
                lit += pixel != 0;
                continue;
            }
            const COLORREF want = pattern_colour(where.x - 256 + x, where.y - 256 + y);
            mismatches += pixel != ((static_cast<std::uint32_t>(GetRValue(want)) << 16) |
                                    (GetGValue(want) << 8) | GetBValue(want));
        }
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(two_monitor_test, the_size_limits_stay_the_primary_monitors_work_area)
{
    RECT area{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
    EXPECT_EQ(area.left, 0);
    EXPECT_LE(area.right, primary.right);
    EXPECT_LE(area.bottom, primary.bottom);
    const int width = area.right - area.left, height = area.bottom - area.top;
    EXPECT_EQ(form->text(size_limits), L"min: 32x32 max: " + std::to_wstring(width) + L"x" + std::to_wstring(height));

    ASSERT_TRUE(point_at(-500, 400));
    form->set_text(width_edit, L"9999");
    form->set_text(height_edit, L"9999");
    EXPECT_TRUE(pump_until(
        [&] {
            const RECT rect = pictor->frame_rect();
            return rect.right - rect.left == width && rect.bottom - rect.top == height;
        },
        3000));
    const RECT rect = pictor->frame_rect();
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
    EXPECT_EQ(rect.left, -500 - width / 2);
}

TEST_F(two_monitor_test, the_preview_menu_opens_where_the_right_click_was_on_the_left_monitor)
{
    SetWindowPos(pictor->main, nullptr, -700, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    bring_to_front(pictor->main);
    const POINT click = centre_of((*form)[preview]);
    ASSERT_LT(click.x, 0);
    click_at(click.x, click.y, true);
    ASSERT_TRUE(pump_until([&] { return open_menus(pictor->process.id()).size() == 1; }, 5000));
    RECT menu{};
    GetWindowRect(open_menus(pictor->process.id()).front(), &menu);
    EXPECT_EQ(menu.left, click.x);
    EXPECT_EQ(menu.top, click.y);
    tap_key(VK_ESCAPE);
    EXPECT_TRUE(pump_until([&] { return open_menus(pictor->process.id()).empty(); }, 5000));
}

} // namespace
